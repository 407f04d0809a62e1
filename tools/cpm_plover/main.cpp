// cpm-plover FILE.COM: runs a CP/M program on plover's core, prints its
// console output, then "instructions=N tstates=N seconds=S".
#include <chrono>
#include <cstdio>
#include <vector>

#include "tools/cpm_plover/cpm_session.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cpm-plover FILE.COM\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) {
        std::fprintf(stderr, "cpm-plover: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> image;
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) image.insert(image.end(), buffer, buffer + got);
    std::fclose(file);
    if (!cpm_plover::LoadProgram(image.data(), image.size())) {
        std::fprintf(stderr, "cpm-plover: %s is too large for the program area\n", argv[1]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const cpm_plover::RunTotals totals = cpm_plover::Run([](char c) {
        std::putchar(c);
        if (c == '\n') std::fflush(stdout);
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("\ninstructions=%llu tstates=%llu seconds=%.3f\n",
                static_cast<unsigned long long>(totals.instructions),
                static_cast<unsigned long long>(totals.tstates), seconds);
    return 0;
}
