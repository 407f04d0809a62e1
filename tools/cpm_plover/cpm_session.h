// A minimal CP/M environment on plover's core: the program at 0100h, BDOS
// calls 2 (print E) and 9 (print the $-terminated string at DE) trapped at
// 0005h, the run ends when the program jumps to 0000h. The ROM limit is
// lowered to 0 so the whole 64 KiB is RAM; nothing else of the core differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plover/z80/cpu.h"

namespace cpm_plover {

struct RunTotals {
    uint64_t instructions = 0;
    uint64_t tstates = 0;
    bool finished = false;  // the program jumped to 0000h
};

// Top of the program area, read by programs from the word at 0006h.
inline constexpr uint16_t TopOfMemory = 0xF000;

// Sets up memory and registers for a .COM image; false if it does not fit.
inline bool LoadProgram(const uint8_t* image, size_t size) {
    using namespace plover;
    if (size > TopOfMemory - 0x100u) return false;
    RomLimit = 0;
    std::memset(BoardMemory, 0, sizeof BoardMemory);
    std::memcpy(BoardMemory + 0x100, image, size);
    BoardMemory[0x0000] = 0x76;  // warm boot: the runner stops before it
    BoardMemory[0x0005] = 0xC9;  // BDOS entry: RET after the trap below
    BoardMemory[0x0006] = TopOfMemory & 0xFF;
    BoardMemory[0x0007] = TopOfMemory >> 8;
    ResetProcessor();
    Z80Registers.PC = 0x0100;
    Z80Registers.SP = TopOfMemory;
    return true;
}

// Runs until the program jumps to 0000h or maxInstructions have run. Output
// goes to put(char) for every character the program prints.
template <class Put>
RunTotals Run(Put&& put, uint64_t maxInstructions = UINT64_MAX) {
    using namespace plover;
    RunTotals totals;
    Z80RegisterSet& r = Z80Registers;
    while (totals.instructions < maxInstructions) {
        if (r.PC == 0x0005) {
            if (r.C == 2) {
                put(static_cast<char>(r.DE & 0xFF));
            } else if (r.C == 9) {
                for (uint32_t a = r.DE; BoardMemory[a & 0xFFFF] != '$' && a < r.DE + 0x10000u; ++a)
                    put(static_cast<char>(BoardMemory[a & 0xFFFF]));
            }
        } else if (r.PC == 0x0000) {
            totals.finished = true;
            break;
        }
        ++r.RCounter;  // the opcode fetch, counted by the caller as the main loop does
        totals.tstates += static_cast<uint64_t>(ExecuteStep());
        ++totals.instructions;
    }
    return totals;
}

}  // namespace cpm_plover
