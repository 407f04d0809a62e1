// Number texts of the debugging tools.
//
// One helper for every number the debugger, the dumps, the disassembler and
// the trace show: in hexadecimal as upper-case digits with leading zeros and
// an "h" suffix (2 digits for a byte, 4 for a word), in decimal with leading
// zeros to 3 digits for a byte and 5 for a word. NumberBase of the record
// selects the base: 0 decimal, 1 hexadecimal.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

inline constexpr uint8_t kBaseDecimal = 0;
inline constexpr uint8_t kBaseHex = 1;

enum class NumberWidth : uint8_t { Byte, Word };

// Writes the text at out (no terminator) and returns the number of characters
// written: 3 or 5 in decimal, 3 or 5 in hexadecimal ("05h", "1234h").
// Allocation-free; out needs room for 5 characters.
int FormatNumber(char* out, uint16_t value, NumberWidth width, uint8_t base);

// The same text as a string, for the widgets.
std::string NumberText(uint16_t value, NumberWidth width, uint8_t base);

// Upper-case hexadecimal digits with leading zeros and no suffix, as the
// trace line's register fields and the address column use them. Inline: the
// trace line calls it for every register of every traced instruction.
inline void HexDigits(char* out, uint16_t value, int digits) {
    constexpr char kHexDigit[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kHexDigit[value & 0xF];
        value = static_cast<uint16_t>(value >> 4);
    }
}

}  // namespace kestrel
