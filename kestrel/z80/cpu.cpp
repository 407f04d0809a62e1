// The plain instruction step, interrupt entries, the processor reset and the
// memory map.
#include "kestrel/z80/cpu.h"

#include <cstring>

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

}  // namespace

void ExecuteInstruction(Processor& m) {
    NoHooks hooks;
    ExecuteWith(m, hooks);
}

bool AcceptInterrupt(Processor& m) {
    Z80State& s = m.Cpu;
    if (s.IFF == 0 || s.EiPending) return false;  // refused requests are lost
    LeaveHalt(s);
    PushWord(m, s.PC);
    // Mode 2 reads its vector at I*256+0xFF (the data bus reads 0xFF);
    // modes 0 and 1 both enter at 0x0038. IFF stays set, no T-states.
    s.PC = s.IM == 2 ? ReadWord(m, static_cast<uint16_t>(s.I << 8 | 0xFF)) : 0x0038;
    return true;
}

void TakeNmi(Processor& m) {
    Z80State& s = m.Cpu;
    LeaveHalt(s);
    PushWord(m, s.PC);
    s.PC = 0x0066;
}

void ResetCpu(Processor& m) {
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

void InitMemoryMap(Processor& m) {
    std::memset(m.MemoryImage, 0xFF, sizeof m.MemoryImage);
    std::memset(m.WriteEnableMap, 0, sizeof m.WriteEnableMap);
    std::memset(m.WriteEnableMap + kRamStart, 1, kRamSize);
}

}  // namespace kestrel
