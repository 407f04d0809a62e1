// The CP/M runner's adapter for plover's core (see cpm_runner.h). The core's
// state is global; the ROM limit is lowered to 0 so the whole 64 KiB is RAM,
// nothing else of the core differs.
#pragma once

#include <cstdint>

#include "plover/z80/cpu.h"

namespace z80test {

class PloverCpm {
public:
    uint8_t* Memory() { return plover::BoardMemory; }
    uint16_t PC() const { return plover::Z80Registers.PC; }
    uint8_t C() const { return plover::Z80Registers.C; }
    uint16_t DE() const { return plover::Z80Registers.DE; }

    void Reset(uint16_t pc, uint16_t sp) {
        plover::RomLimit = 0;
        plover::ResetProcessor();
        plover::Z80Registers.PC = pc;
        plover::Z80Registers.SP = sp;
    }

    // The opcode fetch's R count belongs to the caller, as in the main loop.
    uint64_t Step() {
        ++plover::Z80Registers.RCounter;
        return static_cast<uint64_t>(plover::ExecuteStep());
    }
};

}  // namespace z80test
