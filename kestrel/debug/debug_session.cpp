#include "kestrel/debug/debug_session.h"

#include "kestrel/debug/breakpoint.h"
#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/trace.h"

namespace kestrel {

void BeginDebugSession(MachineRecord& m) {
    EndDebugSession(m);
    DisarmBreakpoint(m);
    DisarmOneTimeStop(m);  // a program stopped by hand forgets its step over/out or run to
}

void EndDebugSession(MachineRecord& m) {
    ZeroTStates(m);
    m.StepTStateTotal = 0;
}

void DebugStep(MachineRecord& m) {
    ZeroTStates(m);
    TracedStep(m);
    m.StepTStateTotal = (m.StepTStateTotal + m.Cpu.TStates) % kStepTotalModulus;
}

void ClearStepTotal(MachineRecord& m) { m.StepTStateTotal = 0; }

void ToggleNumberBase(MachineRecord& m) { m.NumberBase ^= kBaseHex; }

void ForceInterruptMode(MachineRecord& m, uint8_t mode) { m.Cpu.IM = mode; }

void ForceInterruptState(MachineRecord& m, bool enabled) {
    if (enabled) {
        m.Cpu.IFF = 4;  // as an EI instruction leaves it
        m.Cpu.EiPending = true;
    } else {
        m.Cpu.IFF = 0;
    }
}

bool PokeMemory(MachineRecord& m, uint16_t address, uint8_t value) {
    if (RomWriteProtected(m, address)) return false;
    m.MemoryImage[address] = value;
    return true;
}

}  // namespace kestrel
