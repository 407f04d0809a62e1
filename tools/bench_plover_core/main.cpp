// bench-plover-core [ZEXDOC.COM] [INSTRUCTIONS] [ROUNDS]
// Runs the first INSTRUCTIONS instructions (0: the whole program) of ZEXDOC on plover's core and, when
// libz80ex is available, on that library too, alternating the two in ROUNDS
// rounds, and prints millions of instructions per second and their ratio.
// Without ZEXDOC.COM, zexdoc.com is looked up as the tests look up their
// material. A benchmark, not a test: the figures depend on the machine.
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/cpm_runner.h"
#include "tests/support/plover_cpm.h"
#include "tests/support/test_material.h"

#ifdef HAVE_Z80EX
#include <z80ex/z80ex.h>
#endif

namespace {

struct Figure {
    uint64_t instructions = 0;
    uint64_t tstates = 0;
    double seconds = 0;
    size_t printed = 0;
};

// Processor time of this thread: the machine is shared, so wall time would
// count other processes too.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

Figure RunPlover(const std::vector<uint8_t>& image, uint64_t count) {
    z80test::PloverCpm core;
    std::string error;
    z80test::cpm::Load(core, image, error);
    Figure figure;
    const double start = CpuSeconds();
    const z80test::cpm::RunResult totals = z80test::cpm::Run(core, [&](char) { ++figure.printed; }, count);
    figure.seconds = CpuSeconds() - start;
    figure.instructions = totals.instructions;
    figure.tstates = totals.tstates;
    return figure;
}

#ifdef HAVE_Z80EX
uint8_t g_memory[65536];
Z80EX_CONTEXT* g_cpu;
bool g_warmBoot;
size_t g_printed;

// The BDOS trap and the end of the run are seen in the opcode fetch, so the
// loop below needs no register reads of its own.
Z80EX_BYTE MemRead(Z80EX_CONTEXT*, Z80EX_WORD addr, int m1, void*) {
    if (m1 && addr <= 0x0005) {
        if (addr == 0x0000) {
            g_warmBoot = true;
        } else if (addr == 0x0005) {
            const unsigned c = z80ex_get_reg(g_cpu, regBC) & 0xFF;
            const unsigned de = z80ex_get_reg(g_cpu, regDE);
            if (c == 2) ++g_printed;
            if (c == 9)
                for (unsigned a = de; g_memory[a & 0xFFFF] != '$' && a < de + 0x10000u; ++a) ++g_printed;
        }
    }
    return g_memory[addr];
}
void MemWrite(Z80EX_CONTEXT*, Z80EX_WORD addr, Z80EX_BYTE value, void*) { g_memory[addr] = value; }
Z80EX_BYTE PortRead(Z80EX_CONTEXT*, Z80EX_WORD, void*) { return 0xFF; }
void PortWrite(Z80EX_CONTEXT*, Z80EX_WORD, Z80EX_BYTE, void*) {}
Z80EX_BYTE IntRead(Z80EX_CONTEXT*, void*) { return 0xFF; }

// The same CP/M set-up as cpm-plover, on libz80ex. Prefixes are separate steps
// there; an instruction is counted when it is complete.
Figure RunZ80ex(const std::vector<uint8_t>& image, uint64_t count) {
    std::string error;
    z80test::cpm::LayOut(g_memory, image, error);
    g_cpu = z80ex_create(MemRead, nullptr, MemWrite, nullptr, PortRead, nullptr, PortWrite, nullptr, IntRead,
                         nullptr);
    z80ex_set_reg(g_cpu, regPC, z80test::cpm::kTpa);
    z80ex_set_reg(g_cpu, regSP, z80test::cpm::kTopOfMemory);
    g_warmBoot = false;
    g_printed = 0;
    Figure figure;
    const double start = CpuSeconds();
    while (figure.instructions < count) {
        do figure.tstates += static_cast<uint64_t>(z80ex_step(g_cpu));
        while (z80ex_last_op_type(g_cpu) != 0);
        if (g_warmBoot) break;
        ++figure.instructions;
    }
    figure.seconds = CpuSeconds() - start;
    figure.printed = g_printed;
    z80ex_destroy(g_cpu);
    return figure;
}
#endif

double Mips(const Figure& f) { return f.seconds > 0 ? f.instructions / f.seconds / 1e6 : 0; }

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : z80test::FindMaterial("zexdoc.com");
    if (path.empty()) {
        std::fprintf(stderr, "bench-plover-core: %s\n", z80test::MissingMaterial("zexdoc.com").c_str());
        return 1;
    }
    const uint64_t count = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1'500'000'000ull;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 2;
    const uint64_t limit = count == 0 ? UINT64_MAX : count;
    std::vector<uint8_t> image, memory(65536);
    std::string error;
    if (!z80test::cpm::ReadProgram(path, image, error) || !z80test::cpm::LayOut(memory.data(), image, error)) {
        std::fprintf(stderr, "bench-plover-core: %s\n", error.c_str());
        return 1;
    }
    if (count == 0)
        std::printf("ZEXDOC, whole program, %d rounds, thread CPU time\n", rounds);
    else
        std::printf("ZEXDOC, first %llu instructions, %d rounds, thread CPU time\n",
                    static_cast<unsigned long long>(count), rounds);
    Figure ploverTotal, otherTotal;
    for (int round = 1; round <= rounds; ++round) {
        const Figure p = RunPlover(image, limit);
        ploverTotal.instructions += p.instructions;
        ploverTotal.seconds += p.seconds;
        std::printf("round %d  plover core: %8.1f M instr/s (%llu instr, %llu T, %.3f s)\n", round, Mips(p),
                    static_cast<unsigned long long>(p.instructions), static_cast<unsigned long long>(p.tstates),
                    p.seconds);
#ifdef HAVE_Z80EX
        const Figure z = RunZ80ex(image, limit);
        otherTotal.instructions += z.instructions;
        otherTotal.seconds += z.seconds;
        std::printf("round %d  libz80ex:    %8.1f M instr/s (%llu instr, %llu T, %.3f s)\n", round, Mips(z),
                    static_cast<unsigned long long>(z.instructions), static_cast<unsigned long long>(z.tstates),
                    z.seconds);
        if (z.printed != p.printed)
            std::printf("note: the two runs printed %zu and %zu characters\n", p.printed, z.printed);
#endif
        std::fflush(stdout);
    }
    std::printf("plover core: %.1f M instr/s (all %d rounds)\n", Mips(ploverTotal), rounds);
#ifdef HAVE_Z80EX
    std::printf("libz80ex:    %.1f M instr/s (all %d rounds)\n", Mips(otherTotal), rounds);
    std::printf("ratio plover/libz80ex: %.2f\n", Mips(otherTotal) > 0 ? Mips(ploverTotal) / Mips(otherTotal) : 0.0);
#else
    std::printf("libz80ex not found at build time: no reference figure\n");
#endif
    return 0;
}
