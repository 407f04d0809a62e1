// A minimal CP/M-80 environment for any Z80 core: the program at 0100h, the
// whole 64 KiB writable, BDOS console output (functions 2 and 9) trapped at
// 0005h, and the run ends when the program jumps to 0000h (warm boot).
//
// The runner knows no core. It drives a small adapter, one per core:
//   uint8_t* Memory();                     the 64 KiB the program sees
//   void Reset(uint16_t pc, uint16_t sp);  processor reset, all memory RAM, then PC and SP
//   uint16_t PC(); uint8_t C(); uint16_t DE();
//   uint64_t Step();                       one instruction; returns its T-states
// Used by cpm-kestrel, cpm-plover, the core benchmarks and the lockstep test.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace z80test::cpm {

inline constexpr uint16_t kWarmBoot = 0x0000;
inline constexpr uint16_t kBdos = 0x0005;
inline constexpr uint16_t kTpa = 0x0100;
inline constexpr uint16_t kTopOfMemory = 0xFE00;  // the word at 0006h; also the stack top

struct RunResult {
    uint64_t instructions = 0;
    uint64_t tstates = 0;
    bool finished = false;  // the program jumped to 0000h
};

// The whole file; false (with a message in error) if it cannot be read.
bool ReadProgram(const std::string& path, std::vector<uint8_t>& image, std::string& error);

// Lays out page zero and the program in a 64 KiB image; false if the program
// is empty or does not fit below kTopOfMemory.
bool LayOut(uint8_t* memory, const std::vector<uint8_t>& image, std::string& error);

template <class Core>
bool Load(Core& core, const std::vector<uint8_t>& image, std::string& error) {
    if (!LayOut(core.Memory(), image, error)) return false;
    core.Reset(kTpa, kTopOfMemory);
    return true;
}

// Console output when the processor is at the BDOS entry: function 2 prints
// E, function 9 the string at DE up to '$'. Other functions are ignored; the
// RET at 0005h returns to the caller.
template <class Core, class Put>
void ServeBdos(Core& core, Put& put) {
    if (core.C() == 2) {
        put(static_cast<char>(core.DE() & 0xFF));
    } else if (core.C() == 9) {
        const uint8_t* memory = core.Memory();
        uint16_t a = core.DE();
        for (unsigned n = 0; n < 65536 && memory[a] != '$'; ++n, ++a) put(static_cast<char>(memory[a]));
    }
}

// Runs until the program jumps to 0000h or maxInstructions have run.
template <class Core, class Put>
RunResult Run(Core& core, Put&& put, uint64_t maxInstructions) {
    RunResult r;
    while (r.instructions < maxInstructions) {
        const uint16_t pc = core.PC();
        if ((pc | kBdos) == kBdos) {  // PC is 0, 1, 4 or 5: one test on the hot path
            if (pc == kWarmBoot) {
                r.finished = true;
                break;
            }
            if (pc == kBdos) ServeBdos(core, put);
        }
        r.tstates += core.Step();
        ++r.instructions;
    }
    return r;
}

// Remembers whether the console output held "ERROR" or "FAILED", the words
// by which the exercisers and test programs report a failure.
class ConsoleWatch {
public:
    void Put(char c);
    const char* Failure() const { return failure_; }  // the first such word seen, or null
    char Last() const { return last_; }

private:
    std::string tail_;
    const char* failure_ = nullptr;
    char last_ = '\n';
};

struct ToolOptions {
    uint64_t maxInstructions = UINT64_MAX;
    std::string program;
};

// "[--max-instructions N] FILE.COM"; false (usage printed) on anything else.
bool ParseToolOptions(const char* tool, int argc, char** argv, ToolOptions& options);

// Prints the statistics line "instructions=N tstates=N seconds=S" and, on
// standard error, why the run failed. Returns the exit status: 0, or 1 when
// the program printed ERROR or FAILED or did not finish.
int Report(const char* tool, const RunResult& r, const ToolOptions& options, const ConsoleWatch& watch,
           double seconds);

// The whole command-line tool around one core's adapter.
template <class Core>
int ToolMain(const char* tool, Core& core, int argc, char** argv) {
    ToolOptions options;
    if (!ParseToolOptions(tool, argc, argv, options)) return 2;
    std::vector<uint8_t> image;
    std::string error;
    if (!ReadProgram(options.program, image, error) || !Load(core, image, error)) {
        std::fprintf(stderr, "%s: %s\n", tool, error.c_str());
        return 1;
    }
    ConsoleWatch watch;
    const auto start = std::chrono::steady_clock::now();
    const RunResult r = Run(core, [&watch](char c) {
        std::putchar(c);
        watch.Put(c);
        if (c == '\n') std::fflush(stdout);
    }, options.maxInstructions);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return Report(tool, r, options, watch, took.count());
}

}  // namespace z80test::cpm
