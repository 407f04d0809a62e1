#include "kestrel/debug/breakpoint.h"

#include "kestrel/debug/number_format.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

namespace {
// Names of codes 19-35, two characters each.
constexpr char kRegisterNames[] = "A F B C D E H L I R BCDEHLIXIYPCSP";
}  // namespace

void ArmFlagBreak(MachineRecord& m, uint8_t code) {
    if (code > kBreakFlagAny) return;
    m.BreakKind = code;
    m.BreakFlagMask = code == kBreakFlagAny ? 0xFF : static_cast<uint16_t>(0x80 >> code);
    m.BreakValue = static_cast<uint16_t>(m.Cpu.F & m.BreakFlagMask);
    m.BreakArmed = 1;
}

uint16_t BreakRegisterValue(const MachineRecord& m, uint8_t code) {
    const Z80State& s = m.Cpu;
    switch (code) {
    case 19: return s.A;
    case 20: return s.F;
    case 21: return s.B;
    case 22: return s.C;
    case 23: return s.D;
    case 24: return s.E;
    case 25: return s.H;
    case 26: return s.L;
    case 27: return s.I;
    case 28: return s.R;
    case 29: return GetBC(s);
    case 30: return GetDE(s);
    case 31: return GetHL(s);
    case 32: return s.IX;
    case 33: return s.IY;
    case 34: return s.PC;
    case 35: return s.SP;
    default: return 0;
    }
}

std::string BreakRegisterName(uint8_t code) {
    if (!IsRegisterBreakKind(code)) return {};
    return std::string(kRegisterNames + 2 * (code - kBreakFirst8Bit), 2);
}

std::string BreakpointWatchText(const MachineRecord& m) {
    static constexpr char kFlagNames[] = "SZ5H3PNC";
    const uint8_t kind = m.BreakKind;
    if (kind < kBreakFlagAny) return std::string("flag ") + kFlagNames[kind];
    if (kind == kBreakFlagAny) return "any flag";
    if (kind == kBreakOpcode) return "opcode " + NumberText(m.BreakOpcode, NumberWidth::Byte, m.NumberBase);
    if (!IsRegisterBreakKind(kind)) return {};
    std::string name = BreakRegisterName(kind);
    if (name.back() == ' ') name.pop_back();
    const NumberWidth width = Is16BitBreakKind(kind) ? NumberWidth::Word : NumberWidth::Byte;
    return "register " + name + " = " + NumberText(BreakRegisterValue(m, kind), width, m.NumberBase);
}

bool TestBreakpoint(MachineRecord& m) {
    bool hit = false;
    const uint8_t kind = m.BreakKind;
    if (kind <= kBreakFlagAny) {
        hit = (m.Cpu.F & m.BreakFlagMask) != m.BreakValue;
    } else if (kind == kBreakOpcode) {
        hit = m.MemoryImage[m.Cpu.PC] == m.BreakOpcode;
    } else if (IsRegisterBreakKind(kind)) {
        bool equal = BreakRegisterValue(m, kind) == m.BreakValue;
        hit = m.BreakOnChange ? !equal : equal;
    }
    if (hit) {
        m.BreakArmed = 0;
        m.BreakOnChange = 0;
    }
    return hit;
}

}  // namespace kestrel
