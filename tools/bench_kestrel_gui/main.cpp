// bench-kestrel-gui [SECONDS] (the program; run it through the script of the same name)
//
// Speed of kestrel as a program: the emulator with its window shown, the
// run loop polling the window system and the board view presenting frames,
// for SECONDS (default 5) with the monitor ROM "mpf1b_u6.rom" of the working
// directory idling in its display and keyboard scan. For comparison it first
// runs the same ROM on the bare core (ExecuteInstruction in a plain loop, no
// window) for the same time. Prints millions of emulated instructions per
// second for both. A benchmark, not a test: run it through the script bench-kestrel-gui,
// which provides an X server and the ROM.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "kestrel/shell/emulator.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/z80/cpu.h"

namespace {

using Clock = std::chrono::steady_clock;

// The ROM on the core alone, with the run loop's checks but no window.
double BareCoreMips(double seconds) {
    auto m = std::make_unique<kestrel::MachineRecord>();
    kestrel::InitBoard(*m);
    QFile rom(QString::fromLatin1(kestrel::kRomFileName));
    if (!rom.open(QIODevice::ReadOnly) ||
        rom.read(reinterpret_cast<char*>(m->MemoryImage), kestrel::kRomSize) != kestrel::kRomSize) {
        std::fprintf(stderr, "bench-kestrel-gui: no 4 KiB %s here\n", kestrel::kRomFileName);
        std::exit(1);
    }
    kestrel::ResetBoard(*m, true);
    uint64_t instructions = 0;
    uint64_t hooks = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        for (int i = 0; i < 65536; ++i) {
            kestrel::ExecuteInstruction(*m);
            hooks += (m->Cpu.PC == kestrel::kHookBlankDisplay) | (m->Cpu.PC == kestrel::kHookBeep);
        }
        instructions += 65536;
    }
    const std::chrono::duration<double> took = Clock::now() - start;
    if (hooks == ~0ull) std::puts("");  // keeps the hook test from being optimised away
    return instructions / took.count() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    if (seconds <= 0) seconds = 5.0;

    double bare = BareCoreMips(seconds);
    std::printf("bare core, same ROM:        %8.1f M instructions/s\n", bare);
    std::fflush(stdout);

    kestrel::PrepareHostEnvironment();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    kestrel::Emulator emulator;
    if (!emulator.Start()) return 1;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &emulator.Window(),
                       [&] { emulator.Window().RequestQuit(); });
    kestrel::RunStatistics stats;
    const auto start = Clock::now();
    emulator.Run(&stats);
    const std::chrono::duration<double> took = Clock::now() - start;
    double gui = stats.Instructions / took.count() / 1e6;
    std::printf("kestrel with its window:    %8.1f M instructions/s (%.0f polls/s, %.2f s)\n", gui,
                stats.Polls / took.count(), took.count());
    std::printf("window / bare core:         %8.2f\n", bare > 0 ? gui / bare : 0.0);
    return 0;
}
