// The plover monitor on plover's core and board: start-up banner, the display
// multiplex, line input echoed on the VIO screen and the display, the D, M, F,
// G, H and C commands, the tick counter and the user interrupt hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "monitor_rig.h"

namespace pfw {
namespace {

constexpr int Frames500ms = 25;

std::string Pad(std::string text, size_t width = 40) {
    text.resize(width, ' ');
    return text;
}

// A dump row: address and bytes, the text column from column 30.
std::string DumpRow(std::string hex, std::string text) { return Pad(Pad(hex, 30) + text); }

// Starts the monitor and lets it print its banner.
class PloverMonitor : public ::testing::Test {
protected:
    void SetUp() override { rig.RunFrames(Frames500ms); }
    void TearDown() override { EXPECT_TRUE(rig.PrintedLines().empty()) << rig.PrintedLines().front(); }

    // Index of the row holding the prompt the cursor is on.
    int CursorRow() const {
        for (int r = 19; r >= 0; --r)
            if (rig.VioRow(r).starts_with("> ")) return r;
        return -1;
    }

    MonitorRig rig;
};

TEST_F(PloverMonitor, ColdStartShowsBannerOnScreenAndDisplay) {
    EXPECT_EQ(rig.VioRow(0), Pad("PLOVER MONITOR 1.0"));
    EXPECT_EQ(rig.VioRow(1), Pad("TYPE H FOR HELP"));
    EXPECT_EQ(rig.VioRow(2), Pad("> "));
    for (int r = 3; r < 20; ++r) EXPECT_EQ(rig.VioRow(r), Pad("")) << "row " << r;
    EXPECT_EQ(rig.DisplayText(), " PLOVER MONITOR 1.0 ");
    // the letters one by one, against the segment numbers of the board
    EXPECT_EQ(rig.DigitPattern(1), 0x0000);  // blank
    EXPECT_EQ(rig.DigitPattern(2), 0x00F3);  // P: 1 2 5 6 7 8
    EXPECT_EQ(rig.DigitPattern(3), 0x0038);  // L: 4 5 6
    EXPECT_EQ(rig.DigitPattern(5), 0x2430);  // V: 5 6 11 14
    EXPECT_EQ(rig.DigitPattern(7), 0x10F3);  // R: 1 2 5 6 7 8 13
    EXPECT_EQ(rig.DigitPattern(9), 0x0C36); // M: 2 3 5 6 11 12
    EXPECT_EQ(rig.DigitPattern(12), 0x0309); // I: 1 4 9 10
    EXPECT_EQ(rig.DigitPattern(13), 0x0301); // T: 1 9 10
    EXPECT_EQ(rig.DigitPattern(18), 0x4000); // .: decimal point
    EXPECT_EQ(rig.DigitPattern(19), 0x243F); // 0: 1-6 11 14
    // the work RAM as documented
    EXPECT_EQ(rig.Peek(0xFFFD), 0xC9);       // interrupt hook: RET
    EXPECT_EQ(rig.Peek(0xFF05), 2);          // cursor column after "> "
    EXPECT_EQ(rig.Peek(0xFF04), 2);          // cursor row
}

TEST_F(PloverMonitor, DisplayIsSteadyAndEveryDigitIsRefreshed) {
    rig.ClearSampleCounts();
    rig.RunFrames(50);  // one second
    for (int d = 1; d <= 20; ++d) {
        // a pass over the 20 digits takes about 31,000 T-states, and each
        // digit is held for more than 101 instructions: it is caught at least
        // once per pass
        EXPECT_GE(rig.DigitSamples(d), 50) << "digit " << d;
        // and it never shows anything but its own character
        EXPECT_EQ(rig.DigitChanges(d), 0) << "digit " << d;
    }
    EXPECT_EQ(rig.DisplayText(), " PLOVER MONITOR 1.0 ");
}

TEST_F(PloverMonitor, TickCounterFollowsTheInterrupt) {
    const uint16_t before = rig.Ticks();
    const long interrupts = rig.Interrupts();
    EXPECT_NEAR(before, interrupts, 1);  // one tick per accepted interrupt since reset
    EXPECT_GE(interrupts, Frames500ms - 2);
    rig.RunFrames(50);
    EXPECT_NEAR(rig.Ticks() - before, rig.Interrupts() - interrupts, 1);
    EXPECT_GE(rig.Ticks() - before, 49);
    EXPECT_LE(rig.Ticks() - before, 51);
}

TEST_F(PloverMonitor, CursorBlinksAtTheEndOfTheLine) {
    // the cursor sits after "> " on row 2: an inverted space for 16 ticks,
    // a plain space for 16
    bool sawBlock = false, sawSpace = false;
    for (int i = 0; i < 40; ++i) {
        rig.RunFrames(2);
        const uint8_t cell = rig.VioCell(2, 2);
        ASSERT_TRUE(cell == 0xA0 || cell == 0x20) << int(cell);
        (cell == 0xA0 ? sawBlock : sawSpace) = true;
        const bool on = rig.Ticks() & 0x10;
        // the cell follows bit 4 of the tick counter (one tick of slack for a
        // frame that ended between the interrupt and this look)
        if (on != (cell == 0xA0)) {
            const bool previous = static_cast<uint16_t>(rig.Ticks() - 1) & 0x10;
            EXPECT_EQ(previous, cell == 0xA0);
        }
    }
    EXPECT_TRUE(sawBlock);
    EXPECT_TRUE(sawSpace);
}

TEST_F(PloverMonitor, TypedTextIsEchoedOnScreenAndDisplay) {
    rig.Type("D 4400");
    EXPECT_EQ(rig.VioRow(2), Pad("> D 4400"));
    EXPECT_EQ(rig.DisplayText(), "> D 4400            ");

    // cursor left rubs out, F4 cancels the whole line
    rig.TapKey(key::Left);
    EXPECT_EQ(rig.VioRow(2), Pad("> D 440"));
    EXPECT_EQ(rig.DisplayText(), "> D 440             ");
    rig.TapKey(key::F4);
    EXPECT_EQ(rig.VioRow(2), Pad("> "));
    EXPECT_EQ(rig.DisplayText(), ">                   ");

    // a long line: the display follows the cursor, the screen row keeps it all
    rig.Type("M 5000 01 02 03 04 05 06 07");
    EXPECT_EQ(rig.VioRow(2), Pad("> M 5000 01 02 03 04 05 06 07"));
    EXPECT_EQ(rig.DisplayText(), "1 02 03 04 05 06 07 ");
}

TEST_F(PloverMonitor, RubOutStopsAtThePrompt) {
    rig.Type("D");
    rig.TapKey(key::Left);
    rig.TapKey(key::Left);
    EXPECT_EQ(rig.VioRow(2), Pad("> "));
    EXPECT_EQ(rig.Peek(0xFF05), 2);  // cursor column
    rig.Type("H");
    EXPECT_EQ(rig.VioRow(2), Pad("> H"));
}

TEST_F(PloverMonitor, F2RestartsTheMonitorAndKeepsUserRam) {
    rig.Type("M 5000 AA BB\n");
    rig.Type("D 5000 5001\n");
    rig.HoldKey(60, true);  // F2: the board resets the processor at a key read
    rig.RunFrames(2);
    rig.HoldKey(60, false);
    rig.RunFrames(Frames500ms);
    EXPECT_EQ(rig.VioRow(0), Pad("PLOVER MONITOR 1.0"));
    EXPECT_EQ(rig.VioRow(2), Pad("> "));
    EXPECT_EQ(rig.VioRow(3), Pad(""));
    EXPECT_EQ(rig.DisplayText(), " PLOVER MONITOR 1.0 ");
    EXPECT_EQ(rig.Peek(0x5000), 0xAA);
    EXPECT_EQ(rig.Peek(0x5001), 0xBB);
    EXPECT_LE(rig.Ticks(), Frames500ms + 1);  // counting again from 0
}

TEST_F(PloverMonitor, ShiftGivesPunctuation) {
    rig.Type("?:");
    rig.TapKey(2, key::LeftShift);  // Shift 1
    EXPECT_EQ(rig.VioRow(2), Pad("> ?:!"));
    // Shift with a letter gives lower case on the screen; the display has
    // upper-case shapes only
    rig.TapKey(30, key::LeftShift);  // Shift A
    EXPECT_EQ(rig.VioRow(2), Pad("> ?:!a"));
    EXPECT_EQ(rig.DigitPattern(6), PatternOf('A'));
}

TEST_F(PloverMonitor, PressesFasterThanTheScanArriveWholeAndInOrder) {
    // every press down and up between two instructions: all at once, several
    // in one pass of the scan (31,000 T-states), and 30 ms apart, where the
    // repeated 0 needs a pass with the key up between its presses
    for (const long gap : {0L, 5000L, 52500L}) {
        rig.TypeQuickly("M 5000 :", gap);
        rig.RunFrames(Frames500ms);
        EXPECT_EQ(rig.VioRow(CursorRow()), Pad("> M 5000 :")) << "presses " << gap << " T-states apart";
        EXPECT_EQ(rig.DisplayText(), "> M 5000 :          ") << "presses " << gap << " T-states apart";
        rig.TapKey(key::F4);
    }
}

TEST_F(PloverMonitor, HeldAndOverlappingKeysLoseAndRepeatNothing) {
    // Keys held for random times up to 2.5 passes with random gaps; in the
    // second half a key often goes down before the one before it is let go.
    // Overlapping keys may arrive in the other order, as on the board, but
    // none is lost or comes twice.
    const std::string text = "5000 00 11 ?:?:";
    unsigned seed = 1;
    auto random = [&seed](long n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<long>((seed >> 8) % n);
    };
    for (int round = 0; round < 40; ++round) {
        const bool overlap = round >= 20;
        rig.Type("M ");
        for (size_t i = 0; i < text.size(); ++i) {
            const Stroke s = StrokeFor(text[i]);
            if (s.shift) rig.HoldKey(key::LeftShift, true);
            rig.HoldKey(s.scancode, true);
            rig.RunTStates(random(80000));
            const Stroke next = i + 1 < text.size() ? StrokeFor(text[i + 1]) : s;
            if (overlap && !s.shift && !next.shift && next.scancode != s.scancode && random(2)) {
                rig.HoldKey(next.scancode, true);
                rig.RunTStates(random(20000));
                rig.HoldKey(s.scancode, false);
                rig.RunTStates(random(80000));
                rig.HoldKey(next.scancode, false);
                ++i;
            } else {
                rig.HoldKey(s.scancode, false);
            }
            if (s.shift) rig.HoldKey(key::LeftShift, false);
            rig.RunTStates(random(80000));
        }
        rig.RunFrames(Frames500ms);
        std::string line = rig.VioRow(CursorRow()).substr(4, text.size());
        std::string typed = text;
        if (overlap) {
            std::sort(line.begin(), line.end());
            std::sort(typed.begin(), typed.end());
        }
        EXPECT_EQ(line, typed) << "round " << round << ": " << rig.VioRow(CursorRow());
        rig.TapKey(key::F4);
    }
}

TEST_F(PloverMonitor, LineIsLimitedToTheScreenRow) {
    for (int i = 0; i < 45; ++i) rig.Type("7");
    EXPECT_EQ(rig.VioRow(2), "> " + std::string(37, '7') + " ");
    EXPECT_EQ(rig.VioRow(3), Pad(""));
    EXPECT_EQ(rig.DisplayText(), std::string(19, '7') + " ");
}

TEST_F(PloverMonitor, DumpShowsHexAndText) {
    const uint8_t bytes[16] = {0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x00, 0xFF, 0x7F,
                               0x20, 0x31, 0x32, 0x7E, 0x80, 0x1F, 0x41, 0x5A};
    for (int i = 0; i < 16; ++i) rig.Poke(0x5000 + i, bytes[i]);
    rig.Type("D 5000 500F\n");
    EXPECT_EQ(rig.VioRow(2), Pad("> D 5000 500F"));
    EXPECT_EQ(rig.VioRow(3), DumpRow("5000 48 45 4C 4C 4F 00 FF 7F", "HELLO..."));
    EXPECT_EQ(rig.VioRow(4), DumpRow("5008 20 31 32 7E 80 1F 41 5A", " 12~..AZ"));
    EXPECT_EQ(rig.VioRow(5), Pad("> "));
    // the first row of the output is on the display too
    EXPECT_EQ(rig.DisplayText(), "5000 48 45 4C 4C 4F ");

    // a short range keeps the text column; D alone goes on from there
    rig.Type("D 5000 5002\n");
    EXPECT_EQ(rig.VioRow(6), DumpRow("5000 48 45 4C", "HEL"));
    rig.Type("D\n");
    EXPECT_EQ(rig.VioRow(8), DumpRow("5003 4C 4F 00 FF 7F 20 31 32", "LO... 12"));
    EXPECT_EQ(rig.VioRow(15), DumpRow("503B 00 00 00 00 00 00 00 00", "........"));
    EXPECT_EQ(rig.VioRow(16), Pad("> "));

    // the ROM reads like any memory: the restart at 0000h is DI, JP
    rig.Type("D 0 1\n");
    EXPECT_EQ(rig.VioRow(17), DumpRow("0000 F3 C3", ".."));
}

TEST_F(PloverMonitor, F4StopsALongDump) {
    rig.Type("D 0 FFFF\n");  // 8,192 rows: minutes at 1.75 MHz
    rig.HoldKey(key::F4, true);
    rig.RunFrames(3);
    rig.HoldKey(key::F4, false);
    rig.RunFrames(20);
    EXPECT_EQ(rig.VioRow(19), Pad("> "));
    EXPECT_EQ(rig.VioRow(18), Pad("BREAK"));
    // the rows before it are dump rows of the ROM, 8 bytes apart
    const std::string last = rig.VioRow(17);
    ASSERT_EQ(last.size(), 40u);
    const unsigned address = std::stoul(last.substr(0, 4), nullptr, 16);
    EXPECT_EQ(rig.VioRow(16).substr(0, 4), [&] {
        char text[5];
        std::snprintf(text, sizeof text, "%04X", address - 8);
        return std::string(text);
    }());
    EXPECT_GT(address, 0x0080u);
    EXPECT_LT(address, 0x4000u);
    // D goes on after the last row shown
    rig.Type("D\n");
    char next[5];
    std::snprintf(next, sizeof next, "%04X", address + 8);
    EXPECT_EQ(rig.VioRow(11).substr(0, 4), next);
}

TEST_F(PloverMonitor, DumpRefusesBadArguments) {
    rig.Type("D 5010 5000\n");  // end before start
    EXPECT_EQ(rig.VioRow(3), Pad("ERROR"));
    EXPECT_EQ(rig.DisplayText(), "ERROR               ");
    rig.Type("D 12345\n");  // five digits
    EXPECT_EQ(rig.VioRow(5), Pad("ERROR"));
    rig.Type("D 50G0\n");  // not hex
    EXPECT_EQ(rig.VioRow(7), Pad("ERROR"));
    rig.Type("D 5000 5001 5002\n");  // one too many
    EXPECT_EQ(rig.VioRow(9), Pad("ERROR"));
    rig.Type("X\n");  // no such command
    EXPECT_EQ(rig.VioRow(11), Pad("ERROR"));
    EXPECT_EQ(rig.VioRow(12), Pad("> "));
}

TEST_F(PloverMonitor, ModifyStoresBytesAndShowsThem) {
    rig.Type("M 5000 12 34 AB 0\n");
    EXPECT_EQ(rig.Peek(0x5000), 0x12);
    EXPECT_EQ(rig.Peek(0x5001), 0x34);
    EXPECT_EQ(rig.Peek(0x5002), 0xAB);
    EXPECT_EQ(rig.Peek(0x5003), 0x00);
    EXPECT_EQ(rig.VioRow(3), DumpRow("5000 12 34 AB 00", ".4.."));
    EXPECT_EQ(rig.DisplayText(), "5000 12 34 AB 00    ");

    // a bad byte anywhere on the line stores nothing
    rig.Type("M 5000 55 66 777\n");
    EXPECT_EQ(rig.VioRow(5), Pad("ERROR"));
    EXPECT_EQ(rig.Peek(0x5000), 0x12);
    EXPECT_EQ(rig.Peek(0x5001), 0x34);

    // ROM does not change: the row shows what the memory holds
    rig.Type("M 0 55\n");
    EXPECT_EQ(rig.VioRow(7), DumpRow("0000 F3", "."));
    EXPECT_EQ(rig.Peek(0x0000), 0xF3);
}

TEST_F(PloverMonitor, ModifyAndFillRefuseTheMonitorsOwnRam) {
    rig.Type("M FE80 00\n");
    EXPECT_EQ(rig.VioRow(3), Pad("ERROR"));
    rig.Type("M FFFC 00\n");
    EXPECT_EQ(rig.VioRow(5), Pad("ERROR"));
    rig.Type("F FD00 FE00 00\n");
    EXPECT_EQ(rig.VioRow(7), Pad("ERROR"));
    rig.Type("F 0 FFFF 00\n");
    EXPECT_EQ(rig.VioRow(9), Pad("ERROR"));
    // the monitor is still alive and its variables intact
    EXPECT_EQ(rig.Peek(0xFFFD), 0xC9);
    rig.Type("D 5000 5000\n");
    EXPECT_EQ(rig.VioRow(11), DumpRow("5000 00", "."));
    // the interrupt hook at FFFDh is the user's
    rig.Type("M FFFD C9 00 00\n");
    EXPECT_EQ(rig.VioRow(13), DumpRow("FFFD C9 00 00", "..."));
}

TEST_F(PloverMonitor, ModifyStepsThroughMemory) {
    rig.Poke(0x5001, 0x99);
    rig.Type("M 5000\n");
    EXPECT_EQ(rig.VioRow(3), Pad("5000 00 "));
    EXPECT_EQ(rig.DisplayText(), "5000 00             ");
    rig.Type("A5\n");  // store
    EXPECT_EQ(rig.VioRow(3), Pad("5000 00 A5"));
    EXPECT_EQ(rig.VioRow(4), Pad("5001 99 "));
    rig.Type("\n");  // keep
    EXPECT_EQ(rig.VioRow(5), Pad("5002 00 "));
    rig.Type("7\n");
    rig.Type(".\n");  // end
    EXPECT_EQ(rig.VioRow(7), Pad("> "));
    EXPECT_EQ(rig.Peek(0x5000), 0xA5);
    EXPECT_EQ(rig.Peek(0x5001), 0x99);
    EXPECT_EQ(rig.Peek(0x5002), 0x07);
    EXPECT_EQ(rig.Peek(0x5003), 0x00);
}

TEST_F(PloverMonitor, ModifyStepsNoFurtherThanFDFF) {
    rig.Type("M FDFE\n");
    EXPECT_EQ(rig.VioRow(3), Pad("FDFE 00 "));
    rig.Type("\n");
    EXPECT_EQ(rig.VioRow(4), Pad("FDFF 00 "));
    rig.Type("5A\n");  // the last byte below the monitor's RAM ends step mode
    EXPECT_EQ(rig.VioRow(4), Pad("FDFF 00 5A"));
    EXPECT_EQ(rig.VioRow(5), Pad("> "));
    EXPECT_EQ(rig.Peek(0xFDFF), 0x5A);
    // stepping does not start inside it either
    rig.Type("M FE00\n");
    EXPECT_EQ(rig.VioRow(6), Pad("ERROR"));
    // and from the interrupt hook it ends at FFFFh, not at 0000h
    rig.Type("M FFFE\n\n\n");
    EXPECT_EQ(rig.VioRow(8), Pad("FFFE 00 "));
    EXPECT_EQ(rig.VioRow(9), Pad("FFFF 00 "));
    EXPECT_EQ(rig.VioRow(10), Pad("> "));
}

TEST_F(PloverMonitor, FillWritesTheRangeOnly) {
    rig.Type("F 6000 60FF AA\n");
    EXPECT_EQ(rig.VioRow(3), Pad("OK"));
    EXPECT_EQ(rig.Peek(0x5FFF), 0x00);
    EXPECT_EQ(rig.Peek(0x6000), 0xAA);
    EXPECT_EQ(rig.Peek(0x6080), 0xAA);
    EXPECT_EQ(rig.Peek(0x60FF), 0xAA);
    EXPECT_EQ(rig.Peek(0x6100), 0x00);
    rig.Type("F 6010 6000 11\n");
    EXPECT_EQ(rig.VioRow(5), Pad("ERROR"));
    EXPECT_EQ(rig.Peek(0x6000), 0xAA);
    rig.Type("F 6000 6000 100\n");
    EXPECT_EQ(rig.VioRow(7), Pad("ERROR"));
}

TEST_F(PloverMonitor, GoRunsAProgramThatReturns) {
    // 5000: LD A,(5100h) / LD B,A / LD A,(5101h) / ADD A,B / LD (5102h),A / RET
    rig.Type("M 5000 3A 00 51 47 3A 01\n");
    rig.Type("M 5006 51 80 32 02 51 C9\n");
    rig.Type("M 5100 27 15\n");
    rig.Type("G 5000\n");
    EXPECT_EQ(rig.Peek(0x5102), 0x3C);
    const int row = CursorRow();
    ASSERT_GT(row, 0);
    EXPECT_EQ(rig.VioRow(row - 1), Pad("> G 5000"));
    rig.Type("D 5100 5102\n");
    EXPECT_EQ(rig.VioRow(row + 1), DumpRow("5100 27 15 3C", "'.<"));
}

TEST_F(PloverMonitor, UserProgramPrintsThroughTheEntryPoints) {
    // 5000: LD HL,5010h / CALL 0049h (print string) / LD A,7Eh / CALL 004Ch
    //       (print hex) / RET ; 5010: "HI",0
    rig.Type("M 5000 21 10 50 CD 49 00\n");
    rig.Type("M 5006 3E 7E CD 4C 00 C9\n");
    rig.Type("M 5010 48 49 0\n");
    rig.Type("G 5000\n");
    EXPECT_EQ(rig.VioRow(8), Pad("> G 5000"));
    EXPECT_EQ(rig.VioRow(9), Pad("HI7E"));
    EXPECT_EQ(rig.VioRow(10), Pad("> "));
}

TEST_F(PloverMonitor, GetKeyEntryGivesCharactersWithShiftAndControl) {
    // 5000: CALL 0052h (wait for a key) / LD (HL),A / INC HL / CALL 0052h /
    //       LD (HL),A / ... four keys into 5100h-5103h, then RET
    rig.Type("M 5000 21 00 51 6 4\n");       // LD HL,5100h / LD B,4
    rig.Type("M 5005 CD 52 0 77 23 10 F9 C9\n");  // CALL / LD (HL),A / INC HL / DJNZ / RET
    rig.Type("G 5000\n");
    rig.TapKey(46, key::Control);             // Control C: 03h
    rig.TapKey(53, key::LeftShift);           // Shift /: ?
    rig.TapKey(key::Right);                   // 09h
    rig.TapKey(key::F4);                      // 1Bh
    rig.RunFrames(20);
    EXPECT_EQ(rig.Peek(0x5100), 0x03);
    EXPECT_EQ(rig.Peek(0x5101), '?');
    EXPECT_EQ(rig.Peek(0x5102), 0x09);
    EXPECT_EQ(rig.Peek(0x5103), 0x1B);
    EXPECT_EQ(rig.VioRow(CursorRow() - 1), Pad("> G 5000"));  // back at the prompt
}

TEST_F(PloverMonitor, SegmentEntryGivesTheDisplayPattern) {
    // 5000: LD A,'P' / CALL 005Bh / LD (5100h),HL / LD A,'0' / CALL 005Bh /
    //       LD (5102h),HL / RET
    rig.Type("M 5000 3E 50 CD 5B 0 22 0 51\n");
    rig.Type("M 5008 3E 30 CD 5B 0 22 2 51 C9\n");
    rig.Type("G 5000\n");
    EXPECT_EQ(rig.Peek(0x5100) | rig.Peek(0x5101) << 8, 0x00F3);  // segments 1 2 5 6 7 8
    EXPECT_EQ(rig.Peek(0x5102) | rig.Peek(0x5103) << 8, 0x243F);  // segments 1-6 11 14
}

TEST_F(PloverMonitor, InterruptHookCallsTheUserRoutine) {
    // 5000: PUSH AF / LD A,(5100h) / INC A / LD (5100h),A / POP AF / RET
    rig.Type("M 5000 F5 3A 00 51 3C 32 00 51 F1 C9\n");
    rig.Type("M FFFD C3 00 50\n");
    const uint8_t start = rig.Peek(0x5100);
    const uint16_t ticks = rig.Ticks();
    rig.RunFrames(20);
    EXPECT_EQ(static_cast<uint8_t>(rig.Peek(0x5100) - start), static_cast<uint8_t>(rig.Ticks() - ticks));
    EXPECT_GE(rig.Peek(0x5100) - start, 19);
}

TEST_F(PloverMonitor, HelpListsTheCommandsAndTheControlKeys) {
    rig.Type("H\n");
    EXPECT_EQ(rig.VioRow(3), Pad("D [ADDR [END]]   DUMP MEMORY"));
    EXPECT_EQ(rig.VioRow(4), Pad("M ADDR [BB ..]   CHANGE MEMORY"));
    EXPECT_EQ(rig.VioRow(5), Pad("F START END BB   FILL MEMORY"));
    EXPECT_EQ(rig.VioRow(6), Pad("A ADDR           ASSEMBLE (. ENDS)"));
    EXPECT_EQ(rig.VioRow(7), Pad("L [ADDR [N]]     DISASSEMBLE"));
    EXPECT_EQ(rig.VioRow(8), Pad("G [ADDR]         GO, OR CONTINUE"));
    EXPECT_EQ(rig.VioRow(9), Pad("S [N]            STEP N INSTRUCTIONS"));
    EXPECT_EQ(rig.VioRow(10), Pad("B [ADDR]         SET, LIST BREAKPOINTS"));
    EXPECT_EQ(rig.VioRow(11), Pad("BC [ADDR]        CLEAR ONE, OR ALL"));
    EXPECT_EQ(rig.VioRow(12), Pad("R [REG VALUE]    REGISTERS: SHOW, SET"));
    EXPECT_EQ(rig.VioRow(15), Pad("CTRL , . ;       TYPE - + '"));
    EXPECT_EQ(rig.VioRow(16), Pad("> "));
    EXPECT_EQ(rig.DigitPattern(1), PatternOf('D'));
    EXPECT_EQ(rig.DigitPattern(18), PatternOf('D'));
    EXPECT_EQ(rig.DigitPattern(19), PatternOf('U'));
    EXPECT_EQ(rig.DigitPattern(20), PatternOf('M'));
    // and the keys do so; Control-H, -M and -K are the editing keys whose
    // codes they give
    rig.Type("-+'");
    EXPECT_EQ(rig.VioRow(16), Pad("> -+'"));
    rig.TapKey(35, key::Control);  // H: rub out
    EXPECT_EQ(rig.VioRow(16), Pad("> -+"));
    rig.TapKey(50, key::Control);  // M: Enter
    EXPECT_EQ(rig.VioRow(17), Pad("ERROR"));
    rig.TapKey(37, key::Control);  // K: the last line again
    EXPECT_EQ(rig.VioRow(18), Pad("> -+"));
}

TEST_F(PloverMonitor, ScreenScrollsAndClears) {
    for (int i = 0; i < 4; ++i) rig.Type("H\n");  // 14 rows each
    EXPECT_EQ(rig.VioRow(19), Pad("> "));
    EXPECT_EQ(rig.VioRow(18), Pad("CTRL , . ;       TYPE - + '"));
    EXPECT_EQ(rig.VioRow(5), Pad("> H"));
    EXPECT_EQ(rig.Peek(0xFF04), 19);  // cursor row
    rig.Type("C\n");
    EXPECT_EQ(rig.VioRow(0), Pad("> "));
    for (int r = 1; r < 20; ++r) EXPECT_EQ(rig.VioRow(r), Pad("")) << "row " << r;
    EXPECT_EQ(rig.DisplayText(), " PLOVER MONITOR 1.0 ");
}

TEST_F(PloverMonitor, UpRecallsTheLastLine) {
    rig.Poke(0x5000, 0x42);
    rig.Type("D 5000 5000\n");
    rig.TapKey(key::Up);
    EXPECT_EQ(rig.VioRow(4), Pad("> D 5000 5000"));
    rig.Type("\n");
    EXPECT_EQ(rig.VioRow(5), DumpRow("5000 42", "B"));
}

TEST_F(PloverMonitor, HeldKeyIsTakenOnce) {
    rig.HoldKey(34, true);  // G
    rig.RunFrames(30);
    rig.HoldKey(34, false);
    rig.RunFrames(5);
    EXPECT_EQ(rig.VioRow(2), Pad("> G"));
}

}  // namespace
}  // namespace pfw
