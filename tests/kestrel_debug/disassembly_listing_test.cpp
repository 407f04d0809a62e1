// "dis.asm": the listing of a range of memory.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/disassembly_listing.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/debug/machine_record.h"
#include "tests/kestrel_debug/listing_support.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

std::tm FixedTime() { return LocalTime(2026, 12, 7, 9, 30, 0); }

constexpr char kStart[] = "START 09:30:00 07/12/2026\r\n\r\n";

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        FillMnemonicTables();
        m = std::make_unique<MachineRecord>();  // memory all 00: NOPs
        dir = MakeScratchFolder();
        path = (dir / "dis.asm").string();
    }
    void TearDown() override { fs::remove_all(dir); }
    bool List(uint16_t start, uint16_t end) {
        last = WriteDisassemblyListing(*m, start, end, path.c_str(), FixedTime());
        return last.Written;
    }

    std::unique_ptr<MachineRecord> m;
    ListingOutcome last;
    fs::path dir;
    std::string path;
};

TEST_F(ListingTest, TenNopsFromZeroToTen) {
    ASSERT_TRUE(List(0, 10));
    std::string expected = kStart;
    expected +=
        "00000 0000  00          NOP\r\n"
        "00001 0001  00          NOP\r\n"
        "00002 0002  00          NOP\r\n"
        "00003 0003  00          NOP\r\n"
        "00004 0004  00          NOP\r\n"
        "00005 0005  00          NOP\r\n"
        "00006 0006  00          NOP\r\n"
        "00007 0007  00          NOP\r\n"
        "00008 0008  00          NOP\r\n"
        "00009 0009  00          NOP\r\n"
        "\r\n";
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(m->DisassemblyStart, 10);
}

TEST_F(ListingTest, HexLineOfLoadImmediate) {
    m->MemoryImage[0x1800] = 0x3E;
    m->MemoryImage[0x1801] = 0x05;
    m->NumberBase = kBaseHex;
    ASSERT_TRUE(List(0x1800, 0x1801));
    EXPECT_EQ(ReadFile(path), std::string(kStart) + "06144 1800  3E05        LD A,05h\r\n\r\n");
    EXPECT_EQ(m->DisassemblyStart, 0x1802);
}

TEST_F(ListingTest, FullRangeStopsAtTheBlockLimit) {
    // 29-byte start block, 29-byte NOP lines: the 2,206th line passes 64,000.
    ASSERT_TRUE(List(5, 65535));
    std::string file = ReadFile(path);
    EXPECT_EQ(file.size(), 29u + 2206 * 29 + 2);
    EXPECT_EQ(m->DisassemblyStart, 5 + 2206);
    EXPECT_EQ(file.substr(file.size() - 31), "02210 08A2  00          NOP\r\n\r\n");
    EXPECT_TRUE(last.StoppedAtLimit);
}

TEST_F(ListingTest, StartEqualToEndListsOneInstruction) {
    ASSERT_TRUE(List(100, 100));
    EXPECT_FALSE(last.StoppedAtLimit);
    EXPECT_EQ(ReadFile(path), std::string(kStart) + "00100 0064  00          NOP\r\n\r\n");
    EXPECT_EQ(m->DisassemblyStart, 101);
}

TEST_F(ListingTest, InstructionAtEndMinusOneIsListedWhole) {
    m->MemoryImage[9] = 0x21;
    m->MemoryImage[10] = 0x34;
    m->MemoryImage[11] = 0x12;
    m->NumberBase = kBaseHex;
    ASSERT_TRUE(List(8, 10));
    EXPECT_EQ(ReadFile(path), std::string(kStart) +
                                  "00008 0008  00          NOP\r\n"
                                  "00009 0009  213412      LD HL,1234h\r\n"
                                  "\r\n");
    EXPECT_EQ(m->DisassemblyStart, 12);
}

TEST_F(ListingTest, ListingStopsWhenTheCursorWrapsPastFFFF) {
    // A three-byte instruction at FFFE runs on to 0000 and 0001: the cursor
    // wraps below End, and the listing must stop there all the same.
    m->MemoryImage[0xFFFE] = 0x21;
    m->MemoryImage[0xFFFF] = 0x34;
    m->MemoryImage[0x0000] = 0x12;
    m->NumberBase = kBaseHex;
    ASSERT_TRUE(List(0xFFFE, 0xFFFF));
    EXPECT_EQ(ReadFile(path), std::string(kStart) + "65534 FFFE  213412      LD HL,1234h\r\n\r\n");
    EXPECT_FALSE(last.StoppedAtLimit);  // it reached the end
    EXPECT_EQ(m->DisassemblyStart, 1);
}

TEST_F(ListingTest, TwoListingsLeaveTwoBlocksOlderFirst) {
    ASSERT_TRUE(List(0, 2));
    m->NumberBase = kBaseHex;
    m->MemoryImage[2] = 0xC7;
    ASSERT_TRUE(List(m->DisassemblyStart, 3));
    EXPECT_EQ(ReadFile(path), std::string(kStart) +
                                  "00000 0000  00          NOP\r\n"
                                  "00001 0001  00          NOP\r\n"
                                  "\r\n" +
                                  kStart +
                                  "00002 0002  C7          RST 00h\r\n"
                                  "\r\n");
}

TEST_F(ListingTest, RegistersAndTraceBufferAreLeftAlone) {
    m->Cpu.PC = 0x1234;
    m->Cpu.R = 0x56;
    m->Cpu.A = 0x78;
    m->ListingFill = 500;
    m->ListingBuffer[499] = 'x';
    m->TraceToFile = 1;
    ASSERT_TRUE(List(0, 100));
    EXPECT_EQ(m->Cpu.PC, 0x1234);
    EXPECT_EQ(m->Cpu.R, 0x56);
    EXPECT_EQ(m->Cpu.A, 0x78);
    // A trace that is collecting keeps its lines: the listing has its own buffer.
    EXPECT_EQ(m->ListingFill, 500);
    EXPECT_EQ(m->ListingBuffer[499], 'x');
    EXPECT_EQ(m->TraceToFile, 1);
}

TEST_F(ListingTest, UnwritableFileIsReportedAndStartStillAdvances) {
    std::string missing = (dir / "no such folder" / "dis.asm").string();
    EXPECT_FALSE(WriteDisassemblyListing(*m, 0, 10, missing.c_str(), FixedTime()).Written);
    EXPECT_EQ(m->DisassemblyStart, 10);
}

}  // namespace
}  // namespace kestrel
