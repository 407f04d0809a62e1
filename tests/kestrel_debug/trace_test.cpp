// The traced step, the trace line and "debug.lst".
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/trace.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/debug/machine_record.h"
#include "tests/kestrel_debug/listing_support.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

std::tm FixedTime() { return LocalTime(2026, 12, 6, 14, 5, 9); }

constexpr char kStartBlock[] =
    "START 14:05:09 06/12/2026\r\n"
    "                                                SZ5H3PNC  A  BC   DE   HL   IX   IY   SP  MEMPTR\r\n";

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        FillMnemonicTables();
        m = std::make_unique<MachineRecord>();
        InitMachine(*m);
        std::memset(m->MemoryImage, 0, sizeof m->MemoryImage);  // NOPs everywhere
        ResetCpu(*m);
        dir = MakeScratchFolder();
        listing = (dir / "debug.lst").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void Put(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) m->MemoryImage[address++] = b;
    }
    std::string Line() {
        char line[kTraceLineLength + 1] = {};
        EXPECT_EQ(ComposeTraceLine(*m, line), kTraceLineLength);
        return std::string(line, kTraceLineLength);
    }

    std::unique_ptr<MachineRecord> m;
    fs::path dir;
    std::string listing;
};

TEST_F(TraceTest, TraceLineOfLoadImmediateInBothBases) {
    for (uint8_t base : {kBaseHex, kBaseDecimal}) {
        ResetCpu(*m);
        Put(0x1800, {0x3E, 0x05});
        m->Cpu.PC = 0x1800;
        m->Cpu.F = 0x44;
        SetBC(m->Cpu, 0x1234);
        SetHL(m->Cpu, 0x1800);
        m->Cpu.SP = 0x1FF0;
        m->NumberBase = base;
        TracedStep(*m);
        EXPECT_STREQ(m->AddressText, "06144 1800  ");
        EXPECT_STREQ(m->ByteText, "3E05");
        if (base == kBaseHex) {
            EXPECT_EQ(Line(),
                      "06144 1800  3E05          LD A,05h              01000100 05 1234 0000 1800 "
                      "0000 0000 1FF0  0000\r\n");
        } else {
            EXPECT_EQ(Line(),
                      "06144 1800  3E05          LD A,005              01000100 05 1234 0000 1800 "
                      "0000 0000 1FF0  0000\r\n");
        }
        EXPECT_EQ(m->Cpu.PC, 0x1802);
        EXPECT_EQ(m->Cpu.TStates, 7);
    }
}

TEST_F(TraceTest, LongTextIsCutAtColumn48) {
    // LD (IX-02h),7Fh from an address with a five-byte ByteText neighbour:
    // DD FD 36 FE 7F reads "LD (IX-02h),7Fh" after ten bytes of ByteText.
    Put(0x1800, {0xDD, 0xFD, 0x36, 0xFE, 0x7F});
    m->Cpu.PC = 0x1800;
    m->Cpu.IX = 0x1900;
    m->NumberBase = kBaseHex;
    TracedStep(*m);
    EXPECT_STREQ(m->ByteText, "DDFD36FE7F");
    EXPECT_STREQ(m->InstructionText, "LD (IX-02h),7Fh");
    EXPECT_EQ(m->MemoryImage[0x18FE], 0x7F);
    std::string line = Line();
    EXPECT_EQ(line.substr(0, 48), "06144 1800  DDFD36FE7F    LD (IX-02h),7Fh       ");
    // An over-long text (not produced by any instruction) is cut, never spilled.
    std::strcpy(m->InstructionText, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    line = Line();
    EXPECT_EQ(line.substr(26, 22), "ABCDEFGHIJKLMNOPQRSTUV");
    EXPECT_EQ(line.substr(48, 8), std::string("00000000"));
}

TEST_F(TraceTest, InterruptModeFormsSetTheirModes) {
    Put(0x1800, {0xED, 0x5E, 0xED, 0x46, 0xED, 0x7E, 0xED, 0x76, 0xED, 0x66});
    m->Cpu.PC = 0x1800;
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "IM 2");
    EXPECT_EQ(m->Cpu.IM, 2);
    TracedStep(*m);
    EXPECT_EQ(m->Cpu.IM, 0);
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "IM 2");
    EXPECT_EQ(m->Cpu.IM, 2);
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "IM 1");
    EXPECT_EQ(m->Cpu.IM, 1);
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "IM 0");
    EXPECT_EQ(m->Cpu.IM, 0);
}

