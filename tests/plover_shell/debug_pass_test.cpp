// The main loop built with DebugLevel 1: every pass dumps the registers and
// presents; F1 turns step mode on (present at once, wait for a key), F2 turns
// it off, Escape ends the program.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plover/board/board.h"
#include "plover/shell/main_loop.h"
#include "plover/z80/cpu.h"
#include "tests/plover_support/simulated_host.h"

namespace plover {
namespace {

static_assert(DebugLevel == 1, "this test needs the loop built at DebugLevel 1");

std::vector<std::string> printed;

class DebugPass : public ::testing::Test {
protected:
    void SetUp() override {
        ActiveHost = &host;
        std::memset(BoardMemory, 0, sizeof BoardMemory);
        StartUp({"no/such/MPF1P.bin", "no/such/teclado.bmp", "no/such/VIOchar.bin"});
        printed.clear();
        DebugOutputHook = [](int, int, std::string_view text, bool) { printed.emplace_back(text); };
    }
    SimulatedHost host;
};

TEST_F(DebugPass, EveryPassDumpsTheRegistersBeforeItsInstruction) {
    RunPass();
    ASSERT_EQ(printed.size(), 15u);
    EXPECT_EQ(printed[0], "PC=0 Byte:0  Word+1:0    ");
    EXPECT_EQ(printed[1], "SP=FFFF    ");
    EXPECT_EQ(Z80Registers.PC, 1);  // then the NOP ran
    EXPECT_EQ(host.KeyWaits, 0);
    EXPECT_EQ(host.ImmediatePresents, 0);
    EXPECT_GE(host.Presents, 1);
    printed.clear();
    RunPass();
    EXPECT_EQ(printed[0], "PC=1 Byte:0  Word+1:0    ");
}

TEST_F(DebugPass, F1StartsStepModeAndF2EndsIt) {
    host.SetKey(ScanCode::F1, true);
    RunPass();
    EXPECT_TRUE(StepMode);
    EXPECT_EQ(host.ImmediatePresents, 1);
    EXPECT_EQ(host.KeyWaits, 1);
    host.ReleaseAll();
    RunPass();  // still stepping: waits again
    EXPECT_EQ(host.KeyWaits, 2);
    host.SetKey(ScanCode::F2, true);
    RunPass();
    EXPECT_FALSE(StepMode);
    EXPECT_EQ(host.KeyWaits, 2);
}

TEST_F(DebugPass, EscapeEndsTheProgramEvenWithoutAKeyboardRead) {
    RunPass();
    host.SetKey(ScanCode::Escape, true);
    EXPECT_EQ(RunPass(), StopReason::EndProgram);
}

}  // namespace
}  // namespace plover
