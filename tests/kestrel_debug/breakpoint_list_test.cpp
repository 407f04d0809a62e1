// The breakpoint list, watchpoints, one-time stops and symbol files, on one
// program assembled at test time by pasmo and by z80asm (checks_program.asm:
// start 1800h, loop 1805h, fill 1811h, leaf 1817h, outer 181Ch, inner 1820h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/debug/trace.h"
#include "kestrel/z80/cpu.h"
#include "listing_support.h"

namespace kestrel {
namespace {

class BreakpointListTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(PASMO).empty() || std::string(Z80ASM).empty()) GTEST_SKIP() << "needs pasmo and z80asm";
        dir = MakeScratchFolder();
        const std::string cd = "cd '" + dir.string() + "' && ";
        ASSERT_EQ(std::system((cd + PASMO + " " + CHECKS_PROGRAM + " prog.bin prog.sym").c_str()), 0);
        ASSERT_EQ(std::system((cd + Z80ASM + " --label=prog.lbl -o prog2.bin " + CHECKS_PROGRAM).c_str()), 0);
        m = std::make_unique<MachineRecord>();
        InitMachine(*m);
        ResetCpu(*m);
        const std::string bin = ReadFile(dir / "prog.bin");
        std::copy(bin.begin(), bin.end(), m->MemoryImage + 0x1800);
        m->Cpu.PC = 0x1800;
        m->NumberBase = kBaseHex;
    }
    void TearDown() override {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    // Checked passes until a hit (its text) or `limit` passes ("no hit").
    std::string RunToHit(int limit = 1000) {
        for (int i = 0; i < limit; ++i) {
            if (ExecuteChecked(*m)) return CheckHitText(*m, m->Breakpoints.Hit);
        }
        return "no hit";
    }
    void Add(BreakEntryKind kind, uint16_t start, uint16_t end) {
        ASSERT_TRUE(AddBreakEntry(m->Breakpoints, BreakEntry{kind, start, end, true}));
    }
    std::filesystem::path dir;
    std::unique_ptr<MachineRecord> m;
};

TEST_F(BreakpointListTest, BreakpointsAndWatchpointsHitInOrder) {
    Add(BreakEntryKind::Execute, 0x1811, 0);          // 1: fill
    Add(BreakEntryKind::ReadWrite, 0x1900, 0x1900);   // 2
    Add(BreakEntryKind::Write, 0x1910, 0x1911);       // 3
    EXPECT_EQ(RunToHit(), "Breakpoint 1 at 1811h");
    EnableBreakEntry(m->Breakpoints, 0, false);
    std::vector<std::string> hits;
    for (std::string hit = RunToHit(); hit != "no hit"; hit = RunToHit()) hits.push_back(hit);
    const std::vector<std::string> expected = {
        "Write to 1910h: 3Dh by the instruction at 1818h", "Write to 1900h: 3Dh by the instruction at 1808h",
        "Write to 1910h: 3Dh by the instruction at 1818h", "Write to 1900h: 3Dh by the instruction at 1808h",
        "Write to 1910h: 3Dh by the instruction at 1818h", "Write to 1900h: 3Dh by the instruction at 1808h",
        "Read from 1900h: 3Dh by the instruction at 1820h"};
    EXPECT_EQ(hits, expected);
}

TEST_F(BreakpointListTest, StackPushesAndPopsAreWatchedFetchesAreNot) {
    Add(BreakEntryKind::ReadWrite, 0x1EFE, 0x1EFF);
    Add(BreakEntryKind::ReadWrite, 0x1805, 0x1807);   // the CALL's own bytes: fetched only
    EXPECT_EQ(RunToHit(), "Write to 1EFFh: 18h by the instruction at 1805h");  // the first byte pushed
    EXPECT_EQ(RunToHit(), "Read from 1EFEh: 08h by the instruction at 1816h");
}

TEST_F(BreakpointListTest, ATraceStillStopsAtWatchpoints) {
    Add(BreakEntryKind::Write, 0x1900, 0x1900);
    BeginTrace(*m);
    const std::string path = (dir / "debug.lst").string();
    bool hit = false;
    for (int i = 0; i < 100 && !hit; ++i) {
        const CheckStart start = BeginChecked(*m);
        TraceRunLoopStep(*m, path.c_str(), true);
        hit = EndChecked(*m, start);
    }
    ASSERT_TRUE(hit);
    EXPECT_EQ(CheckHitText(*m, m->Breakpoints.Hit), "Write to 1900h: 3Dh by the instruction at 1808h");
}

