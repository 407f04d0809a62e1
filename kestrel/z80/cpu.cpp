// The plain instruction step, interrupt entries and resets.
#include "kestrel/z80/cpu.h"

#include <cstring>

#include "kestrel/board/ppi.h"
#include "kestrel/z80/execute_impl.h"

namespace kestrel {
namespace {

// The plain step records nothing.
struct NoHooks {
    KESTREL_INLINE void Fetched(uint8_t) {}
};

// Leaves a HALT: the return address becomes the instruction after it.
void LeaveHalt(Z80State& s) {
    if (s.Halted) {
        s.Halted = false;
        s.PC = static_cast<uint16_t>(s.PC + 1);
    }
}

// xorshift32: uniform enough for filling RAM with noise.
uint8_t NextRandomByte(MachineRecord& m) {
    uint32_t x = m.RandomState != 0 ? m.RandomState : 0x2545F491u;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m.RandomState = x;
    return static_cast<uint8_t>(x >> 24);
}

}  // namespace

void ExecuteInstruction(MachineRecord& m) {
    NoHooks hooks;
    ExecuteWith(m, hooks);
}

bool AcceptInterrupt(MachineRecord& m) {
    Z80State& s = m.Cpu;
    if (s.IFF == 0 || s.EiPending) return false;  // refused requests are lost
    LeaveHalt(s);
    PushWord(m, s.PC);
    // Mode 2 reads its vector at I*256+0xFF (the data bus reads 0xFF);
    // modes 0 and 1 both enter at 0x0038. IFF stays set, no T-states.
    s.PC = s.IM == 2 ? ReadWord(m, static_cast<uint16_t>(s.I << 8 | 0xFF)) : 0x0038;
    return true;
}

void EnterNmi(MachineRecord& m) {
    Z80State& s = m.Cpu;
    LeaveHalt(s);
    PushWord(m, s.PC);
    s.PC = 0x0066;
    std::memset(m.DigitSegments, 0, sizeof m.DigitSegments);
}

void ResetCpu(MachineRecord& m) {
    Z80State& s = m.Cpu;
    s.A = s.F = s.B = s.C = s.D = s.E = s.H = s.L = 0;
    s.AltA = s.AltF = s.AltB = s.AltC = s.AltD = s.AltE = s.AltH = s.AltL = 0;
    s.IX = s.IY = 0;
    s.I = s.R = s.RBit7 = 0;
    s.PC = s.SP = s.MEMPTR = 0;
    s.IFF = 0;
    s.IM = 0;
    s.Halted = false;
    s.EiPending = false;
    s.TStates = 0;
}

void ResetBoard(MachineRecord& m, bool hard) {
    ResetCpu(m);
    m.StepTStateTotal = 0;
    m.PpiControl = 0;
    m.PortBLatch = 0;
    m.PortCLatch = 0;
    std::memset(m.DigitSegments, 0, sizeof m.DigitSegments);
    RequestRefresh(m);
    if (hard) {
        // Power-on RAM holds noise; the monitor expects 0xFF at 0x1FE5.
        for (unsigned a = 0x1800; a <= 0x1FFF; ++a) m.MemoryImage[a] = NextRandomByte(m);
        m.MemoryImage[0x1FE5] = 0xFF;
    }
}

void InitMemoryMap(MachineRecord& m) {
    std::memset(m.MemoryImage, 0xFF, sizeof m.MemoryImage);
    std::memset(m.WriteEnableMap, 0, sizeof m.WriteEnableMap);
    std::memset(m.WriteEnableMap + 0x1800, 1, 0x800);
    static constexpr uint8_t kDigitX[6] = {226, 188, 140, 102, 64, 26};
    std::memcpy(m.DigitX, kDigitX, sizeof kDigitX);
    std::memset(m.KeyColumns, 0xFF, sizeof m.KeyColumns);
}

}  // namespace kestrel
