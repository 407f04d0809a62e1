// Board set-up, resets and the NMI.
#include "kestrel/board/board.h"

#include <cstring>

#include "kestrel/board/display.h"
#include "kestrel/board/ppi.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

// The monitor expects this RAM byte to read 0xFF after power-on.
constexpr uint16_t kPowerOnFlagAddress = 0x1FE5;

// The processor's port seam: every Board leads it to its PPI.
void BoardPorts(Processor& p, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi) {
    PortAccess(static_cast<Board&>(p), read, write, lo, hi);
}

// xorshift32: uniform enough for filling RAM with noise.
uint8_t NextRandomByte(Board& m) {
    uint32_t x = m.RandomState != 0 ? m.RandomState : 0x2545F491u;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m.RandomState = x;
    return static_cast<uint8_t>(x >> 24);
}

}  // namespace

Board::Board() : Processor() { Ports = &BoardPorts; }

void InitBoard(Board& m) {
    InitMemoryMap(m);
    std::memset(m.KeyColumns, 0xFF, sizeof m.KeyColumns);
    PlaceDigits(m);
}

void ResetBoard(Board& m, bool hard) {
    ResetCpu(m);
    m.StepTStateTotal = 0;
    m.PpiControl = 0;
    m.PortBLatch = 0;
    m.PortCLatch = 0;
    std::memset(m.DigitSegments, 0, sizeof m.DigitSegments);
    RequestRefresh(m);
    if (hard) {
        // Power-on RAM holds noise.
        for (unsigned a = kRamStart; a <= kRamEnd; ++a) m.MemoryImage[a] = NextRandomByte(m);
        m.MemoryImage[kPowerOnFlagAddress] = 0xFF;
    }
}

void EnterNmi(Board& m) {
    TakeNmi(m);
    std::memset(m.DigitSegments, 0, sizeof m.DigitSegments);
}

}  // namespace kestrel
