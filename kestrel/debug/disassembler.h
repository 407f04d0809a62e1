// Z80 disassembler of the debugging tools.
//
// Decodes one instruction by the opcode fields of kestrel/z80/decode.h,
// x (bits 7-6), y (bits 5-3), z (bits 2-0), p = y >> 1 and q = y & 1, with
// the eight operand tables alu, cc, im, r, rp, rp2, rot and bli, into three
// texts:
//   AddressText      "06144 1800  " - the address in decimal and in hex, 12 characters
//   ByteText         "DDCB0546"     - every byte consumed, in memory order
//   InstructionText  "SET 0,(IX+05h),B" - numbers in the base NumberBase selects
//
// Doubled index prefixes (DD DD, FD DD, FD FD, DD FD FD, DD FD DD) are consumed
// together, up to and including the second prefix of the same kind, and execute
// as nothing. They are written as data, "DB " and the bytes in the current
// base separated by commas ("DB DDh,DDh" or "DB 221,221"), so that a listing
// assembles back to the same bytes.
#pragma once

#include <cstdint>

#include "kestrel/debug/machine_record.h"

namespace kestrel {

// Longest instruction: DD FD CB d op, DD FD 21 nn nn, DD 36 d n plus a prefix.
inline constexpr int kMaxInstructionBytes = 5;

// The two places where the traced text differs from the listing text:
// ED 70 traces as "IN ,(C)" and ED 71 as "OUT (C),".
enum class TextVariant : uint8_t { Listing, Traced };

// Builds the mnemonic tables from their one packed sequence of NUL-terminated
// strings. Called once at start-up; calling it again is harmless.
void FillMnemonicTables();

// Decodes the instruction whose bytes start at bytes[0] (at least
// kMaxInstructionBytes of them readable) and that stands at address (for the
// targets of relative jumps). Writes the NUL-terminated mnemonic into text
// (kTextSize bytes) and returns the number of bytes consumed, 1 to 5.
int DecodeInstruction(const uint8_t* bytes, uint16_t address, uint8_t base,
                      TextVariant variant, char* text);

// "06144 1800  " for 0x1800, NUL-terminated (13 bytes).
void FormatAddressText(char* out, uint16_t address);

// Writes count bytes as upper-case hex pairs, NUL-terminated.
void FormatByteText(char* out, const uint8_t* bytes, int count);

// The three texts of one disassembled instruction, and where the next begins.
struct Disassembly {
    char Address[kTextSize];      // AddressText's form
    char Bytes[kTextSize];        // ByteText's form
    char Instruction[kTextSize];  // InstructionText's form
    uint16_t Next;
};

// Disassembles the instruction at `address` of the memory (wrapping past
// 0xFFFF) with numbers in `base`. Reads memory only.
Disassembly Disassemble(const Processor& m, uint8_t base, uint16_t address);

// Disassemble in the base of m.NumberBase, with the texts kept in
// m.AddressText, m.ByteText and m.InstructionText; returns the address of the
// next instruction. No register changes.
uint16_t DisassembleInstruction(MachineRecord& m, uint16_t address);

}  // namespace kestrel
