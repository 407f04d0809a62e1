// The one source of kestrel's instruction semantics (declaration; the body
// follows in this header).
//
// template <class Hooks> void ExecuteWith(MachineRecord& m, Hooks& h)
//   executes exactly one instruction, as ExecuteInstruction does.
//   Hooks must provide:
//     void Fetched(uint8_t byte);   called for every byte of the instruction
//                                   stream (prefixes, opcodes, displacement,
//                                   operands) in memory order, when fetched.
//   Hooks may provide:
//     void Port(MachineRecord& m, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi);
//                                   replaces PortAccess for every IN/OUT byte.
#pragma once

#include <cstdint>

#include "kestrel/board/ppi.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/z80/machine.h"

namespace kestrel {

template <class Hooks>
void ExecuteWith(MachineRecord& m, Hooks& h);

}  // namespace kestrel
