// Symbols of the program being debugged, read from an assembler's symbol
// file, and addresses typed as numbers or as symbol names.
//
// Both Debian assemblers write one symbol a line, NAME EQU VALUE:
//   pasmo prog.asm prog.bin prog.sym    loop		EQU 01803H
//   z80asm -L prog.sym prog.asm         loop:	equ $1803
// The reader takes either form (the colon optional, EQU in any case, the
// value as the number fields read it), skips empty lines and ";" comments,
// and refuses a whole file at the first line it cannot read, naming it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "kestrel/debug/number_input.h"

namespace kestrel {

class SymbolTable {
public:
    bool Empty() const { return byName_.empty(); }
    size_t Size() const { return byName_.size(); }
    // A later definition of a name replaces the earlier one.
    void Add(const std::string& name, uint16_t value);
    // The value of `name` (exact spelling), or false.
    bool Find(std::string_view name, uint16_t& value) const;
    // The name shown for `value` (of several, the first in name order), or null.
    const std::string* NameAt(uint16_t value) const;
    // The highest symbol value at or below `address`; false when none is.
    bool NearestAtOrBelow(uint16_t address, uint16_t& value) const;
    const std::map<std::string, uint16_t, std::less<>>& ByName() const { return byName_; }

private:
    std::map<std::string, uint16_t, std::less<>> byName_;
    std::map<uint16_t, std::string> byValue_;
};

struct SymbolLoad {
    bool Ok = false;
    SymbolTable Table;
    std::string Error;  // unless Ok: "line 3: ..." or why the file could not be read
};

SymbolLoad ParseSymbolText(std::string_view text);
SymbolLoad ReadSymbolFile(const std::string& path);

// An address as the new windows read it: a number as ParseNumberInput reads
// it (so "addh" or "$beef" are numbers even when a symbol has that name),
// otherwise a symbol's name. `symbols` may be null.
NumberInput ParseAddressInput(std::string_view text, const SymbolTable* symbols);

// `text` (a disassembled instruction in `base`) with every word operand that
// a symbol names replaced by the name: "CALL 1820h" -> "CALL sub1". Byte
// operands and displacements stay numbers.
std::string SymbolizeOperands(std::string_view text, const SymbolTable& symbols, uint8_t base);
// The same into out (size bytes with the terminator, the text cut to fit);
// returns its length. Allocation-free.
int SymbolizeInto(std::string_view text, const SymbolTable& symbols, uint8_t base, char* out, int size);

struct MachineRecord;
// "Show symbols": while m.ShowSymbols is set and m has symbols, the
// instruction text (kTextSize bytes) names its word operands by symbol, as
// the debugger's listing, "debug.lst" and "dis.asm" then show them.
void SymbolizeInPlace(const MachineRecord& m, char* text);

}  // namespace kestrel
