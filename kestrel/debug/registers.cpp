#include "kestrel/debug/registers.h"

#include "kestrel/z80/cpu.h"

namespace kestrel {

namespace {

struct RegisterAccess {
    const char* Name;
    uint16_t (*Get)(const Z80State&);
    void (*Set)(Z80State&, uint16_t);
};

constexpr uint8_t Low(uint16_t v) { return static_cast<uint8_t>(v); }

// Indexed by RegisterCode.
constexpr RegisterAccess kRegisters[kRegisterCodeCount] = {
    {"A ", [](const Z80State& s) -> uint16_t { return s.A; }, [](Z80State& s, uint16_t v) { s.A = Low(v); }},
    {"F ", [](const Z80State& s) -> uint16_t { return s.F; }, [](Z80State& s, uint16_t v) { s.F = Low(v); }},
    {"B ", [](const Z80State& s) -> uint16_t { return s.B; }, [](Z80State& s, uint16_t v) { s.B = Low(v); }},
    {"C ", [](const Z80State& s) -> uint16_t { return s.C; }, [](Z80State& s, uint16_t v) { s.C = Low(v); }},
    {"D ", [](const Z80State& s) -> uint16_t { return s.D; }, [](Z80State& s, uint16_t v) { s.D = Low(v); }},
    {"E ", [](const Z80State& s) -> uint16_t { return s.E; }, [](Z80State& s, uint16_t v) { s.E = Low(v); }},
    {"H ", [](const Z80State& s) -> uint16_t { return s.H; }, [](Z80State& s, uint16_t v) { s.H = Low(v); }},
    {"L ", [](const Z80State& s) -> uint16_t { return s.L; }, [](Z80State& s, uint16_t v) { s.L = Low(v); }},
    {"I ", [](const Z80State& s) -> uint16_t { return s.I; }, [](Z80State& s, uint16_t v) { s.I = Low(v); }},
    {"R ", [](const Z80State& s) -> uint16_t { return s.R; }, [](Z80State& s, uint16_t v) { s.R = Low(v); }},
    {"BC", [](const Z80State& s) { return GetBC(s); }, [](Z80State& s, uint16_t v) { SetBC(s, v); }},
    {"DE", [](const Z80State& s) { return GetDE(s); }, [](Z80State& s, uint16_t v) { SetDE(s, v); }},
    {"HL", [](const Z80State& s) { return GetHL(s); }, [](Z80State& s, uint16_t v) { SetHL(s, v); }},
    {"IX", [](const Z80State& s) { return s.IX; }, [](Z80State& s, uint16_t v) { s.IX = v; }},
    {"IY", [](const Z80State& s) { return s.IY; }, [](Z80State& s, uint16_t v) { s.IY = v; }},
    {"PC", [](const Z80State& s) { return s.PC; }, [](Z80State& s, uint16_t v) { s.PC = v; }},
    {"SP", [](const Z80State& s) { return s.SP; }, [](Z80State& s, uint16_t v) { s.SP = v; }},
};

const RegisterAccess& Entry(RegisterCode code) { return kRegisters[static_cast<int>(code)]; }

}  // namespace

const char* RegisterName(RegisterCode code) { return Entry(code).Name; }

uint16_t GetRegister(const MachineRecord& m, RegisterCode code) { return Entry(code).Get(m.Cpu); }

void SetRegister(MachineRecord& m, RegisterCode code, uint16_t value) { Entry(code).Set(m.Cpu, value); }

}  // namespace kestrel
