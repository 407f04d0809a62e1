// Start-up and the main loop with a simulated host: frames of 35,000
// T-states, the interrupt at frame boundaries, pacing with PacingDebt, the
// board refresh every 101 passes and the VIO every 32nd refresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "plover/board/board.h"
#include "plover/shell/kept_machine.h"
#include "plover/shell/main_loop.h"
#include "plover/video/screen.h"
#include "plover/video/text_grid.h"
#include "plover/z80/cpu.h"
#include "tests/plover_support/scratch_dir.h"
#include "tests/plover_support/simulated_host.h"

namespace plover {
namespace {

const StartUpFiles NoFiles{"no/such/MPF1P.bin", "no/such/teclado.bmp", "no/such/VIOchar.bin"};

class MainLoop : public ::testing::Test {
protected:
    void SetUp() override {
        ActiveHost = &host;
        std::memset(BoardMemory, 0, sizeof BoardMemory);
        StartUp(NoFiles);
    }
    // A pass as the program runs it: when the pass says the program ends,
    // the host ends it.
    void RunPass() {
        if (plover::RunPass() == StopReason::EndProgram) host.EndProgram();
    }
    void Passes(int n) {
        for (int i = 0; i < n; ++i) RunPass();
    }
    // Puts bytes into memory directly (the ROM area too), as loading does.
    static void Load(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (const uint8_t b : bytes) BoardMemory[address++] = b;
    }
    // Runs until the pass that will meet the frame boundary is next.
    void RunToBoundary() {
        while (CycleCounter < 0) RunPass();
    }

