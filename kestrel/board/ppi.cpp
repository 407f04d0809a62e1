// 8255 PPI model: keypad matrix on port A, digit latch on port B, digit and
// column select plus TONE on port C, mode word on the control port.
#include "kestrel/board/ppi.h"


namespace kestrel {
namespace {

// The monitor ROM's OUT to port B that ends at this address must not reach
// the digits (PC already points past the two-byte OUT at 0x063A).
constexpr uint16_t kIgnoredDigitWritePc = 0x063C;

bool KeypadIdle(const Machine& m) {
    for (uint8_t column : m.KeyColumns) {
        if (column != 0xFF) return false;
    }
    return true;
}

// Shows the oldest waiting click once the one before it has been read.
void ShowNextClick(Machine& m) {
    if (m.KeyQueueCount == 0 || !KeypadIdle(m)) return;
    m.KeyColumns[m.KeyQueueColumn[m.KeyQueueHead]] = m.KeyQueuePattern[m.KeyQueueHead];
    m.KeyQueueHead = static_cast<uint8_t>((m.KeyQueueHead + 1) % Machine::kKeyQueueSize);
    --m.KeyQueueCount;
}

void ReadKeyboard(Machine& m) {
    const uint8_t select = static_cast<uint8_t>(~m.PortCLatch & 0x3F);
    // Exactly one column must be pulled low; anything else reads as no key.
    if (select == 0 || (select & (select - 1)) != 0) {
        m.IoData = 0xFF;
        return;
    }
    const int column = __builtin_ctz(select);
    m.IoData = m.KeyColumns[column];
    if (m.KeyColumns[column] != 0xFF) {
        m.KeyColumns[column] = 0xFF;  // a click is seen by one read only
        ShowNextClick(m);
    }
    if (m.UserKeyPending) {
        m.UserKeyPending = false;
        m.IoData &= 0xBF;
    }
}

void LatchDigits(Machine& m) {
    if (m.Cpu.PC == kIgnoredDigitWritePc) return;
    m.PortBLatch = m.IoData;
    for (int i = 0; i < 6; ++i) {
        if (m.PortCLatch & (1u << i)) m.DigitSegments[i] = m.PortBLatch;
    }
    RequestRefresh(m);
}

// Bit 7 also drives the speaker: its edges are recorded while a capture is
// captured (real time). The test stays out of the way of the plain path.
inline void WatchSpeaker(Machine& m, uint8_t next) {
    if (m.SpeakerCapturing && ((m.PortCLatch ^ next) & 0x80) != 0) [[unlikely]] {
        m.Speaker.Record(ClockNow(m), (next & 0x80) != 0);
    }
}

void StorePortC(Machine& m) {
    // The TONE lamp shows while bit 7 is low: redraw when it falls.
    const bool falling = (m.PortCLatch & 0x80) != 0 && (m.IoData & 0x80) == 0;
    WatchSpeaker(m, m.IoData);
    m.PortCLatch = m.IoData;
    if (falling) RequestRefresh(m);
}

void WriteControl(Machine& m) {
    if (m.IoData & 0x80) {
        m.PpiControl = m.IoData;  // mode set: stored, no other effect
        return;
    }
    // Bit set/reset of port C; never redraws.
    const uint8_t bit = static_cast<uint8_t>(1u << ((m.IoData >> 1) & 7));
    const uint8_t next = (m.IoData & 1) ? static_cast<uint8_t>(m.PortCLatch | bit)
                                        : static_cast<uint8_t>(m.PortCLatch & ~bit);
    WatchSpeaker(m, next);
    m.PortCLatch = next;
}

}  // namespace

bool ClickKey(Machine& m, uint8_t column, uint8_t pattern) {
    if (column >= 6) return false;
    if (m.KeyQueueCount == Machine::kKeyQueueSize) return false;
    const int tail = (m.KeyQueueHead + m.KeyQueueCount) % Machine::kKeyQueueSize;
    m.KeyQueueColumn[tail] = column;
    m.KeyQueuePattern[tail] = pattern;
    ++m.KeyQueueCount;
    ShowNextClick(m);
    return true;
}

void PortAccess(Machine& m, uint8_t read, uint8_t write, uint8_t lo, uint8_t /*hi*/) {
    if (lo & 0xC0) return;  // empty blocks 0x40-0xFF: IoData keeps its byte
    switch (lo & 3) {
        case 0:  // port A: keypad input, writes ignored
            if (read) ReadKeyboard(m);
            break;
        case 1:  // port B: segment latch
            if (read) m.IoData = m.PortBLatch;
            if (write) LatchDigits(m);
            break;
        case 2:  // port C
            if (read) m.IoData = m.PortCLatch;
            if (write) StorePortC(m);
            break;
        default:  // control
            if (read) m.IoData = m.PpiControl;
            if (write) WriteControl(m);
            break;
    }
}

}  // namespace kestrel