TEST_F(TraceTest, IndexedSetWithRegisterCopy) {
    Put(0x1800, {0xDD, 0xCB, 0x05, 0xC0});
    m->Cpu.PC = 0x1800;
    m->Cpu.IX = 0x1900;
    m->MemoryImage[0x1905] = 0x40;
    m->NumberBase = kBaseHex;
    m->Cpu.TStates = 0;
    TracedStep(*m);
    EXPECT_STREQ(m->ByteText, "DDCB05C0");
    EXPECT_STREQ(m->InstructionText, "SET 0,(IX+05h),B");
    EXPECT_EQ(m->MemoryImage[0x1905], 0x41);
    EXPECT_EQ(m->Cpu.B, 0x41);
    EXPECT_EQ(m->Cpu.MEMPTR, 0x1905);
    EXPECT_EQ(m->Cpu.TStates, 23);
    EXPECT_EQ(m->Cpu.PC, 0x1804);
    // The same into ROM: only B changes.
    Put(0x1804, {0xDD, 0xCB, 0x05, 0xC8});
    m->Cpu.IX = 0x0100;
    uint8_t rom = m->MemoryImage[0x0105];
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "SET 1,(IX+05h),B");
    EXPECT_EQ(m->MemoryImage[0x0105], rom);
    EXPECT_EQ(m->Cpu.B, static_cast<uint8_t>(rom | 0x02));
}

TEST_F(TraceTest, TheTwoTracedEdTexts) {
    Put(0x1800, {0xED, 0x70, 0xED, 0x71, 0xED, 0x78});
    m->Cpu.PC = 0x1800;
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "IN ,(C)");
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "OUT (C),");
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "IN A,(C)");
}

TEST_F(TraceTest, DoubledPrefixIsConsumedAlone) {
    Put(0x1800, {0xDD, 0xDD, 0x21, 0x34, 0x12});
    m->Cpu.PC = 0x1800;
    m->NumberBase = kBaseHex;
    m->Cpu.TStates = 0;
    TracedStep(*m);
    EXPECT_STREQ(m->ByteText, "DDDD");
    EXPECT_STREQ(m->InstructionText, "DB DDh,DDh");
    EXPECT_EQ(m->Cpu.PC, 0x1802);
    EXPECT_EQ(m->Cpu.TStates, 0);
    TracedStep(*m);
    EXPECT_STREQ(m->InstructionText, "LD HL,1234h");
    EXPECT_EQ(GetHL(m->Cpu), 0x1234);
}

TEST_F(TraceTest, SelfModifyingInstructionShowsTheBytesAsFetched) {
    // LD (1801h),A with A = 0x99 overwrites its own operand.
    Put(0x1800, {0x32, 0x01, 0x18});
    m->Cpu.PC = 0x1800;
    m->Cpu.A = 0x99;
    m->NumberBase = kBaseHex;
    TracedStep(*m);
    EXPECT_STREQ(m->ByteText, "320118");
    EXPECT_STREQ(m->InstructionText, "LD (1801h),A");
    EXPECT_EQ(m->MemoryImage[0x1801], 0x99);
}

TEST_F(TraceTest, StartBlockOfATrace) {
    m->ListingFill = 1234;
    BeginTrace(*m, FixedTime());
    EXPECT_EQ(m->TraceToFile, 1);
    ASSERT_EQ(m->ListingFill, sizeof kStartBlock - 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(m->ListingBuffer), m->ListingFill), kStartBlock);
}