    SimulatedHost host;
};

TEST_F(MainLoop, StartUpLeavesTheStateOfTheParts) {
    EXPECT_EQ(host.WindowsOpened, 1);
    EXPECT_EQ(host.Flushes, 1);
    ASSERT_EQ(host.Sleeps.size(), 1u);
    EXPECT_EQ(host.Sleeps[0], 100);
    EXPECT_EQ(FrameCycles, 35000);
    EXPECT_EQ(FrameMillis, 20);
    EXPECT_EQ(CycleCounter, -35000);
    EXPECT_EQ(PacingDebt, 0);
    EXPECT_EQ(LastFrameTime, 0);  // taken before the 100 ms pause
    EXPECT_EQ(RomLimit, 0x4000u);
    EXPECT_EQ(Z80Registers.SP, 0xFFFF);
    EXPECT_EQ(Z80Registers.RTopBit, 0x80);
    EXPECT_EQ(DigitSelect, 0u);
    EXPECT_EQ(SegmentLatch, 0u);
}

TEST_F(MainLoop, StartUpPaletteStripAndPanel) {
    const auto& p = Screen.Palette();
    EXPECT_EQ(p[0], (PaletteEntry{0, 0, 0}));
    EXPECT_EQ(p[7], (PaletteEntry{0, 40, 0}));
    EXPECT_EQ(p[2], (PaletteEntry{0, 129, 0}));
    EXPECT_EQ(p[10], (PaletteEntry{0, 226, 0}));
    // entries the program does not set keep plover's defaults
    EXPECT_EQ(p[40], (PaletteEntry{0, 24, 0}));
    EXPECT_EQ(p[63], (PaletteEntry{80, 80, 80}));
    EXPECT_EQ(p[30], (PaletteEntry{44, 44, 44}));
    EXPECT_EQ(p[3], (PaletteEntry{0, 170, 170}));
    EXPECT_EQ(p[226], (PaletteEntry{0, 226, 0}));
    EXPECT_EQ(p[200], (PaletteEntry{32, 32, 64}));
    // separator strip and panel
    for (const int x : {950, 1100, 1274}) {
        EXPECT_EQ(Screen.At(x, 280), 0) << x;
        EXPECT_EQ(Screen.At(x, 281), 63) << x;
        EXPECT_EQ(Screen.At(x, 289), 63) << x;
        EXPECT_EQ(Screen.At(x, 290), 30) << x;
        EXPECT_EQ(Screen.At(x, 573), 30) << x;
    }
    EXPECT_EQ(Screen.At(949, 285), 0);  // no keyboard picture: black
    EXPECT_EQ(Screen.At(952, 0), 0);    // VIO not drawn yet
}

// WCAG 2 contrast ratio of two palette entries: relative luminances of the
// linearised sRGB components, (lighter + 0.05) / (darker + 0.05).
double ContrastRatio(PaletteEntry a, PaletteEntry b) {
    auto luminance = [](PaletteEntry e) {
        auto linear = [](uint8_t c) {
            const double v = c / 255.0;
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(e.R) + 0.7152 * linear(e.G) + 0.0722 * linear(e.B);
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(MainLoop, TextColoursReachSevenToOne) {
    const auto& p = Screen.Palette();
    EXPECT_GE(ContrastRatio(p[10], p[40]), 7.0);  // VIO text
    EXPECT_GE(ContrastRatio(p[0], p[226]), 7.0);  // VIO inverted text and cursor
    EXPECT_GE(ContrastRatio(p[3], p[0]), 7.0);    // messages printed by the core
    EXPECT_GE(ContrastRatio(p[15], p[30]), 7.0);  // start-up messages on the panel
    // the old colours, green on red, fail the same measure
    EXPECT_LT(ContrastRatio({0, 161, 0}, {255, 0, 0}), 1.2);
}

// Whether any pixel of the area has this colour.
bool Shows(uint8_t colour, int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (Screen.At(x, y) == colour) return true;
    return false;
}
bool PanelShows(uint8_t colour) { return Shows(colour, 950, 290, ScreenWidth - 1, ScreenHeight - 1); }
// A message printed in colour 3 at text row 10, column 10.
void PrintMessage() { Screen.DrawText(10, 10, "Instruccion desconocida", 3, 0); }
bool MessageShown() { return Shows(3, 72, 72, 72 + 8 * 23, 79); }

TEST_F(MainLoop, AMissingOrShortRomOrABadProgramIsReportedInTheWindowAndOnStandardError) {
    const ScratchDir scratch;
    // missing, a folder, empty, short: each named on standard error and in the panel
    const std::string cases[][2] = {
        {NoFiles.Rom, "No se puede leer la ROM \"no/such/MPF1P.bin\""},
        {scratch.File(""), "No se puede leer la ROM \"" + scratch.File("") + "\""},
        {scratch.Write("empty.bin", {}), "es demasiado corta: 0 de 8192 bytes"},
        {scratch.Write("short.bin", {0xC3, 0x00, 0x40}), "es demasiado corta: 3 de 8192 bytes"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        StartUp({c[0], NoFiles.KeyboardPicture, NoFiles.Charset});
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(c[1]), std::string::npos) << said;
        EXPECT_TRUE(PanelShows(15)) << c[0];
    }
    // a whole ROM: nothing said about it, nothing in the panel
    testing::internal::CaptureStderr();
    StartUp({scratch.Write("whole.bin", std::vector<uint8_t>(8192, 0)), NoFiles.KeyboardPicture, NoFiles.Charset});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("ROM"), std::string::npos) << said;
    EXPECT_FALSE(PanelShows(15));
    // a file that --watch cannot load shows there until it is taken away
    ShowProgramProblem("p.hex: line 1: a record starts with ':'");
    EXPECT_TRUE(PanelShows(15));
    ShowProgramProblem("");
    EXPECT_FALSE(PanelShows(15));
    // missing pictures are named too
    EXPECT_NE(said.find("no/such/teclado.bmp"), std::string::npos) << said;
    EXPECT_NE(said.find("no/such/VIOchar.bin"), std::string::npos) << said;
}

TEST_F(MainLoop, EscapeAndF2WorkWhateverTheProgramDoes) {
    Load(0x1234, {0x18, 0xFE});  // JR $: never reads the keyboard
    Z80Registers.PC = 0x1234;
    PrintMessage();
    ASSERT_TRUE(MessageShown());
    RunToBoundary();
    // a short press of F2, over before the frame boundary, resets once
    host.SetKey(ScanCode::F2, true);
    host.SetKey(ScanCode::F2, false);
    RunPass();
    EXPECT_EQ(Z80Registers.PC, 0x0001);  // reset, then one NOP
    EXPECT_FALSE(MessageShown());
    Z80Registers.PC = 0x1234;
    RunToBoundary();
    RunPass();
    EXPECT_EQ(Z80Registers.PC, 0x1234);  // no press, no reset
    // a program that reads the keyboard is reset there while F2 is held, and
    // the window is redrawn at the frame boundary all the same
    Load(0x0000, {0xDB, 0x92, 0x18, 0xFC});  // IN A,(92h); JR back
    Z80Registers.PC = 0x0000;
    PrintMessage();
    host.SetKey(ScanCode::F2, true);
    RunToBoundary();
    RunPass();
    EXPECT_FALSE(MessageShown());
    host.SetKey(ScanCode::F2, false);
    host.SetKey(ScanCode::Escape, true);
    EXPECT_THROW(
        {
            RunToBoundary();
            RunPass();
        },
        ProgramEnded);
}

TEST_F(MainLoop, RomLoadsItsFirst8KiBAndShortFilesLeaveZeros) {
    std::vector<uint8_t> image(9000);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
    BoardMemory[0x2000] = 0x00;
    const ScratchDir scratch;
    StartUp({scratch.Write("long.bin", image), NoFiles.KeyboardPicture, NoFiles.Charset});
    EXPECT_EQ(BoardMemory[0x0000], 0x01);
    EXPECT_EQ(BoardMemory[0x1FFF], static_cast<uint8_t>(0x1FFF * 7 + 1));
    EXPECT_EQ(BoardMemory[0x2000], 0x00);  // byte 8192 of the file is not loaded
    StartUp({scratch.Write("short.bin", {0xC3, 0x00, 0x40}), NoFiles.KeyboardPicture, NoFiles.Charset});
    EXPECT_EQ(BoardMemory[0x0000], 0xC3);
    EXPECT_EQ(BoardMemory[0x0002], 0x40);
    EXPECT_EQ(BoardMemory[0x0003], 0x00);
    EXPECT_EQ(BoardMemory[0x1FFF], 0x00);
}

TEST_F(MainLoop, WithoutARomTheProcessorRunsThroughNops) {
    Passes(1000);
    EXPECT_EQ(Z80Registers.PC, 1000);
    EXPECT_EQ(Z80Registers.RCounter, 1000u);
    EXPECT_EQ(CycleCounter, -35000 + 4000);
}

TEST_F(MainLoop, AFrameIs35000TStates) {
    Passes(8749);  // NOPs of 4 T-states
    EXPECT_EQ(CycleCounter, -4);
    EXPECT_EQ(host.Frames, 0);
    RunPass();
    EXPECT_EQ(CycleCounter, 0);
    EXPECT_EQ(host.Frames, 0);
    RunPass();  // the boundary comes before this pass's instruction
    EXPECT_EQ(host.Frames, 1);
    EXPECT_EQ(CycleCounter, -35000 + 4);
    Passes(8749);
    EXPECT_EQ(host.Frames, 1);
    RunPass();
    EXPECT_EQ(host.Frames, 2);
}

TEST_F(MainLoop, InterruptIsTakenOnlyAtAFrameBoundaryWithIff1Set) {
    Load(0x0000, {0xFB, 0x18, 0xFE});  // EI; JR $
    Load(0x0038, {0x18, 0xFE});        // JR $
    RunToBoundary();
    EXPECT_EQ(Z80Registers.PC, 0x0001);  // never interrupted within the frame
    EXPECT_TRUE(Z80Registers.IFF1);
    const int64_t before = CycleCounter;
    const uint32_t refresh = Z80Registers.RCounter;
    RunPass();
    EXPECT_EQ(Z80Registers.PC, 0x0038);
    EXPECT_EQ(Z80Registers.RCounter, refresh + 2);  // the acknowledge cycle, then JR's fetch
    EXPECT_FALSE(Z80Registers.IFF1);
    EXPECT_FALSE(Z80Registers.IFF2);
    EXPECT_EQ(Z80Registers.SP, 0xFFFD);
    EXPECT_EQ(PeekW(0xFFFD), 0x0001);
    // IM 0: 13 T-states, which lengthen the next frame; then JR $ took 12
    EXPECT_EQ(CycleCounter, before - 35000 - 13 + 12);
    // IFF1 now clear: the next boundary takes no interrupt
    RunToBoundary();
    const int64_t next = CycleCounter;
    const uint32_t nextRefresh = Z80Registers.RCounter;
    RunPass();
    EXPECT_EQ(Z80Registers.PC, 0x0038);
    EXPECT_EQ(Z80Registers.RCounter, nextRefresh + 1);
    EXPECT_EQ(Z80Registers.SP, 0xFFFD);
    EXPECT_EQ(CycleCounter, next - 35000 + 12);
}

TEST_F(MainLoop, InterruptInMode2JumpsThroughTheVectorIn19TStates) {
    // IM 2; LD A,12h; LD I,A; EI; JR $  -- vector at 12FFh holds 4567h
    Load(0x0000, {0xED, 0x5E, 0x3E, 0x12, 0xED, 0x47, 0xFB, 0x18, 0xFE});
    Load(0x12FF, {0x67, 0x45});
    Load(0x4567, {0x18, 0xFE});
    RunToBoundary();
    const int64_t before = CycleCounter;
    RunPass();
    EXPECT_EQ(Z80Registers.PC, 0x4567);
    EXPECT_EQ(PeekW(Z80Registers.SP), 0x0007);
    EXPECT_EQ(CycleCounter, before - 35000 - 19 + 12);
}

TEST_F(MainLoop, PaceFrameSleepsTheRestOfTheFrame) {
    LastFrameTime = host.NowMillis();
    host.Advance(3);
    host.Sleeps.clear();
    EXPECT_EQ(PaceFrame(), 0);
    ASSERT_EQ(host.Sleeps.size(), 1u);
    EXPECT_EQ(host.Sleeps[0], 17);
    EXPECT_EQ(LastFrameTime, host.NowMillis());  // taken after the sleep
    // no time at all counts as 1 ms (wait 19), and the millisecond that was
    // not really spent is slept too, so a fast host still keeps 20 ms frames
    PaceFrame();
    EXPECT_EQ(host.Sleeps.back(), 20);
    // a fraction lost by rounding is slept as well: 2.4 ms counts as 2
    host.Advance(2.4);
    PaceFrame();
    EXPECT_NEAR(host.Sleeps.back(), 17.6, 1e-9);
    EXPECT_EQ(PacingDebt, 0);
    // exactly a frame: no sleep is needed but wait is 0, not negative
    host.Advance(20);
    PaceFrame();
    EXPECT_EQ(host.Sleeps.size(), 3u);
    EXPECT_EQ(PacingDebt, 0);
}

TEST_F(MainLoop, TimeOversleptIsCountedInTheNextFrame) {
    LastFrameTime = host.NowMillis();  // 100: after start-up's pause
    host.Sleeps.clear();
    host.Oversleep = 2;
    host.Advance(3);
    PaceFrame();  // sleeps 17 but wakes 2 ms late
    EXPECT_EQ(host.Sleeps.back(), 17);
    EXPECT_EQ(LastFrameTime, 100 + 20);  // the frame ended when the sleep should have
    host.Advance(3);
    PaceFrame();  // 5 ms since then: sleeps 15
    EXPECT_EQ(host.Sleeps.back(), 15);
    EXPECT_EQ(PacingDebt, 0);
}

TEST_F(MainLoop, ASeventyMillisecondFrameLeavesPacingDebtAt48) {
    LastFrameTime = host.NowMillis();
    host.Sleeps.clear();
    host.Advance(70);
    PaceFrame();
    EXPECT_EQ(PacingDebt, 48);
    // the following fast frames (5 ms each) sleep that much less
    const int expectedDebt[] = {33, 18, 3, 0};
    for (const int debt : expectedDebt) {
        host.Advance(5);
        PaceFrame();
        EXPECT_EQ(PacingDebt, debt);
    }
    ASSERT_EQ(host.Sleeps.size(), 1u);
    EXPECT_EQ(host.Sleeps[0], 20 - 5 - 3);
    // a slow frame adds its excess
    host.Advance(25);
    PaceFrame();
    EXPECT_EQ(PacingDebt, 5);
}

TEST_F(MainLoop, TheFirstBoundaryAfterStartUpIsBehindByThePause) {
    // the 100 ms start-up pause came after the last frame time was taken
    Passes(8751);
    EXPECT_EQ(host.Frames, 1);
    EXPECT_EQ(PacingDebt, 48);
}

TEST_F(MainLoop, TheBoardIsRefreshedOnPass102AndThenEvery101) {
    Passes(101);
    EXPECT_EQ(RefreshCount, 0u);
    RunPass();
    EXPECT_EQ(RefreshCount, 1u);
    Passes(100);
    EXPECT_EQ(RefreshCount, 1u);
    RunPass();
    EXPECT_EQ(RefreshCount, 2u);
    // the refresh samples the latches: all digits selected and lit at start
    EXPECT_EQ(Screen.At(79 + 20, 37), 10);
    EXPECT_EQ(Screen.At(839 + 20, 37), 10);
}

TEST_F(MainLoop, TheVioIsRedrawnOnEvery32ndRefresh) {
    BoardMemory[0x4000] = 0x80;  // inverted blank: background 226
    const int presents = host.Presents;
    Passes(102 + 31 * 101 - 1);
    EXPECT_EQ(RefreshCount, 31u);
    EXPECT_EQ(Screen.At(952, 0), 0);
    EXPECT_EQ(host.Presents, presents);
    RunPass();  // pass 3233
    EXPECT_EQ(RefreshCount, 32u);
    EXPECT_EQ(Screen.At(952, 0), 226);
    EXPECT_EQ(Screen.At(960, 0), 40);
    EXPECT_EQ(host.Presents, presents + 1);
    EXPECT_EQ(TextForeground, 3);
}

TEST_F(MainLoop, EscapeDuringAKeyboardReadEndsTheLoop) {
    Load(0x0000, {0xDB, 0x92, 0x18, 0xFC});  // IN A,(92h); JR back
    Passes(10);
    host.SetKey(ScanCode::Escape, true);
    EXPECT_THROW(Passes(2), ProgramEnded);
}

// F6 and F9 act at the frame boundary on the quick slot in the folder plover
// runs in; a file that is no state is refused on standard error, and the
// machine runs on as it was.
TEST_F(MainLoop, F6SavesTheQuickStateAndF9RestoresIt) {
    const ScratchDir scratch;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.File(""));
    Load(0x4000, {0x3E, 0x11});
    auto press = [&](int key) {
        host.SetKey(key, true);
        host.SetKey(key, false);
        RunToBoundary();
        testing::internal::CaptureStderr();
        RunPass();
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(press(ScanCode::F6), "");
    Load(0x4000, {0x3E, 0x22});
    EXPECT_EQ(press(ScanCode::F9), "");
    EXPECT_EQ(BoardMemory[0x4001], 0x11);
    scratch.Write("plover.state", {'n', 'o'});
    BoardMemory[0x4001] = 0x33;
    EXPECT_EQ(press(ScanCode::F9), "plover: \"plover.state\" no es un estado de plover\n");
    EXPECT_EQ(BoardMemory[0x4001], 0x33);
    std::filesystem::current_path(previous);
}

// A kept machine that cannot be restored is renamed, not deleted; the board
// starts afresh and the user is told once. A good one is restored, and
// keeping makes the folder it needs.
TEST_F(MainLoop, AKeptMachineIsRestoredOrSetAside) {
    const ScratchDir scratch;
    const std::string kept = scratch.File("data/plover/machine.state");
    Load(0x4000, {0x5A});
    KeepMachine(kept);
    BoardMemory[0x4000] = 0;
    ResumeKeptMachine(kept);
    EXPECT_EQ(BoardMemory[0x4000], 0x5A);

    std::FILE* cut = std::fopen(kept.c_str(), "r+b");
    ASSERT_NE(cut, nullptr);
    ASSERT_EQ(::ftruncate(fileno(cut), 100), 0);
    std::fclose(cut);
    BoardMemory[0x4000] = 0x11;
    testing::internal::CaptureStderr();
    ResumeKeptMachine(kept);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "plover: no se pudo recuperar la maquina guardada (el estado \"" + kept +
                  "\" esta cortado); el archivo queda como \"" + kept + ".unreadable\"\n");
    EXPECT_EQ(BoardMemory[0x4000], 0x11);
    EXPECT_TRUE(std::filesystem::exists(kept + ".unreadable"));
    EXPECT_FALSE(std::filesystem::exists(kept));
    testing::internal::CaptureStderr();
    ResumeKeptMachine(kept);  // nothing kept now: nothing said
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(MainLoop, RegisterDumpLines) {
    struct Line {
        int row, column;
        std::string text;
    };
    static std::vector<Line> lines;
    lines.clear();
    DebugOutputHook = [](int row, int column, std::string_view text, bool wait) {
        lines.push_back({row != 0 ? row : TextRow, row != 0 ? column : TextColumn, std::string(text)});
        ShowDebugOutput(row, column, text, wait);
    };
    Z80RegisterSet& r = Z80Registers;
    r.PC = 0x4000;
    Load(0x4000, {0x3E, 0x0A, 0xB0});
    r.SP = 0xFF00;
    r.A = 0x0F;
    r.B = 0;
    r.C = 0xC;
    r.DE = 0x1234;
    r.HL = 0xABCD;
    r.AFAlt = 0x100;
    r.BCAlt = 0x2;
    r.DEAlt = 0xFFFF;
    r.HLAlt = 0x30;
    r.IX = 0x5678;
    r.IY = 0;
    r.ID = 0x9A;
    SetF(0x00);
    r.CY = true;
    r.Z = true;
    r.S = true;
    DumpRegisters();
    const std::vector<std::string> expected = {
        "PC=4000 Byte:3E  Word+1:B00A    ",
        "SP=FF00    ",
        "",
        "A =F    ",
        "B =0    ",
        "C =C    ",
        "DE=1234    ",
        "HL=ABCD    ",
        "",
        "AF'=100       IX=5678    ",
        "BC'=2         IY=0    ",
        "DE'=FFFF      ID=9A    ",
        "HL'=30    ",
        " C N P 3 H 5 Z S",
        "-1 0 0 0 0 0-1-1",
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i].row, static_cast<int>(i) + 1);
        EXPECT_EQ(lines[i].column, 1);
        EXPECT_EQ(lines[i].text, expected[i]) << "row " << i + 1;
    }
}

}  // namespace
}  // namespace plover
