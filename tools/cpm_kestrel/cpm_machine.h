// A minimal CP/M-80 environment on kestrel's core: the program at 0x0100, a
// BDOS trap at 0x0005 for console output (functions 2 and 9), and the whole
// 64 KiB writable. Used by cpm-kestrel and the core benchmark.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "kestrel/z80/cpu.h"
#include "kestrel/z80/processor.h"

namespace kestrel::cpm {

inline constexpr uint16_t kTpa = 0x0100;
inline constexpr uint16_t kBdos = 0x0005;
inline constexpr uint16_t kStackTop = 0xFE00;  // word at 0x0006: top of the TPA

// Loads a .COM file into a fresh machine set up for CP/M. Returns false (with
// a message in error) when the file cannot be read or does not fit.
inline bool Load(Processor& m, const std::string& path, std::string& error) {
    InitMemoryMap(m);
    // The test set-up differs from the board only here: all of memory is RAM.
    for (auto& e : m.WriteEnableMap) e = 1;
    for (auto& b : m.MemoryImage) b = 0;
    ResetCpu(m);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = "cannot open " + path;
        return false;
    }
    const size_t room = kStackTop - kTpa;
    const size_t n = std::fread(m.MemoryImage + kTpa, 1, room, f);
    const bool tooLong = n == room && std::fgetc(f) != EOF;
    std::fclose(f);
    if (n == 0 || tooLong) {
        error = n == 0 ? path + " is empty" : path + " does not fit below 0xFE00";
        return false;
    }
    m.MemoryImage[0x0000] = 0x76;  // warm boot: never executed, the run stops first
    m.MemoryImage[kBdos] = 0xC9;   // RET: the trap below does the work
    m.MemoryImage[0x0006] = kStackTop & 0xFF;
    m.MemoryImage[0x0007] = kStackTop >> 8;
    m.Cpu.PC = kTpa;
    m.Cpu.SP = kStackTop;
    return true;
}

struct RunResult {
    uint64_t instructions = 0;
    uint64_t tstates = 0;
    bool finished = false;  // jumped to 0x0000
    int lastOutput = '\n';  // last character printed through the BDOS
};

// Console output of BDOS functions 2 (character in E) and 9 (string at DE up
// to '$'). Other functions are ignored.
inline void Bdos(Processor& m, std::FILE* out, RunResult& r) {
    const Z80State& s = m.Cpu;
    if (s.C == 2) {
        std::fputc(s.E, out);
        r.lastOutput = s.E;
    } else if (s.C == 9) {
        uint16_t a = GetDE(s);
        for (unsigned n = 0; n < 65536 && m.MemoryImage[a] != '$'; ++n) {
            std::fputc(m.MemoryImage[a], out);
            r.lastOutput = m.MemoryImage[a];
            a = static_cast<uint16_t>(a + 1);
        }
    }
}

// T-states of one call, from the 16-bit counter's difference. Only LDIR,
// LDDR, CPIR and CPDR can charge 65,536 or more in one call (21 per
// iteration, up to 65,536 iterations); for them the count comes from the
// iterations, which BC tells.
inline uint64_t StepCounted(Processor& m) {
    Z80State& s = m.Cpu;
    const uint16_t before = s.TStates;
    if (m.MemoryImage[s.PC] != 0xED || (m.MemoryImage[static_cast<uint16_t>(s.PC + 1)] & 0xF6) != 0xB0) {
        ExecuteInstruction(m);
        return static_cast<uint16_t>(s.TStates - before);
    }
    const uint16_t bc = GetBC(s);
    ExecuteInstruction(m);
    uint32_t iterations = static_cast<uint16_t>(bc - GetBC(s));  // BC counts down once per iteration
    if (iterations == 0) iterations = 65536;
    return 21ull * iterations;
}

// Runs until the program jumps to 0x0000 or maxInstructions have executed;
// T-states are summed in 64 bits.
inline RunResult Run(Processor& m, std::FILE* out, uint64_t maxInstructions) {
    RunResult r;
    Z80State& s = m.Cpu;
    while (r.instructions < maxInstructions) {
        if ((s.PC | kBdos) == kBdos) {  // PC is 0, 1, 4 or 5
            if (s.PC == 0) {
                r.finished = true;
                break;
            }
            if (s.PC == kBdos) Bdos(m, out, r);
        }
        r.tstates += StepCounted(m);
        ++r.instructions;
    }
    return r;
}

}  // namespace kestrel::cpm
