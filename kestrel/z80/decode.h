// The opcode fields by which the executor and the disassembler decode:
//   x = bits 7-6, y = bits 5-3, z = bits 2-0, p = y >> 1, q = y & 1
// and the r-codes that y and z name (6 is the memory operand (HL)).
#pragma once

#include <cstdint>

namespace kestrel::decode {

constexpr uint8_t X(uint8_t op) { return op >> 6; }
constexpr uint8_t Y(uint8_t op) { return (op >> 3) & 7; }
constexpr uint8_t Z(uint8_t op) { return op & 7; }
constexpr uint8_t P(uint8_t op) { return (op >> 4) & 3; }
constexpr uint8_t Q(uint8_t op) { return (op >> 3) & 1; }

// r table: B C D E H L (HL) A.
enum : uint8_t { kB = 0, kC = 1, kD = 2, kE = 3, kH = 4, kL = 5, kMem = 6, kA = 7 };

}  // namespace kestrel::decode
