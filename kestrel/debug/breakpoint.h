// The single breakpoint of the debugger.
//
// Six members of the record describe it: BreakArmed, BreakKind, BreakValue,
// BreakFlagMask, BreakOnChange and BreakOpcode. The run loop tests it after
// every instruction it executes while BreakArmed is set; a hit disarms it, so
// a breakpoint never fires twice.
//
// BreakKind codes:
//    0-7   one flag of F: 0x80 >> code (S Z 5 H 3 P N C)
//    8     any bit of F
//   18     the opcode byte at PC
//   19-28  8-bit register A F B C D E H L I R
//   29-35  16-bit register BC DE HL IX IY PC SP
#pragma once

#include <cstdint>
#include <string>

#include "kestrel/debug/registers.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

inline constexpr uint8_t kBreakFlagAny = 8;
inline constexpr uint8_t kBreakOpcode = 18;
inline constexpr uint8_t kBreakFirst8Bit = 19;   // A: the kinds 19-35 follow RegisterCode
inline constexpr uint8_t kBreakLast8Bit = 28;    // R
inline constexpr uint8_t kBreakFirst16Bit = 29;  // BC
inline constexpr uint8_t kBreakLast16Bit = 35;   // SP
static_assert(kBreakLast16Bit - kBreakFirst8Bit + 1 == kRegisterCodeCount);
static_assert(kBreakFirst16Bit - kBreakFirst8Bit == kByteRegisterCount);

inline bool IsRegisterBreakKind(uint8_t code) {
    return code >= kBreakFirst8Bit && code <= kBreakLast16Bit;
}
inline bool Is16BitBreakKind(uint8_t code) {
    return code >= kBreakFirst16Bit && code <= kBreakLast16Bit;
}

// The register that kind 19-35 watches (call only for register kinds), and
// the kind that watches a register.
inline RegisterCode BreakRegister(uint8_t kind) {
    return static_cast<RegisterCode>(kind - kBreakFirst8Bit);
}
inline uint8_t RegisterBreakKind(RegisterCode code) {
    return static_cast<uint8_t>(kBreakFirst8Bit + static_cast<int>(code));
}

// --- arming and disarming: the debugger's menus and dialogs call these ---

// "Flag..." choices, codes 0-8: watches the chosen bits of F from their state
// now and arms the breakpoint. Other codes are ignored.
void ArmFlagBreak(MachineRecord& m, uint8_t code);

// Hit when the opcode byte at PC is `opcode`.
void ArmOpcodeBreak(MachineRecord& m, uint8_t opcode);

// Hit when the register equals `value` ("SET").
void ArmRegisterBreak(MachineRecord& m, RegisterCode code, uint16_t value);

// Hit when the register differs from its value now ("CHANGE").
void ArmRegisterChangeBreak(MachineRecord& m, RegisterCode code);

// No breakpoint is tested until the next one is armed.
void DisarmBreakpoint(MachineRecord& m);

// The current value of the register that code 19-35 names (0 for other codes).
// R is the counter as held, all 8 bits.
uint16_t BreakRegisterValue(const MachineRecord& m, uint8_t code);

// The 2-character register name of code 19-35 as the dialog title shows it:
// "A " ... "R " (trailing space), "BC" ... "SP". Empty for other codes.
std::string BreakRegisterName(uint8_t code);

// Called after an instruction of the run loop while BreakArmed is set.
// Returns whether the breakpoint hit; on a hit it is disarmed (and a CHANGE
// mode is cleared). Unknown kinds never hit.
bool TestBreakpoint(MachineRecord& m);

}  // namespace kestrel
