// The registers that the debugger's menus name one by one: the breakpoint on
// a register value and the register-load dialog. One table reads and writes
// each of them by its code.
#pragma once

#include <cstdint>

#include "kestrel/debug/machine_record.h"

namespace kestrel {

// In menu order: the ten 8-bit registers, then the seven 16-bit ones.
enum class RegisterCode : uint8_t { A, F, B, C, D, E, H, L, I, R, BC, DE, HL, IX, IY, PC, SP };
inline constexpr int kRegisterCodeCount = 17;
inline constexpr int kByteRegisterCount = 10;  // A to R; BC to SP are words

inline bool IsWordRegister(RegisterCode code) {
    return static_cast<int>(code) >= kByteRegisterCount;
}

// The two-character name as the dialog titles show it: "A " ... "R " (letter
// and a space), "BC" ... "SP".
const char* RegisterName(RegisterCode code);

// The register's value; R is the counter as held, all 8 bits (RBit7 apart).
uint16_t GetRegister(const MachineRecord& m, RegisterCode code);

// Stores `value`: a pair takes the high byte into its first register, an
// 8-bit register the low byte; R sets the counting R only (RBit7 is kept).
void SetRegister(MachineRecord& m, RegisterCode code, uint16_t value);

}  // namespace kestrel
