// Intel HEX reading for a 16-bit address space.
//
// A file is a list of text records ":LLAAAATT<data>CC", one a line: LL data
// bytes, load address AAAA, record type TT, checksum CC (the two's complement
// of the sum of all other bytes). Types read here:
//   00 data                       LL bytes at base + AAAA
//   01 end of file                LL = 0; ends the file
//   02 extended segment address   base = 16 * the record's 16-bit value
//   04 extended linear address    base = 65536 * the record's value
// Every byte must land below 0x10000, so 04 is only of use with value 0 and
// 02 with a value that keeps base + offset inside 64 KiB. Blank lines are
// allowed; a carriage return before the line end is ignored.
//
// Parse checks the whole text before anything is written, so a caller can
// refuse a bad file with memory untouched. Parsing allocates; writing the
// parsed bytes does not.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace intel_hex {

// One data record, at its absolute address.
struct Block {
    uint16_t address = 0;
    std::vector<uint8_t> bytes;  // never runs past 0xFFFF
    int line = 0;                // 1-based line of the record
};

// What a good file names: its data records in file order. A later record
// overwrites an earlier one where they overlap.
struct Program {
    std::vector<Block> blocks;

    bool Empty() const;
    // Whether some byte goes to address `address`.
    bool Covers(uint16_t address) const;
    // The lowest address written; 0 for an empty program.
    uint16_t Lowest() const;

    // Calls write(address, value) for every byte, in file order.
    template <class Write>
    void ForEachByte(Write&& write) const {
        for (const Block& block : blocks)
            for (std::size_t i = 0; i < block.bytes.size(); ++i)
                write(static_cast<uint16_t>(block.address + i), block.bytes[i]);
    }
};

// Why a file was refused, and where.
struct Fault {
    int line = 0;         // 1-based; one past the last line for a missing end
    std::string message;  // without the line number

    // "line 3: checksum is 4F, the record sums to 4E"
    std::string Describe() const;
};

struct ParseResult {
    bool ok = false;
    Program program;  // empty unless ok
    Fault fault;      // set unless ok
};

ParseResult Parse(std::string_view text);

// Reads and parses a whole file. A file that cannot be read is a fault at
// line 0 whose message gives the system's reason.
ParseResult ReadFile(const std::string& path);

}  // namespace intel_hex
