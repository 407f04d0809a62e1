#include "kestrel/debug/breakpoint.h"

namespace kestrel {

void ArmFlagBreak(MachineRecord& m, uint8_t code) {
    if (code > kBreakFlagAny) return;
    m.BreakKind = code;
    m.BreakFlagMask = code == kBreakFlagAny ? 0xFF : static_cast<uint16_t>(0x80 >> code);
    m.BreakValue = static_cast<uint16_t>(m.Cpu.F & m.BreakFlagMask);
    m.BreakArmed = 1;
}

void ArmOpcodeBreak(MachineRecord& m, uint8_t opcode) {
    m.BreakKind = kBreakOpcode;
    m.BreakOpcode = opcode;
    m.BreakArmed = 1;
}

void ArmRegisterBreak(MachineRecord& m, RegisterCode code, uint16_t value) {
    m.BreakKind = RegisterBreakKind(code);
    m.BreakValue = value;
    m.BreakOnChange = 0;
    m.BreakArmed = 1;
}

void ArmRegisterChangeBreak(MachineRecord& m, RegisterCode code) {
    m.BreakKind = RegisterBreakKind(code);
    m.BreakValue = GetRegister(m, code);
    m.BreakOnChange = 1;
    m.BreakArmed = 1;
}

void DisarmBreakpoint(MachineRecord& m) { m.BreakArmed = 0; }

uint16_t BreakRegisterValue(const MachineRecord& m, uint8_t code) {
    return IsRegisterBreakKind(code) ? GetRegister(m, BreakRegister(code)) : 0;
}

std::string BreakRegisterName(uint8_t code) {
    if (!IsRegisterBreakKind(code)) return {};
    return RegisterName(BreakRegister(code));
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
