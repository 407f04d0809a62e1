// cpm-kestrel FILE.COM: runs a CP/M program on kestrel's Z80 core and prints
// its console output, then "instructions=N tstates=N seconds=S".
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/cpm_kestrel/cpm_machine.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cpm-kestrel FILE.COM\n");
        return 2;
    }
    auto m = std::make_unique<kestrel::Processor>();
    std::string error;
    if (!kestrel::cpm::Load(*m, argv[1], error)) {
        std::fprintf(stderr, "cpm-kestrel: %s\n", error.c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto r = kestrel::cpm::Run(*m, stdout, UINT64_MAX);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (r.lastOutput != '\n') std::putchar('\n');
    std::printf("instructions=%llu tstates=%llu seconds=%.3f\n",
                static_cast<unsigned long long>(r.instructions),
                static_cast<unsigned long long>(r.tstates), took.count());
    return r.finished ? 0 : 1;
}
