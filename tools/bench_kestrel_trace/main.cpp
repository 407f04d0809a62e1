// bench-kestrel-trace: how fast the traced step runs, with its trace lines
// composed into the ListingBuffer as the run loop does while tracing, beside
// the plain step on the same instruction stream (ZEXDOC's first instructions).
// Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/trace.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/debug/machine_record.h"

namespace {

using kestrel::MachineRecord;

constexpr uint16_t kBdosBody = 0xFE00;

// CP/M set-up: program at 0x0100, all memory writable, CALL 5 returns at once.
bool Load(MachineRecord& m) {
    std::memset(&m.Cpu, 0, sizeof m.Cpu);
    std::memset(m.MemoryImage, 0, sizeof m.MemoryImage);
    std::memset(m.WriteEnableMap, 1, sizeof m.WriteEnableMap);
    std::FILE* f = std::fopen(KDEBUG_BENCH_ZEXDOC, "rb");
    if (!f) return false;
    size_t n = std::fread(m.MemoryImage + 0x0100, 1, kBdosBody - 0x0100, f);
    std::fclose(f);
    m.MemoryImage[0x0005] = 0xC3;  // JP FE00h
    m.MemoryImage[0x0006] = kBdosBody & 0xFF;
    m.MemoryImage[0x0007] = kBdosBody >> 8;
    m.MemoryImage[kBdosBody] = 0xC9;  // RET
    m.Cpu.PC = 0x0100;
    m.Cpu.SP = kBdosBody;
    return n > 0;
}

template <class Step>
double InstructionsPerSecond(MachineRecord& m, long count, Step step) {
    auto begin = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) step(m);
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - begin;
    return count / seconds.count();
}

}  // namespace

int main() {
    constexpr long kInstructions = 20000000;
    kestrel::FillMnemonicTables();
    auto m = std::make_unique<MachineRecord>();
    if (!Load(*m)) {
        std::fprintf(stderr, "bench-kestrel-trace: cannot read %s\n", KDEBUG_BENCH_ZEXDOC);
        return 1;
    }
    auto pristine = std::make_unique<MachineRecord>(*m);

    double plain = InstructionsPerSecond(*m, kInstructions, [](MachineRecord& r) {
        kestrel::ExecuteInstruction(r);
    });

    *m = *pristine;
    m->NumberBase = 1;
    double traced = InstructionsPerSecond(*m, kInstructions, [](MachineRecord& r) {
        kestrel::TracedStep(r);
    });

    *m = *pristine;
    m->NumberBase = 1;
    double lines = InstructionsPerSecond(*m, kInstructions, [](MachineRecord& r) {
        kestrel::TracedStep(r);
        char line[kestrel::kTraceLineLength];
        int length = kestrel::ComposeTraceLine(r, line);
        if (r.ListingFill + length > kestrel::kTraceFlushLevel) r.ListingFill = 0;  // never written
        std::memcpy(r.ListingBuffer + r.ListingFill, line, static_cast<size_t>(length));
        r.ListingFill = static_cast<uint16_t>(r.ListingFill + length);
    });

    std::printf("ZEXDOC, first %ld instructions each\n", kInstructions);
    std::printf("  plain step (ExecuteInstruction):          %7.2f M instructions/s\n", plain / 1e6);
    std::printf("  traced step (TracedStep, texts only):     %7.2f M instructions/s\n", traced / 1e6);
    std::printf("  traced step + trace line into the buffer: %7.2f M instructions/s (%.1f x slower than plain)\n",
                lines / 1e6, plain / lines);
    return 0;
}
