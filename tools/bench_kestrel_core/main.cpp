// bench-kestrel-core [INSTRUCTIONS] [ZEXDOC.COM]
//
// Runs the start of ZEXDOC (INSTRUCTIONS completed instructions, default one
// billion; 0 = the whole program) on kestrel's core and prints millions of
// instructions per second of processor time. Built with libz80ex, it runs the
// same program on that library too, alternating the two in five rounds, and
// prints both figures (best round each) and their ratio. Without ZEXDOC.COM,
// zexdoc.com is looked up as the tests look up their material. A benchmark,
// not a test.
#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/cpm_runner.h"
#include "tests/support/kestrel_cpm.h"
#include "tests/support/test_material.h"

#ifdef KESTREL_BENCH_Z80EX
#include <z80ex/z80ex.h>
#endif

namespace {

// Processor time of this thread: the machine is shared, so wall time would
// count other processes too.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

struct Figure {
    uint64_t instructions = 0;
    double seconds = 0;
    double Mips() const { return seconds > 0 ? instructions / seconds / 1e6 : 0; }
};

Figure RunKestrel(const std::vector<uint8_t>& image, uint64_t budget, std::FILE* sink) {
    auto m = std::make_unique<kestrel::Processor>();
    z80test::KestrelCpm core(*m);
    std::string error;
    if (!z80test::cpm::Load(core, image, error)) {
        std::fprintf(stderr, "bench-kestrel-core: %s\n", error.c_str());
        std::exit(1);
    }
    const double start = CpuSeconds();
    const auto r = z80test::cpm::Run(core, [sink](char c) { std::fputc(c, sink); }, budget);
    return {r.instructions, CpuSeconds() - start};
}

#ifdef KESTREL_BENCH_Z80EX
// The same CP/M set-up for libz80ex: 64 KiB RAM, BDOS trapped at its opcode
// fetch from 0x0005 (the byte there is RET), stop at the fetch from 0x0000.
struct Z80exBoard {
    uint8_t memory[65536] = {};
    std::FILE* sink = nullptr;
    Z80EX_CONTEXT* cpu = nullptr;
    bool stop = false;
};

Z80EX_BYTE ReadMem(Z80EX_CONTEXT* cpu, Z80EX_WORD addr, int m1, void* user) {
    auto* b = static_cast<Z80exBoard*>(user);
    if (m1 && addr <= 5) {
        if (addr == 0) {
            b->stop = true;
        } else if (addr == 5) {
            const unsigned c = z80ex_get_reg(cpu, regBC) & 0xFF;
            const unsigned de = z80ex_get_reg(cpu, regDE);
            if (c == 2) {
                std::fputc(de & 0xFF, b->sink);
            } else if (c == 9) {
                for (uint16_t a = static_cast<uint16_t>(de); b->memory[a] != '$'; ++a) std::fputc(b->memory[a], b->sink);
            }
        }
    }
    return b->memory[addr];
}
void WriteMem(Z80EX_CONTEXT*, Z80EX_WORD addr, Z80EX_BYTE value, void* user) {
    static_cast<Z80exBoard*>(user)->memory[addr] = value;
}
Z80EX_BYTE ReadPort(Z80EX_CONTEXT*, Z80EX_WORD, void*) { return 0xFF; }
void WritePort(Z80EX_CONTEXT*, Z80EX_WORD, Z80EX_BYTE, void*) {}
Z80EX_BYTE ReadIntVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

Figure RunZ80ex(const std::vector<uint8_t>& image, uint64_t budget, std::FILE* sink) {
    auto b = std::make_unique<Z80exBoard>();
    std::string error;
    if (!z80test::cpm::LayOut(b->memory, image, error)) std::exit(1);
    b->sink = sink;
    b->cpu = z80ex_create(ReadMem, b.get(), WriteMem, b.get(), ReadPort, b.get(), WritePort, b.get(),
                          ReadIntVector, b.get());
    z80ex_set_reg(b->cpu, regPC, z80test::cpm::kTpa);
    z80ex_set_reg(b->cpu, regSP, z80test::cpm::kTopOfMemory);
    uint64_t done = 0;
    const double start = CpuSeconds();
    while (done < budget) {
        z80ex_step(b->cpu);
        if (b->stop) break;
        if (z80ex_last_op_type(b->cpu) == 0) ++done;  // prefixes are steps of their own
    }
    const double took = CpuSeconds() - start;
    z80ex_destroy(b->cpu);
    return {done, took};
}
#endif

}  // namespace

int main(int argc, char** argv) {
    uint64_t budget = 1000000000ull;
    if (argc > 1) {
        budget = std::strtoull(argv[1], nullptr, 10);
        if (budget == 0) budget = UINT64_MAX;
    }
    const std::string path = argc > 2 ? argv[2] : z80test::FindMaterial("zexdoc.com");
    if (path.empty()) {
        std::fprintf(stderr, "bench-kestrel-core: %s\n", z80test::MissingMaterial("zexdoc.com").c_str());
        return 1;
    }
    std::vector<uint8_t> image;
    std::string error;
    if (!z80test::cpm::ReadProgram(path, image, error)) {
        std::fprintf(stderr, "bench-kestrel-core: %s\n", error.c_str());
        return 1;
    }
    std::FILE* sink = std::tmpfile();  // ZEXDOC's console output is not shown
    if (sink == nullptr) return 1;

#ifdef KESTREL_BENCH_Z80EX
    constexpr int kRounds = 5;
#else
    constexpr int kRounds = 1;
#endif
    Figure bestKestrel;
    Figure bestZ80ex;
    for (int round = 1; round <= kRounds; ++round) {
        const Figure k = RunKestrel(image, budget, sink);
        std::printf("round %d  kestrel core: %llu instructions in %.3f s = %.1f M instructions/s\n", round,
                    static_cast<unsigned long long>(k.instructions), k.seconds, k.Mips());
        if (k.Mips() > bestKestrel.Mips()) bestKestrel = k;
#ifdef KESTREL_BENCH_Z80EX
        const Figure z = RunZ80ex(image, budget, sink);
        std::printf("round %d  libz80ex:     %llu instructions in %.3f s = %.1f M instructions/s\n", round,
                    static_cast<unsigned long long>(z.instructions), z.seconds, z.Mips());
        if (z.Mips() > bestZ80ex.Mips()) bestZ80ex = z;
#endif
        std::fflush(stdout);
    }
    std::printf("kestrel core: %.1f M instructions/s (ZEXDOC)\n", bestKestrel.Mips());
#ifdef KESTREL_BENCH_Z80EX
    std::printf("libz80ex:     %.1f M instructions/s (ZEXDOC)\n", bestZ80ex.Mips());
    std::printf("ratio kestrel/libz80ex: %.2f\n", bestZ80ex.Mips() > 0 ? bestKestrel.Mips() / bestZ80ex.Mips() : 0.0);
#else
    std::printf("libz80ex not found at build time: no reference figure\n");
#endif
    std::fclose(sink);
    return 0;
}