TEST_F(BreakpointListTest, StepOverRunToAndStepOutOfNestedRoutines) {
    ExecuteInstruction(*m);
    ExecuteInstruction(*m);                           // at loop: CALL fill
    Add(BreakEntryKind::Execute, 0x1805, 0);          // outside the routine
    ASSERT_TRUE(ArmStepOver(*m));
    EXPECT_EQ(RunToHit(), "Stepped over CALL 1811h: 78 T-states");
    EXPECT_EQ(m->Cpu.PC, 0x1808);
    EXPECT_FALSE(ArmStepOver(*m));                    // LD (1900h),A steps as STEP does
    EXPECT_EQ(m->Breakpoints.Stop, StopKind::None);
    m->Cpu.PC = 0x1805;
    m->Cpu.SP = 0x1F00;
    RemoveBreakEntry(m->Breakpoints, 0);
    ArmRunTo(*m, 0x1813);
    EXPECT_EQ(RunToHit(), "Ran to 1813h: 24 T-states");
    ArmStepOut(*m);                                   // leaf's RET leaves SP where it was: no stop
    EXPECT_EQ(RunToHit(), "Stepped out to 1808h: 54 T-states");
    EXPECT_EQ(m->Cpu.SP, 0x1F00);
    ArmRunTo(*m, 0x4000);                             // never reached
    EXPECT_EQ(RunToHit(200), "no hit");
}

TEST_F(BreakpointListTest, NothingEnabledLeavesTheLoopPlain) {
    EXPECT_FALSE(ListArmed(m->Breakpoints));
    Add(BreakEntryKind::Execute, 0x1811, 0);
    EXPECT_TRUE(ListArmed(m->Breakpoints));
    EnableBreakEntry(m->Breakpoints, 0, false);
    EXPECT_FALSE(ListArmed(m->Breakpoints));
    for (int i = 0; i < kMaxBreakEntries - 1; ++i) Add(BreakEntryKind::Write, 0x1900, 0x1900);
    EXPECT_FALSE(AddBreakEntry(m->Breakpoints, BreakEntry{}));
    EXPECT_FALSE(EditBreakEntry(m->Breakpoints, 1, BreakEntry{BreakEntryKind::Write, 0x1901, 0x1900, true}));
}

TEST_F(BreakpointListTest, PasmoAndZ80asmFilesGiveTheSameSymbols) {
    const SymbolLoad pasmo = ReadSymbolFile((dir / "prog.sym").string());
    const SymbolLoad z80asm = ReadSymbolFile((dir / "prog.lbl").string());
    ASSERT_TRUE(pasmo.Ok) << pasmo.Error;
    ASSERT_TRUE(z80asm.Ok) << z80asm.Error;
    EXPECT_EQ(pasmo.Table.ByName(), z80asm.Table.ByName());
    EXPECT_EQ(pasmo.Table.Size(), 8u);
    EXPECT_EQ(ParseAddressInput("inner", &pasmo.Table).Value, 0x1820u);
    EXPECT_EQ(SymbolizeOperands("CALL 1820h", pasmo.Table, kBaseHex), "CALL inner");
    EXPECT_EQ(SymbolizeOperands("LD A,(06144)", pasmo.Table, kBaseDecimal), "LD A,(start)");
    EXPECT_EQ(SymbolizeOperands("LD A,03h", pasmo.Table, kBaseHex), "LD A,03h");
    // "Show symbols" off (as at start) leaves the listings' texts alone.
    SymbolTable table = pasmo.Table;
    m->Symbols = &table;
    char text[kTextSize] = "JP 1820h";
    SymbolizeInPlace(*m, text);
    EXPECT_STREQ(text, "JP 1820h");
    m->ShowSymbols = 1;
    SymbolizeInPlace(*m, text);
    EXPECT_STREQ(text, "JP inner");
}

TEST(SymbolInput, NamesMarkedNumbersAndBadFiles) {
    SymbolTable table;
    table.Add("addh", 0x1900);
    table.Add("loop", 0x1805);
    struct Row { const char* text; bool ok; uint32_t value; };
    for (const Row& row : {Row{"loop", true, 0x1805}, Row{" addh ", true, 0xADD}, Row{"6144", true, 6144},
                           Row{"$1800", true, 0x1800}, Row{"nosuch", false, 0}, Row{"Loop", false, 0}}) {
        const NumberInput in = ParseAddressInput(row.text, &table);
        EXPECT_EQ(in.Ok, row.ok) << row.text;
        if (row.ok) EXPECT_EQ(in.Value, row.value) << row.text;
        else EXPECT_FALSE(in.Reason.empty()) << row.text;
    }
    const SymbolLoad bad = ParseSymbolText("start EQU 01800H\n\nloop: equ\n");
    EXPECT_FALSE(bad.Ok);
    EXPECT_EQ(bad.Error.rfind("line 3: ", 0), 0u) << bad.Error;
    EXPECT_TRUE(bad.Table.Empty());
    EXPECT_EQ(ParseSymbolText("x EQU 10000h\n").Error.rfind("line 1: ", 0), 0u);
}

}  // namespace
}  // namespace kestrel
