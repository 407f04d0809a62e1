// The state file's writer and its careful reader.
#include "kestrel/board/machine_state.h"

#include <cstring>
#include <memory>

#include <zlib.h>

namespace kestrel {
namespace {

// One walk over every stored field, in file order. `io` is a Writer or a
// Reader; both take each field by reference.
template <typename Io, typename M>
void Fields(Io& io, M& m) {
    auto& c = m.Cpu;
    for (auto* r : {&c.A, &c.F, &c.B, &c.C, &c.D, &c.E, &c.H, &c.L, &c.AltA, &c.AltF, &c.AltB, &c.AltC, &c.AltD,
                    &c.AltE, &c.AltH, &c.AltL})
        io.Byte(*r);
    for (auto* r : {&c.IX, &c.IY, &c.SP, &c.PC, &c.MEMPTR}) io.Word(*r);
    io.Byte(c.I);
    io.Byte(c.R);
    io.Byte(c.RBit7);
    io.Byte(c.IFF);
    io.Byte(c.IM);
    io.Flag(c.Halted);
    io.Flag(c.EiPending);
    io.Word(c.TStates);
    io.Block(m.MemoryImage, sizeof m.MemoryImage);
    io.Byte(m.IoData);
    io.Block(m.KeyColumns, sizeof m.KeyColumns);
    io.Flag(m.UserKeyPending);
    io.Block(m.KeyQueueColumn, sizeof m.KeyQueueColumn);
    io.Block(m.KeyQueuePattern, sizeof m.KeyQueuePattern);
    io.Byte(m.KeyQueueHead);
    io.Byte(m.KeyQueueCount);
    io.Byte(m.PortBLatch);
    io.Byte(m.PortCLatch);
    io.Byte(m.PpiControl);
    io.Block(m.DigitSegments, sizeof m.DigitSegments);
    io.Quad(m.Clock);
    io.Word(m.ClockMark);
    io.Long(m.RandomState);
}

struct Writer {
    std::vector<uint8_t>& out;
    void Byte(const uint8_t& v) { out.push_back(v); }
    void Flag(const bool& v) { out.push_back(v ? 1 : 0); }
    void Word(const uint16_t& v) { Little(v, 2); }
    void Long(const uint32_t& v) { Little(v, 4); }
    void Quad(const uint64_t& v) { Little(v, 8); }
    void Block(const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); }
    void Little(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
};

// Reads within [at, end); past the end it reads zeros and notes the overrun.
// A flag byte other than 0 or 1 is noted as damage.
struct Reader {
    const uint8_t* at;
    const uint8_t* end;
    bool overrun = false;
    bool badFlag = false;
    uint64_t Little(int n) {
        if (end - at < n) {
            overrun = true;
            at = end;
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= uint64_t{at[i]} << (8 * i);
        at += n;
        return v;
    }
    void Byte(uint8_t& v) { v = static_cast<uint8_t>(Little(1)); }
    void Flag(bool& v) {
        const uint64_t b = Little(1);
        badFlag |= b > 1;
        v = b != 0;
    }
    void Word(uint16_t& v) { v = static_cast<uint16_t>(Little(2)); }
    void Long(uint32_t& v) { v = static_cast<uint32_t>(Little(4)); }
    void Quad(uint64_t& v) { v = Little(8); }
    void Block(uint8_t* p, size_t n) {
        if (static_cast<size_t>(end - at) < n) {
            overrun = true;
            at = end;
            return;
        }
        std::memcpy(p, at, n);
        at += n;
    }
};

uint32_t ReadLong(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// Values the machine can never hold; "" when all are possible.
const char* Implausible(const Machine& m) {
    const Z80State& c = m.Cpu;
    if (c.IFF != 0 && c.IFF != 4) return "IFF";
    if (c.IM > 2) return "interrupt mode";
    if (c.RBit7 != 0 && c.RBit7 != 0x80) return "R bit 7";
    if (m.KeyQueueHead >= Machine::kKeyQueueSize || m.KeyQueueCount > Machine::kKeyQueueSize) return "key queue";
    for (uint8_t column : m.KeyQueueColumn)
        if (column >= 6) return "key queue";
    return "";
}

}  // namespace

uint32_t Crc32(const uint8_t* bytes, size_t size) {
    return static_cast<uint32_t>(crc32_z(crc32_z(0, nullptr, 0), bytes, size));
}

std::vector<uint8_t> SaveMachineState(const Machine& m) {
    std::vector<uint8_t> out(kStateHeaderSize);
    Writer writer{out};
    Fields(writer, m);
    const uint32_t length = static_cast<uint32_t>(out.size() - kStateHeaderSize);
    const uint32_t crc = Crc32(out.data() + kStateHeaderSize, length);
    std::memcpy(out.data(), kStateMagic, 4);
    std::memcpy(out.data() + 4, kStateBoard, 4);
    out[8] = static_cast<uint8_t>(kStateVersion);
    out[9] = static_cast<uint8_t>(kStateVersion >> 8);
    out[10] = out[11] = 0;  // reserved
    for (int i = 0; i < 4; ++i) {
        out[12 + i] = static_cast<uint8_t>(length >> (8 * i));
        out[16 + i] = static_cast<uint8_t>(crc >> (8 * i));
    }
    return out;
}

bool LoadMachineState(Machine& m, const uint8_t* bytes, size_t size, std::string& reason) {
    if (size >= 8 && std::memcmp(bytes, kOtherBoardMagic, 8) == 0) {
        reason = "a state of the other program, plover (MPF-1 Plus), not of this board";
        return false;
    }
    if (size < 8 || std::memcmp(bytes, kStateMagic, 4) != 0) {
        reason = "not a kestrel state file";
        return false;
    }
    if (std::memcmp(bytes + 4, kStateBoard, 4) != 0) {
        reason = "not a kestrel state file";
        return false;
    }
    if (size < kStateHeaderSize) {
        reason = "truncated";
        return false;
    }
    const unsigned version = bytes[8] | bytes[9] << 8;
    if (version > kStateVersion) {
        reason = "written by a later version of kestrel (state format " + std::to_string(version) + ")";
        return false;
    }
    const uint32_t length = ReadLong(bytes + 12);
    if (size - kStateHeaderSize < length) {
        reason = "truncated";
        return false;
    }
    if (size - kStateHeaderSize > length) {
        reason = "damaged (bytes after the end)";
        return false;
    }
    if (version == 0 || Crc32(bytes + kStateHeaderSize, length) != ReadLong(bytes + 16)) {
        reason = "damaged (checksum does not match)";
        return false;
    }
    // Read into a copy, so that a refusal leaves the machine as it was.
    auto next = std::make_unique<Machine>(m);
    Reader reader{bytes + kStateHeaderSize, bytes + size};
    Fields(reader, *next);
    const char* implausible = Implausible(*next);
    if (reader.overrun || reader.at != reader.end) {
        reason = "damaged (wrong length for its version)";
        return false;
    }
    if (reader.badFlag || *implausible != '\0') {
        reason = std::string("damaged (impossible ") + (reader.badFlag ? "flag" : implausible) + ")";
        return false;
    }
    next->SpeakerCapturing = m.SpeakerCapturing;
    if (m.SpeakerCapturing) next->Speaker.Start(next->Clock, (next->PortCLatch & 0x80) != 0);
    m = *next;
    RequestRefresh(m);
    return true;
}

}  // namespace kestrel
