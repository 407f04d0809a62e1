// The program file named on a command line: "prog.hex", "prog.ihx", or
// "prog.bin@1800" for a raw image at a hexadecimal address. Both programs
// take it with their --load option and read it into a Program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "intel_hex/intel_hex.h"

namespace intel_hex {

struct LoadArgument {
    std::string path;
    bool hex = true;       // Intel HEX; otherwise a raw image
    uint16_t address = 0;  // where a raw image goes
};

// A hexadecimal address 0 to FFFF: "1800", "0x1800" or "1800h".
std::optional<uint16_t> ParseAddress(std::string_view text);

// Splits a --load argument. Fails (with a reason in `why`) when the name
// ends neither in .hex/.ihx nor in @ADDR, or ADDR is not an address.
std::optional<LoadArgument> ParseLoadArgument(std::string_view text, std::string& why);

// Reads the named file: a HEX file is parsed, a raw image becomes one block
// at its address. Like a HEX record, an image that runs past FFFFh is
// refused, not wrapped round to 0000h.
ParseResult ReadProgram(const LoadArgument& argument);

}  // namespace intel_hex
