// The monitor on plover's own start-up and main loop (the program without its
// window): the ROM loaded from the image file, the frame-paced loop with its
// interrupt, and the board refresh drawing the segment pictures into the
// framebuffer from the latches the monitor multiplexes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "monitor_rig.h"
#include "plover/board/board.h"
#include "plover/board/save_state.h"
#include "plover/shell/main_loop.h"
#include "plover/video/screen.h"
#include "plover/z80/cpu.h"
#include "tests/plover_support/scratch_dir.h"
#include "tests/plover_support/simulated_host.h"

namespace pfw {
namespace {

class PloverMonitorOnShellLoop : public ::testing::Test {
protected:
    void SetUp() override {
        plover::ActiveHost = &host;
        plover::StartUpFiles files;
        files.Rom = PLOVER_MONITOR_IMAGE;
        files.KeyboardPicture = "";  // not needed: the picture stays black
        files.Charset = "";
        plover::StartUp(files);
    }
    void TearDown() override { plover::ActiveHost = nullptr; }

    void RunTStates(long tstates) {
        const int64_t frames = tstates / plover::FrameCycles + 1;
        for (int64_t f = 0; f < frames; ++f) {
            const int startFrames = host.Frames;
            while (host.Frames == startFrames) plover::RunPass();
        }
    }
    void Tap(int scancode) {
        host.SetKey(scancode, true);
        RunTStates(70000);
        host.SetKey(scancode, false);
        RunTStates(70000);
    }

    // Whether the framebuffer shows segment s of digit k (1-20) lit: the
    // middle of the segment's box is outline (2) or inside (10) of the lit
    // picture; the unlit picture is all 7.
    int SegmentColour(int k, int s) const {
        const plover::SegmentBounds& b = plover::SegmentBox[s];
        return plover::Screen.At(40 * k + 39 + (b.X0 + b.X1) / 2, 35 + (b.Y0 + b.Y1) / 2);
    }
    uint16_t DrawnPattern(int k) const {
        uint16_t bits = 0;
        for (int s = 1; s <= 15; ++s) {
            const int c = SegmentColour(k, s);
            EXPECT_TRUE(c == 2 || c == 10 || c == 7) << "digit " << k << " segment " << s << ": " << c;
            if (c != 7) bits = static_cast<uint16_t>(bits | 1u << (s - 1));
        }
        return bits;
    }
    std::string VioRow(int row) const {
        std::string text;
        for (int c = 0; c < 40; ++c) {
            const uint8_t b = plover::BoardMemory[0x4000 + 40 * row + c];
            text.push_back(static_cast<char>(b == 0xA0 ? ' ' : b));
        }
        return text;
    }

    plover::SimulatedHost host;
};

TEST_F(PloverMonitorOnShellLoop, BannerIsDrawnOnTheDisplay) {
    RunTStates(35000 * 25);
    const std::string banner = " PLOVER MONITOR 1.0 ";
    for (int k = 1; k <= 20; ++k)
        EXPECT_EQ(DrawnPattern(k), PatternOf(banner[k - 1])) << "digit " << k;
    EXPECT_EQ(VioRow(0).substr(0, 18), "PLOVER MONITOR 1.0");
    // the loop paced 25 frames of 20 ms and the monitor counted the ticks
    EXPECT_GE(plover::BoardMemory[0xFF00], 23);
}

TEST_F(PloverMonitorOnShellLoop, KeysTypedOnTheHostReachTheScreenAndDisplay) {
    RunTStates(35000 * 25);
    Tap(32);  // D
    Tap(plover::ScanCode::Space);
    Tap(11);  // 0
    Tap(plover::ScanCode::Enter);
    RunTStates(35000 * 20);
    EXPECT_EQ(VioRow(2).substr(0, 5), "> D 0");
    EXPECT_EQ(VioRow(3).substr(0, 10), "0000 F3 C3");
    // the display shows the first row of the dump
    const std::string first = "0000 F3 C3 ";
    for (int k = 1; k <= static_cast<int>(first.size()); ++k)
        EXPECT_EQ(DrawnPattern(k), PatternOf(first[k - 1])) << "digit " << k;
}

// 140,000 T-states on, and the machine as it is then.
std::unique_ptr<plover::MachineState> RunOn() {
    const uint64_t end = plover::TotalCycles + 140000;
    while (plover::TotalCycles < end) plover::RunPass();
    return std::make_unique<plover::MachineState>(plover::Machine);
}

// The whole machine is in the record: a copy taken while the monitor runs,
// with a press waiting and a key held, runs on exactly as the original did.
TEST_F(PloverMonitorOnShellLoop, ACopiedMachineRunsOnAsTheOriginal) {
    RunTStates(350000);
    host.SetKey(plover::ScanCode::H, true);
    RunTStates(3500);
    const auto saved = std::make_unique<plover::MachineState>(plover::Machine);
    const auto first = RunOn();
    EXPECT_NE(first->Registers, saved->Registers);  // it did run
    plover::Machine = *saved;
    const auto second = RunOn();
    EXPECT_EQ(second->Registers, first->Registers);
    EXPECT_EQ(std::memcmp(second->Memory, first->Memory, sizeof first->Memory), 0);
    EXPECT_EQ(second->Matrix, first->Matrix);
    EXPECT_EQ(second->Presses, first->Presses);
    EXPECT_TRUE(*second == *first);
}

// A state saved while the monitor runs, restored over a machine that went on
// elsewhere, runs the same instructions in the same T-states to the same
// display latches.
TEST_F(PloverMonitorOnShellLoop, ARestoredStateRunsOnAsTheSavedMachineDid) {
    plover::ScratchDir dir;
    RunTStates(350000);
    host.SetKey(plover::ScanCode::J, true);
    RunTStates(3500);
    const std::string path = dir.File("round.state");
    ASSERT_TRUE(plover::SaveState(path).Ok());
    const auto first = RunOn();
    plover::ResetByF2();
    RunTStates(35000);
    ASSERT_TRUE(plover::LoadState(path).Ok());
    const auto second = RunOn();
    EXPECT_EQ(second->TotalCycles, first->TotalCycles);
    EXPECT_EQ(second->Registers, first->Registers);
    EXPECT_EQ(second->DigitSelect, first->DigitSelect);
    EXPECT_EQ(second->SegmentLatch, first->SegmentLatch);
    EXPECT_TRUE(*second == *first);
}

}  // namespace
}  // namespace pfw
