// The machine's set-up, resets, the NMI and its clock outside RunFor.
#include "kestrel/board/machine.h"

#include <cstring>

#include "kestrel/board/display.h"
#include "kestrel/board/ppi.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

// The monitor expects this RAM byte to read 0xFF after power-on.
constexpr uint16_t kPowerOnFlagAddress = 0x1FE5;

// The processor's port seam: every Machine leads it to its PPI.
void BoardPorts(Processor& p, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi) {
    PortAccess(static_cast<Machine&>(p), read, write, lo, hi);
}

// xorshift32: uniform enough for filling RAM with noise.
uint8_t NextRandomByte(Machine& m) {
    uint32_t x = m.RandomState != 0 ? m.RandomState : 0x2545F491u;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m.RandomState = x;
    return static_cast<uint8_t>(x >> 24);
}

}  // namespace

Machine::Machine() : Processor() { Ports = &BoardPorts; }

void InitMachine(Machine& m, uint32_t randomSeed) {
    InitMemoryMap(m);
    std::memset(m.KeyColumns, 0xFF, sizeof m.KeyColumns);
    PlaceDigits(m);
    m.RandomState = randomSeed;
}

void ResetBoard(Machine& m, bool hard) {
    SyncClock(m);
    ResetCpu(m);
    m.ClockMark = m.Cpu.TStates;  // the processor's counter restarts; the clock does not
    if (m.ResetObserver != nullptr) m.ResetObserver(m);
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

void EnterNmi(Machine& m) {
    TakeNmi(m);
    std::memset(m.DigitSegments, 0, sizeof m.DigitSegments);
}

void StepInstruction(Machine& m) {
    ExecuteInstruction(m);
    SyncClock(m);
}

void ZeroTStates(Machine& m) {
    SyncClock(m);
    m.Cpu.TStates = 0;
    m.ClockMark = 0;
}

void WaitHalted(Machine& m, uint64_t tstates) {
    SyncClock(m);
    m.Clock += tstates;
}

void SetSpeakerCapture(Machine& m, bool on) {
    SyncClock(m);
    if (on && !m.SpeakerCapturing) m.Speaker.Start(m.Clock, (m.PortCLatch & 0x80) != 0);
    m.SpeakerCapturing = on;
}

}  // namespace kestrel
