// Runs plover as the program does (start-up with the monitor ROM, the
// project's keyboard picture and character generator, then the paced main
// loop with the SDL window) for a while with no key pressed, so the monitor
// sits waiting for a key, and prints:
//   - the emulated clock: T-states executed / real time (goal 1.75 MHz, 1 %);
//   - the process's CPU time / real time (goal under 5 % of one core);
//   - the number of presents.
// Without DISPLAY it uses SDL's dummy video driver (no window system cost).
//   bench-plover-gui [SECONDS] [ROM]
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "plover/shell/main_loop.h"
#include "plover/shell/sdl_host.h"
#include "plover/z80/cpu.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
    // settle for 2 s (start-up pause, monitor initialisation), then measure
    auto runFor = [](double millis) {
        const double end = plover::ActiveHost->NowMillis() + millis;
        while (plover::ActiveHost->NowMillis() < end)
            for (int i = 0; i < 1000; ++i) plover::RunPass();
    };
    runFor(2000);
    const double startReal = host.NowMillis();
    const double startCpu = CpuSeconds();
    const uint64_t startCycles = plover::TotalCycles;
    const uint64_t startPresents = host.PresentCount();
    runFor(seconds * 1000);
    const double real = (host.NowMillis() - startReal) / 1000;
    const double cpu = CpuSeconds() - startCpu;
    const double cycles = static_cast<double>(plover::TotalCycles - startCycles);
    const double mhz = cycles / real / 1e6;
    std::printf("video driver: %s, ROM: %s\n", SDL_GetCurrentVideoDriver(), rom.c_str());
    std::printf("real time: %.3f s, T-states: %.0f\n", real, cycles);
    std::printf("emulated clock: %.4f MHz (%+.2f %% from 1.75 MHz)\n", mhz, (mhz / 1.75 - 1) * 100);
    std::printf("CPU use: %.2f %% of one core\n", cpu / real * 100);
    std::printf("presents: %llu (%.1f per second), PC now %04X\n",
                static_cast<unsigned long long>(host.PresentCount() - startPresents),
                (host.PresentCount() - startPresents) / real, plover::Z80Registers.PC);
    return 0;
}
