// bench-kestrel-gui [SECONDS] (the program; run it through the script of the same name)
// KESTREL_BENCH_ENTRIES=N: the same with N entries of the breakpoint list enabled.
//
// Speed of kestrel as a program: the emulator with its window shown, the
// run loop polling the window system and the board view presenting frames,
// for SECONDS (default 5) with the monitor ROM "mpf1b_u6.rom" of the working
// directory idling in its display and keyboard scan. For comparison it first
// runs the same ROM on the bare core (ExecuteInstruction in a plain loop, no
// window) for the same time. Prints millions of emulated instructions per
// second for both, the emulated clock rate and the share of one host core
// that the process uses.
//
// Then the same in real time ("Real-time speed"), measured over 10 s after
// one second of start-up: the emulated clock rate, to be within 1 % of the
// board's 1.79 MHz, and the CPU share of one core while the monitor waits in
// its key loop, to be under 3 %. The unpaced clock rate is the window's
// instruction rate times the T-states per instruction of the bare core's run
// (the same idle loop). A benchmark, not a test: run it through the script
// bench-kestrel-gui, which provides an X server and the ROM.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "kestrel/board/pacer.h"
#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/shell/emulator.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/z80/cpu.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kRealTimeSeconds = 10.0;
constexpr int kRealTimeSettleMs = 1000;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double WallSeconds() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

struct BareFigures {
    double Mips = 0;
    double TStatesPerInstruction = 0;
};

// The ROM on the core alone, with the run loop's checks but no window.
BareFigures BareCore(double seconds) {
    auto m = std::make_unique<kestrel::MachineRecord>();
    kestrel::InitMachine(*m);
    QFile rom(QString::fromLatin1(kestrel::kRomFileName));
    if (!rom.open(QIODevice::ReadOnly) ||
        rom.read(reinterpret_cast<char*>(m->MemoryImage), kestrel::kRomSize) != kestrel::kRomSize) {
        std::fprintf(stderr, "bench-kestrel-gui: no 4 KiB %s here\n", kestrel::kRomFileName);
        std::exit(1);
    }
    kestrel::ResetBoard(*m, true);
    uint64_t instructions = 0;
    uint64_t hooks = 0;
    uint64_t tstates = 0;
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
    // T-states per instruction of the same loop, counted apart from the timed run.
    constexpr int kCounted = 1 << 20;
    for (int i = 0; i < kCounted; ++i) {
        const uint16_t before = m->Cpu.TStates;
        kestrel::ExecuteInstruction(*m);
        tstates += static_cast<uint16_t>(m->Cpu.TStates - before);
    }
    return {instructions / took.count() / 1e6, static_cast<double>(tstates) / kCounted};
}

// kestrel in real time, idling in the monitor's key loop: the board's clock
// and the process's CPU time over kRealTimeSeconds, after it has settled.
void RealTimeFigures() {
    kestrel::Emulator emulator;
    if (!emulator.Start()) std::exit(1);
    kestrel::MainWindow& window = emulator.Window();
    window.SetRealTime(true);
    uint64_t tstates0 = 0;
    int64_t forgiven0 = 0;
    double cpu0 = 0, wall0 = 0;
    QTimer::singleShot(kRealTimeSettleMs, &window, [&] {
        tstates0 = window.RealTime().TStates();
        forgiven0 = window.RealTime().ForgivenNanos();
        cpu0 = ProcessCpuSeconds();
        wall0 = WallSeconds();
        QTimer::singleShot(static_cast<int>(kRealTimeSeconds * 1000), &window, [&] { window.RequestQuit(); });
    });
    emulator.Run();
    const double wall = WallSeconds() - wall0;
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double hz = static_cast<double>(window.RealTime().TStates() - tstates0) / wall;
    std::printf("real time, clock:           %8.4f MHz over %.2f s (board 1.7898 MHz, %+.3f %%)\n", hz / 1e6,
                wall, (hz / kestrel::kBoardClockHz - 1) * 100);
    const double lost = static_cast<double>(window.RealTime().ForgivenNanos() - forgiven0) / 1e9;
    std::printf("real time, lost to the host: %7.1f ms (stalls beyond 48 ms; without them %.4f MHz)\n",
                lost * 1e3, hz * wall / (wall - lost) / 1e6);
    std::printf("real time, CPU while idle:  %8.2f %% of one core (goal under 3 %%)\n", cpu / wall * 100);
}

// KESTREL_BENCH_ENTRIES=N enables N entries of the breakpoint list that the
// idling monitor never meets: every second one an execution breakpoint above
// the RAM, the others read-and-write watchpoints on 16 bytes of RAM the
// monitor leaves alone. The windowed run then takes the checked loop.
int AddIdleEntries(kestrel::MachineRecord& m) {
    const char* text = std::getenv("KESTREL_BENCH_ENTRIES");
    const int count = text != nullptr ? std::atoi(text) : 0;
    for (int i = 0; i < count; ++i) {
        const uint16_t at = static_cast<uint16_t>(i % 2 == 0 ? 0x8000 + i : 0x1A00 + 16 * i);
        const auto kind = i % 2 == 0 ? kestrel::BreakEntryKind::Execute : kestrel::BreakEntryKind::ReadWrite;
        kestrel::AddBreakEntry(m.Breakpoints, kestrel::BreakEntry{kind, at, static_cast<uint16_t>(at + 15), true});
    }
    return m.Breakpoints.EnabledCount;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    if (seconds <= 0) seconds = 5.0;

    const BareFigures bareFigures = BareCore(seconds);
    const double bare = bareFigures.Mips;
    std::printf("bare core, same ROM:        %8.1f M instructions/s, %.2f T-states each\n", bare,
                bareFigures.TStatesPerInstruction);
    std::fflush(stdout);

    kestrel::PrepareHostEnvironment();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    {
        kestrel::Emulator emulator;
        if (!emulator.Start()) return 1;
        const int entries = AddIdleEntries(emulator.Machine());
        if (entries > 0) std::printf("breakpoint list:            %8d entries enabled\n", entries);
        QTimer::singleShot(static_cast<int>(seconds * 1000), &emulator.Window(),
                           [&] { emulator.Window().RequestQuit(); });
        kestrel::RunStatistics stats;
        const auto start = Clock::now();
        const double cpuStart = ProcessCpuSeconds();
        emulator.Run(&stats);
        const std::chrono::duration<double> took = Clock::now() - start;
        const double cpuShare = (ProcessCpuSeconds() - cpuStart) / took.count() * 100;
        const double gui = stats.Instructions / took.count() / 1e6;
        const double mhz = gui * bareFigures.TStatesPerInstruction;
        std::printf("kestrel with its window:    %8.1f M instructions/s (%.0f polls/s, %.2f s)\n", gui,
                    stats.Polls / took.count(), took.count());
        std::printf("window / bare core:         %8.2f\n", bare > 0 ? gui / bare : 0.0);
        std::printf("unpaced, clock:             %8.1f MHz (%.0f times the board's)\n", mhz,
                    mhz * 1e6 / kestrel::kBoardClockHz);
        std::printf("unpaced, CPU while idle:    %8.2f %% of one core\n", cpuShare);
        std::fflush(stdout);
    }
    QApplication::processEvents();  // the closed window's last events
    RealTimeFigures();
    return 0;
}
