// The lines of the debugger's code view: the disassembly around PC, with the
// labels of the symbols on lines of their own and names in operands.
//
// Lines before PC are found by decoding forward. Z80 code is not decodable
// backwards, so the view tries start points from 64 bytes before PC on and
// takes the first whose decoding lands exactly on PC: a symbol in that
// window first (code usually starts at a label), otherwise the earliest byte
// that does. A wrong start resynchronises within a few instructions, so the
// lines nearest PC are right; the view records nothing while the program
// runs, so the plain run loop pays nothing for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

struct MachineRecord;
class SymbolTable;

struct CodeLine {
    bool Label = false;      // a symbol's own line ("fill:"); Address is its value
    uint16_t Address = 0;
    std::string Text;        // "1811  3E3C      LD A,3Ch" or "fill:"
};

// About `before` instructions before PC and `after` from PC on (the one at PC
// included), numbers in NumberBase, operands named by `symbols` when given.
std::vector<CodeLine> CodeViewLines(const MachineRecord& m, const SymbolTable* symbols, int before,
                                    int after);

}  // namespace kestrel
