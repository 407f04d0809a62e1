// What the debugger's window and tools do to the machine, as named calls: the
// window's buttons and menus call these and never write the record's fields
// themselves. Breakpoints are armed through kestrel/debug/breakpoint.h and
// registers set through kestrel/debug/registers.h.
#pragma once

#include <cstdint>

#include "kestrel/debug/machine_record.h"

namespace kestrel {

// StepTStateTotal is kept modulo this (0xFFFFF).
inline constexpr uint32_t kStepTotalModulus = 1048575;

// Opening the debugger: TStates and StepTStateTotal become 0, the
// breakpoint and any one-time stop are disarmed. The breakpoint list stays.
void BeginDebugSession(MachineRecord& m);

// Leaving the debugger: TStates and StepTStateTotal become 0.
void EndDebugSession(MachineRecord& m);

// STEP: one traced instruction from TStates 0; its T-states are added to
// StepTStateTotal. The texts of the step are in AddressText, ByteText and
// InstructionText.
void DebugStep(MachineRecord& m);

// CLEAR: StepTStateTotal becomes 0.
void ClearStepTotal(MachineRecord& m);

// BASE: NumberBase switches between decimal and hexadecimal.
void ToggleNumberBase(MachineRecord& m);

// "Force Mode": IM becomes `mode` (0, 1 or 2).
void ForceInterruptMode(MachineRecord& m, uint8_t mode);

// "Force State": disabling clears IFF and leaves EiPending as it is; enabling
// sets IFF as an EI instruction does, with EiPending.
void ForceInterruptState(MachineRecord& m, bool enabled);

// The poke dialog's write: straight into MemoryImage, past the
// WriteEnableMap, so it can change the ROM while "Write Protect ROM" is not
// checked. While it is, an address in the ROM is refused: nothing is written
// and false is returned.
bool PokeMemory(MachineRecord& m, uint16_t address, uint8_t value);

}  // namespace kestrel