TEST_F(TraceTest, BufferIsWrittenAtSixtyFourThousandAndNeverEarlier) {
    // All NOPs: 125 bytes of start block and 97 per line; the 659th line
    // takes the fill to 64,048.
    BeginTrace(*m, FixedTime());
    for (int i = 1; i <= 658; ++i) {
        ASSERT_EQ(TraceRunLoopStep(*m, listing.c_str()), TraceOutcome::Collecting) << i;
    }
    EXPECT_EQ(m->ListingFill, 125 + 658 * 97);
    EXPECT_FALSE(fs::exists(listing));
    EXPECT_EQ(m->TraceToFile, 1);

    EXPECT_EQ(TraceRunLoopStep(*m, listing.c_str()), TraceOutcome::Written);
    EXPECT_EQ(m->TraceToFile, 0);
    std::string file = ReadFile(listing);
    ASSERT_EQ(file.size(), 64050u);
    EXPECT_EQ(file.substr(0, sizeof kStartBlock - 1), kStartBlock);
    EXPECT_EQ(file.substr(125, 97),
              "00000 0000  00            NOP                   00000000 00 0000 0000 0000 0000 "
              "0000 0000  0000\r\n");
    EXPECT_EQ(file.substr(125 + 658 * 97, 12), "00658 0292  ");
    EXPECT_EQ(file.substr(file.size() - 4), "\r\n\r\n");
    EXPECT_EQ(std::memcmp(file.data(), m->ListingBuffer, file.size()), 0);
}

TEST_F(TraceTest, TwoTracesAppendTwoBlocksOlderFirst) {
    for (int trace = 0; trace < 2; ++trace) {
        BeginTrace(*m, FixedTime());
        TraceOutcome outcome;
        do {
            outcome = TraceRunLoopStep(*m, listing.c_str());
        } while (outcome == TraceOutcome::Collecting);
        EXPECT_EQ(outcome, TraceOutcome::Written);
    }
    std::string file = ReadFile(listing);
    ASSERT_EQ(file.size(), 2 * 64050u);
    EXPECT_EQ(file.substr(64050, sizeof kStartBlock - 1), kStartBlock);
    // The first block traced 0x0000-0x0292, the second goes on at 0x0293.
    EXPECT_EQ(file.substr(125, 12), "00000 0000  ");
    EXPECT_EQ(file.substr(64050 + 125, 12), "00659 0293  ");
}

TEST_F(TraceTest, ANewTraceDiscardsUnwrittenLines) {
    BeginTrace(*m, FixedTime());
    for (int i = 0; i < 100; ++i) TraceRunLoopStep(*m, listing.c_str());
    BeginTrace(*m, FixedTime());
    EXPECT_EQ(m->ListingFill, 125);
    TraceOutcome outcome;
    do {
        outcome = TraceRunLoopStep(*m, listing.c_str());
    } while (outcome == TraceOutcome::Collecting);
    std::string file = ReadFile(listing);
    ASSERT_EQ(file.size(), 64050u);
    EXPECT_EQ(file.substr(125, 12), "00100 0064  ");
    EXPECT_EQ(file.find("START", 1), std::string::npos);
}

TEST_F(TraceTest, ExistingFileIsAppendedToNotTruncated) {
    {
        std::ofstream out(listing, std::ios::binary);
        out << "older text\r\n";
    }
    BeginTrace(*m, FixedTime());
    TraceRunLoopStep(*m, listing.c_str());
    ASSERT_TRUE(FlushTraceBuffer(*m, listing.c_str()));
    std::string file = ReadFile(listing);
    EXPECT_EQ(file.size(), 12u + 125 + 97 + 2);
    EXPECT_EQ(file.substr(0, 12), "older text\r\n");
    EXPECT_EQ(file.substr(12, 6), "START ");
}

TEST_F(TraceTest, UnwritableFileEndsTheTraceAndSaysSo) {
    std::string missing = (dir / "no such folder" / "debug.lst").string();
    BeginTrace(*m, FixedTime());
    TraceOutcome outcome;
    int steps = 0;
    do {
        outcome = TraceRunLoopStep(*m, missing.c_str());
        ++steps;
    } while (outcome == TraceOutcome::Collecting);
    EXPECT_EQ(outcome, TraceOutcome::WriteFailed);
    EXPECT_EQ(steps, 659);
    EXPECT_EQ(m->TraceToFile, 0);
}

TEST_F(TraceTest, StartLineFormat) {
    char line[32] = {};
    std::tm t = LocalTime(1999, 1, 1, 0, 0, 0);
    EXPECT_EQ(FormatStartLine(line, t), 25);
    EXPECT_STREQ(line, "START 00:00:00 01/01/1999");
    t = FixedTime();
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 58;
    t.tm_mday = 31;
    std::memset(line, 0, sizeof line);
    FormatStartLine(line, t);
    EXPECT_STREQ(line, "START 23:59:58 31/12/2026");
}

}  // namespace
}  // namespace kestrel
