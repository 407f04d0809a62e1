#include "kestrel/debug/code_lines.h"

#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/symbols.h"

namespace kestrel {
namespace {

constexpr int kLookBack = 64;

struct Decoded {
    int Length = 0;
    uint8_t Bytes[kMaxInstructionBytes] = {};
    char Text[kTextSize] = {};
};

Decoded Decode(const MachineRecord& m, uint16_t address) {
    Decoded d;
    for (int i = 0; i < kMaxInstructionBytes; ++i) d.Bytes[i] = m.MemoryImage[static_cast<uint16_t>(address + i)];
    d.Length = DecodeInstruction(d.Bytes, address, m.NumberBase, TextVariant::Listing, d.Text);
    return d;
}

// The instruction addresses from `start` up to PC, or empty when decoding
// from `start` steps over PC.
std::vector<uint16_t> WalkTo(const MachineRecord& m, uint16_t start, uint16_t pc) {
    std::vector<uint16_t> addresses;
    uint16_t a = start;
    for (int guard = 0; guard <= kLookBack && a != pc; ++guard) {
        addresses.push_back(a);
        const uint16_t next = static_cast<uint16_t>(a + Decode(m, a).Length);
        if (static_cast<uint16_t>(pc - next) > static_cast<uint16_t>(pc - a)) return {};
        a = next;
    }
    if (a != pc) return {};
    return addresses;
}

std::vector<uint16_t> AddressesBefore(const MachineRecord& m, const SymbolTable* symbols, uint16_t pc) {
    std::vector<uint16_t> best;
    bool found = false;
    if (symbols != nullptr) {
        for (int back = kLookBack; back > 0 && !found; --back) {
            const uint16_t start = static_cast<uint16_t>(pc - back);
            if (symbols->NameAt(start) == nullptr) continue;
            best = WalkTo(m, start, pc);
            found = !best.empty();
        }
    }
    for (int back = kLookBack; back > 0 && !found; --back) {
        best = WalkTo(m, static_cast<uint16_t>(pc - back), pc);
        found = !best.empty();
    }
    return best;
}

void AddInstruction(const MachineRecord& m, const SymbolTable* symbols, uint16_t a, std::vector<CodeLine>& out) {
    if (symbols != nullptr) {
        if (const std::string* name = symbols->NameAt(a)) out.push_back(CodeLine{true, a, *name + ":"});
    }
    const Decoded d = Decode(m, a);
    char bytes[2 * kMaxInstructionBytes + 1];
    FormatByteText(bytes, d.Bytes, d.Length);
    std::string text = NumberText(a, NumberWidth::Word, m.NumberBase) + "  " + bytes;
    text.resize(text.size() + 2 * kMaxInstructionBytes + 2 - std::string(bytes).size(), ' ');
    text += symbols != nullptr ? SymbolizeOperands(d.Text, *symbols, m.NumberBase) : std::string(d.Text);
    out.push_back(CodeLine{false, a, text});
}

}  // namespace

std::vector<CodeLine> CodeViewLines(const MachineRecord& m, const SymbolTable* symbols, int before, int after) {
    const uint16_t pc = m.Cpu.PC;
    std::vector<uint16_t> earlier = AddressesBefore(m, symbols, pc);
    if (static_cast<int>(earlier.size()) > before) earlier.erase(earlier.begin(), earlier.end() - before);
    std::vector<CodeLine> lines;
    for (uint16_t a : earlier) AddInstruction(m, symbols, a, lines);
    uint16_t a = pc;
    for (int i = 0; i < after; ++i) {
        AddInstruction(m, symbols, a, lines);
        a = static_cast<uint16_t>(a + Decode(m, a).Length);
    }
    return lines;
}

}  // namespace kestrel
