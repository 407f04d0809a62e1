// The CP/M runner behind cpm-kestrel: loading, BDOS console output, the stop
// at 0x0000 and the 64-bit T-state count.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/cpm_kestrel/cpm_machine.h"

namespace kestrel {
namespace {

std::string Contents(std::FILE* f) {
    std::string s;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
}

class KestrelZ80Cpm : public ::testing::Test {
protected:
    void SetUp() override {
        path = std::filesystem::temp_directory_path() /
               ("kestrel_cpm_test_" + std::to_string(getpid()) + ".com");
        out = std::tmpfile();
    }
    void TearDown() override {
        std::filesystem::remove(path);
        std::fclose(out);
    }
    std::unique_ptr<Processor> Load(const std::vector<uint8_t>& bytes) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        auto m = std::make_unique<Processor>();
        std::string error;
        EXPECT_TRUE(cpm::Load(*m, path.string(), error)) << error;
        return m;
    }
    std::filesystem::path path;
    std::FILE* out = nullptr;
};

TEST_F(KestrelZ80Cpm, LoadSetsUpTheWholeMemoryAsRam) {
    auto m = Load({0x00, 0x76});
    EXPECT_EQ(m->Cpu.PC, 0x0100);
    EXPECT_EQ(m->MemoryImage[0x0101], 0x76);
    EXPECT_EQ(ReadWord(*m, 0x0006), cpm::kStackTop);
    for (unsigned a = 0; a < 65536; a += 0x0FFF) EXPECT_NE(m->WriteEnableMap[a], 0) << a;
    std::string error;
    EXPECT_FALSE(cpm::Load(*m, (path.string() + ".missing"), error));
    EXPECT_FALSE(error.empty());
}

TEST_F(KestrelZ80Cpm, PrintsThroughTheBdosAndStopsAtZero) {
    auto m = Load({
        0x0E, 0x09,             // 0100 LD C,9
        0x11, 0x20, 0x01,       // 0102 LD DE,0x0120
        0xCD, 0x05, 0x00,       // 0105 CALL 5
        0x0E, 0x02,             // 0108 LD C,2
        0x1E, 0x21,             // 010A LD E,'!'
        0xCD, 0x05, 0x00,       // 010C CALL 5
        0xC3, 0x00, 0x00,       // 010F JP 0
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        'H', 'i', '$',          // 0120
    });
    const auto r = cpm::Run(*m, out, 1000);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(Contents(out), "Hi!");
    EXPECT_EQ(r.lastOutput, '!');
    EXPECT_EQ(r.instructions, 9u);             // with the two RETs at 0x0005
    EXPECT_EQ(r.tstates, 7u + 10 + 17 + 10 + 7 + 7 + 17 + 10 + 10);
}

TEST_F(KestrelZ80Cpm, CountsLongBlockInstructionsIn64Bits) {
    auto m = Load({
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
    const auto r = cpm::Run(*m, out, 1000);
    EXPECT_TRUE(r.finished);
    const uint64_t cpirIterations = 0x10000 - 0x9000 + 0x0100 + 1;
    EXPECT_EQ(r.tstates, 10u + 10 + 10 + 21ull * 65536 + 10 + 7 + 10 + 21 * cpirIterations + 10);
    EXPECT_EQ(r.instructions, 9u);
}

TEST_F(KestrelZ80Cpm, StopsAfterTheInstructionBudget) {
    auto m = Load({0x18, 0xFE});                // JR $
    const auto r = cpm::Run(*m, out, 500);
    EXPECT_FALSE(r.finished);
    EXPECT_EQ(r.instructions, 500u);
    EXPECT_EQ(r.tstates, 500u * 12);
}

}  // namespace
}  // namespace kestrel
