// Runs plover as the program does (start-up with the monitor ROM, the
// project's keyboard picture and character generator, then the paced main
// loop with the SDL window) and prints, for two phases of SECONDS each:
//   - waiting: no key pressed, the monitor waits at its prompt (goal under
//     1.5 % of one core);
//   - printing: a program in RAM prints characters without a pause through
//     the monitor's PUTCHAR entry (goal under 5 %);
// the emulated clock (T-states / real time, goal 1.75 MHz within 0.1 %), the
// process's CPU time / real time, the presents per second, and the resident
// memory while waiting (goal under 40 MB).
// Without DISPLAY it uses SDL's dummy video driver (no window system cost);
// run it under Xvfb for the figures that count. WINDOW (WIDTHxHEIGHT) resizes
// the window first, e.g. 1912x861 for a picture filtered at 1.5 times.
//   bench-plover-gui [SECONDS] [ROM] [WINDOW]
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "plover/board/board.h"
#include "plover/shell/main_loop.h"
#include "plover/shell/sdl_host.h"
#include "plover/z80/cpu.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Resident set size in kB, from /proc/self/status.
long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            break;
        }
        status.ignore(1 << 20, '\n');
    }
    return value;
}

void RunFor(double millis) {
    const double end = plover::ActiveHost->NowMillis() + millis;
    while (plover::ActiveHost->NowMillis() < end)
        for (int i = 0; i < 1000; ++i) plover::RunPass();
}

void Measure(const char* phase, plover::SdlHost& host, double seconds) {
    const double startReal = host.NowMillis();
    const double startCpu = CpuSeconds();
    const uint64_t startCycles = plover::TotalCycles;
    const uint64_t startPresents = host.PresentCount();
    RunFor(seconds * 1000);
    const double real = (host.NowMillis() - startReal) / 1000;
    const double cpu = CpuSeconds() - startCpu;
    const double mhz = static_cast<double>(plover::TotalCycles - startCycles) / real / 1e6;
    std::printf("%s: %.3f s real, emulated clock %.4f MHz (%+.2f %%), CPU use %.2f %% of one core, "
                "%.1f presents per second\n",
                phase, real, mhz, (mhz / 1.75 - 1) * 100, cpu / real * 100,
                (host.PresentCount() - startPresents) / real);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::string rom = argc > 2 ? argv[2] : PLOVER_ROM_IMAGE;
    if (std::getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "dummy", 0);
    static plover::SdlHost host;
    plover::ActiveHost = &host;
    const std::string data = PLOVER_DATA_DIR;
    plover::StartUp({rom, data + "/teclado.bmp", data + "/VIOchar.bin"});
    int windowWidth = 0, windowHeight = 0;
    if (argc > 3 && std::sscanf(argv[3], "%dx%d", &windowWidth, &windowHeight) == 2)
        SDL_SetWindowSize(host.Window(), windowWidth, windowHeight);
    SDL_GetWindowSize(host.Window(), &windowWidth, &windowHeight);
    std::printf("video driver: %s, ROM: %s, window %d x %d\n", SDL_GetCurrentVideoDriver(), rom.c_str(), windowWidth,
                windowHeight);
    // settle for 2 s (start-up pause, monitor initialisation), then measure
    RunFor(2000);
    Measure("waiting", host, seconds);
    std::printf("resident memory while waiting: %.1f MB\n", ResidentKilobytes() / 1024.0);
    // 5000h: LD A,'A' / CALL 0046h (PUTCHAR) / JR 5000h
    const uint8_t printer[] = {0x3E, 0x41, 0xCD, 0x46, 0x00, 0x18, 0xF9};
    for (size_t i = 0; i < sizeof printer; ++i) plover::BoardMemory[0x5000 + i] = printer[i];
    plover::Z80Registers.PC = 0x5000;
    RunFor(1000);
    Measure("printing", host, seconds);
    std::printf("resident memory after printing: %.1f MB\n", ResidentKilobytes() / 1024.0);
    return 0;
}
