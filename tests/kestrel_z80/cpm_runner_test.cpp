// kestrel's adapter of the CP/M runner: the whole memory made writable and
// the 64-bit T-state count of long block instructions. The runner's BDOS, stop
// and budget are tested on both cores in tests/support.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/cpm_runner.h"
#include "tests/support/kestrel_cpm.h"

namespace kestrel {
namespace {

class KestrelZ80Cpm : public ::testing::Test {
protected:
    void Load(const std::vector<uint8_t>& bytes) {
        std::string error;
        EXPECT_TRUE(z80test::cpm::Load(core, bytes, error)) << error;
    }
    std::unique_ptr<Processor> m = std::make_unique<Processor>();
    z80test::KestrelCpm core{*m};
    std::string console;
};

TEST_F(KestrelZ80Cpm, LoadSetsUpTheWholeMemoryAsRam) {
    InitMemoryMap(*m);  // the board's map first: ROM below 1800h
    Load({0x00, 0x76});
    EXPECT_EQ(m->Cpu.PC, 0x0100);
    EXPECT_EQ(m->MemoryImage[0x0101], 0x76);
    EXPECT_EQ(ReadWord(*m, 0x0006), z80test::cpm::kTopOfMemory);
    for (unsigned a = 0; a < 65536; a += 0x0FFF) EXPECT_NE(m->WriteEnableMap[a], 0) << a;
}

TEST_F(KestrelZ80Cpm, CountsLongBlockInstructionsIn64Bits) {
    Load({
        0x01, 0x00, 0x00,       // LD BC,0      65,536 transfers
        0x21, 0x00, 0x80,       // LD HL,0x8000
        0x11, 0x00, 0x80,       // LD DE,0x8000
        0xED, 0xB0,             // LDIR         every byte copied onto itself
        0x01, 0x00, 0x00,       // LD BC,0
        0x3E, 0x01,             // LD A,1
        0x21, 0x00, 0x90,       // LD HL,0x9000
        0xED, 0xB1,             // CPIR         first 0x01 at or after 0x9000: the opcode at 0x0100
        0xC3, 0x00, 0x00,       // JP 0
    });
    const auto r = z80test::cpm::Run(core, [this](char c) { console += c; }, 1000);
    EXPECT_TRUE(r.finished);
    const uint64_t cpirIterations = 0x10000 - 0x9000 + 0x0100 + 1;
    EXPECT_EQ(r.tstates, 10u + 10 + 10 + 21ull * 65536 + 10 + 7 + 10 + 21 * cpirIterations + 10);
    EXPECT_EQ(r.instructions, 9u);
}

}  // namespace
}  // namespace kestrel
