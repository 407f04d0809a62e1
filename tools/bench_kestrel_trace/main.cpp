// bench-kestrel-trace: how fast the traced step runs, with its trace lines
// composed into the ListingBuffer as the run loop does while tracing, beside
// the plain step on the same instruction stream (ZEXDOC's first instructions,
// its calls to the BDOS returning at once).
// Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/trace.h"
#include "kestrel/z80/cpu.h"
#include "tests/support/cpm_runner.h"
#include "tests/support/kestrel_cpm.h"
#include "tests/support/test_material.h"

namespace {

using kestrel::MachineRecord;

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
    z80test::KestrelCpm core(*m);
    const std::string path = z80test::FindMaterial("zexdoc.com");
    std::vector<uint8_t> image;
    std::string error = path.empty() ? z80test::MissingMaterial("zexdoc.com") : "";
    if (path.empty() || !z80test::cpm::ReadProgram(path, image, error) || !z80test::cpm::Load(core, image, error)) {
        std::fprintf(stderr, "bench-kestrel-trace: %s\n", error.c_str());
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
