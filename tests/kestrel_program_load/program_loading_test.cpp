// kestrel's program loader: HEX and raw images into MemoryImage, the reset a
// load at address 0 brings, and nothing changed by a bad file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "kestrel/shell/program_loading.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

class ProgramLoading : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kestrel_program_load.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        m_ = std::make_unique<MachineRecord>();
        std::memset(m_->MemoryImage, 0xFF, sizeof m_->MemoryImage);
        m_->Cpu.PC = 0x0123;
        m_->Cpu.SP = 0x1F9E;
        m_->Cpu.A = 0x42;
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    ProgramLoadResult LoadHex(const std::string& text) {
        return LoadProgram(*m_, {ProgramSource::Kind::Hex, Write("p.hex", text), 0, 0});
    }

    std::string dir_;
    std::unique_ptr<MachineRecord> m_;
};

TEST_F(ProgramLoading, HexBytesGoStraightIntoMemoryAndKeepTheRegisters) {
    // 0100h is ROM: with "Write Protect ROM" unchecked a load writes it as Load BIN does,
    // whatever the WriteEnableMap says.
    const ProgramLoadResult result = LoadHex(":021800001122B3\n:01010000AA54\n:00000001FF\n");
    ASSERT_TRUE(result.loaded) << result.fault;
    EXPECT_FALSE(result.reset);
    EXPECT_EQ(m_->MemoryImage[0x1800], 0x11);
    EXPECT_EQ(m_->MemoryImage[0x1801], 0x22);
    EXPECT_EQ(m_->MemoryImage[0x1802], 0xFF);
    EXPECT_EQ(m_->MemoryImage[0x0100], 0xAA);
    EXPECT_EQ(m_->Cpu.PC, 0x0123);
    EXPECT_EQ(m_->Cpu.A, 0x42);
    EXPECT_EQ(result.skipped, "");
}

TEST_F(ProgramLoading, WriteProtectRomKeepsAHexFileOutOfTheMonitorUnlessItLoadsAtZero) {
    m_->WriteProtectRom = true;
    const ProgramLoadResult result = LoadHex(":021800001122B3\n:01010000AA54\n:00000001FF\n");
    ASSERT_TRUE(result.loaded) << result.fault;
    EXPECT_EQ(m_->MemoryImage[0x1801], 0x22);
    EXPECT_EQ(m_->MemoryImage[0x0100], 0xFF);
    EXPECT_EQ(result.skipped.rfind("1 byte at 0000h-0FFFh not written", 0), 0u) << result.skipped;
    // A file that loads at 0000h replaces the monitor, as a raw load at base 0 does.
    const ProgramLoadResult monitor = LoadHex(":02000000F3C348\n:01010000AA54\n:00000001FF\n");
    ASSERT_TRUE(monitor.reset);
    EXPECT_EQ(m_->MemoryImage[0x0100], 0xAA);
    EXPECT_EQ(monitor.skipped, "");
}

TEST_F(ProgramLoading, AHexFileReachingAddressZeroResetsTheProcessor) {
    const ProgramLoadResult result = LoadHex(":02000000F3C348\n:00000001FF\n");
    ASSERT_TRUE(result.loaded) << result.fault;
    EXPECT_TRUE(result.reset);
    EXPECT_EQ(m_->MemoryImage[0x0000], 0xF3);
    EXPECT_EQ(m_->Cpu.PC, 0);
    EXPECT_EQ(m_->Cpu.SP, 0);
    EXPECT_EQ(m_->Cpu.A, 0);
}

TEST_F(ProgramLoading, ABadFileChangesNothing) {
    auto before = std::make_unique<MachineRecord>(*m_);
    // The first record is good, the second's checksum is not: nothing at all is written.
    const ProgramLoadResult result = LoadHex(":02000000F3C348\n:011800007672\n:00000001FF\n");
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.fault, "line 2: the checksum is 72h, the record needs 71h");
    EXPECT_EQ(std::memcmp(before.get(), m_.get(), sizeof(MachineRecord)), 0);
    const ProgramLoadResult missing = LoadProgram(*m_, {ProgramSource::Kind::Hex, dir_ + "/none.hex", 0, 0});
    EXPECT_FALSE(missing.loaded);
    EXPECT_NE(missing.fault.find("No such file"), std::string::npos);
    EXPECT_EQ(std::memcmp(before.get(), m_.get(), sizeof(MachineRecord)), 0);
}

TEST_F(ProgramLoading, RawImagesLoadAsLoadBinDoes) {
    const std::string path = Write("p.bin", std::string("\x3E\x01\x76", 3));
    ProgramLoadResult at1800 = LoadProgram(*m_, {ProgramSource::Kind::Bin, path, 0x1800, 0});
    ASSERT_TRUE(at1800.loaded);
    EXPECT_FALSE(at1800.reset);
    EXPECT_EQ(m_->MemoryImage[0x1802], 0x76);
    EXPECT_EQ(m_->Cpu.PC, 0x0123);
    ProgramLoadResult at0 = LoadProgram(*m_, {ProgramSource::Kind::Bin, path, 0, 2});
    ASSERT_TRUE(at0.loaded);
    EXPECT_TRUE(at0.reset);
    EXPECT_EQ(m_->MemoryImage[0x0001], 0x01);
    EXPECT_EQ(m_->MemoryImage[0x0002], 0xFF);  // count 2
    EXPECT_EQ(m_->Cpu.PC, 0);
}

TEST_F(ProgramLoading, StartingAProgramLeavesAHaltAndSetsOnlyThePc) {
    m_->Cpu.Halted = true;
    StartUserProgram(*m_, 0x1800);
    EXPECT_EQ(m_->Cpu.PC, 0x1800);
    EXPECT_FALSE(m_->Cpu.Halted);
    EXPECT_EQ(m_->Cpu.SP, 0x1F9E);
}

}  // namespace
}  // namespace kestrel
