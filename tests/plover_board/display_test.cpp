// The fourteen-segment display drawn from the latches and the VIO text screen
// drawn from memory at 4000h-431Fh, checked on the index framebuffer.
#include <string>
#include <vector>

#include "board_fixture.h"
#include "tests/plover_support/scratch_dir.h"

namespace plover {
namespace {

using Display = BoardFixture;

// Bounding box of the non-zero pixels of the screen within [x0, x1] x [y0, y1].
ScreenRect DrawnBox(int x0, int y0, int x1, int y1) {
    ScreenRect box{ScreenWidth, ScreenHeight, -1, -1};
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (Screen.At(x, y) != 0) {
                box.X0 = std::min(box.X0, x);
                box.Y0 = std::min(box.Y0, y);
                box.X1 = std::max(box.X1, x);
                box.Y1 = std::max(box.Y1, y);
            }
    return box;
}

int CountNonZero(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) n += Screen.At(x, y) != 0;
    return n;
}

TEST_F(Display, SegmentPicturesStayInTheirBoxesAndShareOneShape) {
    for (int s = 1; s <= SegmentCount; ++s) {
        const Picture& lit = SegmentPictures.Lit[s];
        const Picture& unlit = SegmentPictures.Unlit[s];
        ASSERT_EQ(lit.Width, 40);
        ASSERT_EQ(lit.Height, 50);
        const SegmentBounds& b = SegmentBox[s];
        int minX = 99, maxX = -1, minY = 99, maxY = -1, outline = 0, inside = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 40; ++x) {
                const uint8_t l = lit.At(x, y), u = unlit.At(x, y);
                EXPECT_EQ(l != 0, u != 0) << "segment " << s << " at " << x << "," << y;
                if (l == 0) continue;
                EXPECT_TRUE(l == 2 || l == 10) << "segment " << s;
                EXPECT_EQ(u, 7) << "segment " << s;
                outline += l == 2;
                inside += l == 10;
                minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
        // the shape fills its bounding box exactly
        EXPECT_EQ(minX, b.X0) << "segment " << s;
        EXPECT_EQ(maxX, b.X1) << "segment " << s;
        EXPECT_EQ(minY, b.Y0) << "segment " << s;
        EXPECT_EQ(maxY, b.Y1) << "segment " << s;
        EXPECT_GT(outline, 0) << "segment " << s;
        if (s <= 10) {
            EXPECT_GT(inside, 0) << "segment " << s;
        }
    }
    // a few boxes from the layout table, as literals
    EXPECT_EQ(SegmentBox[1].X0, 10);
    EXPECT_EQ(SegmentBox[4].Y1, 48);
    EXPECT_EQ(SegmentBox[15].X1, 37);
}

TEST_F(Display, VerticalsLeanToTheRightWithPointedEnds) {
    const Picture& s2 = SegmentPictures.Lit[2];
    auto span = [&](int y) {
        int l = 99, r = -1;
        for (int x = 0; x < 40; ++x)
            if (s2.At(x, y)) {
                l = std::min(l, x);
                r = std::max(r, x);
            }
        return std::pair{l, r};
    };
    EXPECT_EQ(span(4), (std::pair{33, 37}));   // near its top
    EXPECT_EQ(span(21), (std::pair{31, 35}));  // near its bottom
    EXPECT_LT(span(2).second - span(2).first, 2);  // pointed end
    // bars are four rows high
    int rows = 0;
    for (int y = 0; y < 50; ++y) rows += SegmentPictures.Lit[7].At(12, y) != 0;
    EXPECT_EQ(rows, 4);
}

TEST_F(Display, DigitOneStartsAtX79AndDigitTwentyAtX839) {
    for (int s = 1; s <= SegmentCount; ++s) DrawSegment(1, s, true);
    // box of all fifteen segments: x 3-37, y 1-48 of the cell at (79, 35)
    EXPECT_EQ(DrawnBox(0, 0, 949, 573), (ScreenRect{82, 36, 116, 83}));
    // inside of the top bar of digit 1 at cell (20, 2), outline at its top-left end
    EXPECT_EQ(Screen.At(79 + 20, 35 + 2), 10);
    EXPECT_EQ(Screen.At(79 + 10, 35 + 2), 2);
    Screen.Reset();
    for (int s = 1; s <= SegmentCount; ++s) DrawSegment(20, s, false);
    EXPECT_EQ(DrawnBox(0, 0, 949, 573), (ScreenRect{842, 36, 876, 83}));
    EXPECT_EQ(Screen.At(839 + 20, 35 + 2), 7);
}

TEST_F(Display, DrawSegmentLeavesTransparentPixelsAlone) {
    Screen.Box(79, 35, 118, 84, 99);
    DrawSegment(1, 15, true);  // decimal point only
    EXPECT_EQ(Screen.At(79 + 35, 35 + 44), 10);
    EXPECT_EQ(Screen.At(79 + 34, 35 + 43), 99);  // cut corner
    EXPECT_EQ(Screen.At(79 + 20, 35 + 2), 99);
}

TEST_F(Display, LatchesAtZeroLightEveryDigit) {
    RefreshBoard();
    for (int digit = 1; digit <= 20; ++digit) {
        const int x = 40 * digit + 39;
        EXPECT_EQ(Screen.At(x + 20, 35 + 2), 10) << "digit " << digit;  // top bar
        EXPECT_EQ(Screen.At(x + 35, 35 + 44), 10) << "digit " << digit; // point
    }
}

TEST_F(Display, RefreshDrawsOnlySelectedDigitsAndOthersKeepTheirPicture) {
    RefreshBoard();  // all lit
    SelectOnly(3);
    WritePort(0x90, 0xFF);
    WritePort(0x91, 0xFF);  // all unlit
    RefreshBoard();
    EXPECT_EQ(Screen.At(40 * 3 + 39 + 20, 37), 7);   // digit 3 now unlit
    EXPECT_EQ(Screen.At(40 * 2 + 39 + 20, 37), 10);  // digit 2 untouched
    EXPECT_EQ(Screen.At(40 * 4 + 39 + 20, 37), 10);  // digit 4 untouched
    // deselected between refreshes: digit 3 keeps its last drawn segments
    SelectOnly(4);
    WritePort(0x90, 0xFE);  // only segment 1 lit
    RefreshBoard();
    EXPECT_EQ(Screen.At(40 * 3 + 39 + 20, 37), 7);
    EXPECT_EQ(Screen.At(40 * 4 + 39 + 20, 37), 10);           // segment 1 lit
    EXPECT_EQ(Screen.At(40 * 4 + 39 + 35, 35 + 44), 7);       // point unlit
}

TEST_F(Display, Bit7OfPort91HasNoEffect) {
    WritePort(0x90, 0x5A);
    WritePort(0x91, 0x7F);
    RefreshBoard();
    const std::vector<uint8_t> first(Screen.Pixels(), Screen.Pixels() + ScreenWidth * ScreenHeight);
    Screen.Reset();
    WritePort(0x91, 0xFF);
    RefreshBoard();
    const std::vector<uint8_t> second(Screen.Pixels(), Screen.Pixels() + ScreenWidth * ScreenHeight);
    EXPECT_TRUE(first == second);
    EXPECT_GT(CountNonZero(79, 35, 878, 84), 0);
}

TEST_F(Display, TextDrawnOverADigitIsDrawnOverAgainByTheNextRefresh) {
    RefreshBoard();
    Screen.DrawText(5, 11, "##########", 3, 0);  // y 32-39, x 80-159: across digits 1 and 2
    EXPECT_NE(Screen.At(79 + 20, 37), 10);
    RefreshBoard();  // same latches: the digits are drawn again
    EXPECT_EQ(Screen.At(79 + 20, 37), 10);
}

// A character generator file written for the test: glyph n row i = n XOR i,
// except glyph 41h which is a diagonal line.
std::string WriteCharset(const ScratchDir& scratch, size_t bytes) {
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; ++i) {
        const size_t glyph = i / 16, row = i % 16;
        data[i] = glyph == 0x41 ? static_cast<uint8_t>(0x80 >> (row % 8)) : static_cast<uint8_t>(glyph ^ row);
    }
    return scratch.Write("VIOchar_" + std::to_string(bytes) + ".bin", data);
}

TEST_F(Display, VioCharsetIsReadByteByByteUpToItsCapacity) {
    const ScratchDir scratch;
    LoadVioCharset(WriteCharset(scratch, 3000));
    EXPECT_EQ(VioCharsetLength, 2048);
    EXPECT_EQ(VioCharset[0x41 * 16 + 1], 0x40);
    EXPECT_EQ(VioCharset[0x7F * 16 + 15], 0x7F ^ 15);
    LoadVioCharset(WriteCharset(scratch, 100));
    EXPECT_EQ(VioCharsetLength, 100);
    EXPECT_EQ(VioCharset[0x41 * 16], 0);  // not reached by the file
    LoadVioCharset("no/such/VIOchar.bin");
    EXPECT_EQ(VioCharsetLength, 0);
}

TEST_F(Display, VioCellsForCodes41hAnd0C1h) {
    const ScratchDir scratch;
    LoadVioCharset(WriteCharset(scratch, 2048));
    BoardMemory[0x4000] = 0x41;
    BoardMemory[0x4027] = 0xC1;
    RedrawVio();
    for (int i = 0; i < 14; ++i)
        for (int j = 0; j < 8; ++j) {
            const bool bit = j == i % 8;
            EXPECT_EQ(Screen.At(952 + j, i), bit ? 10 : 40) << "top left " << j << "," << i;
            EXPECT_EQ(Screen.At(1264 + j, i), bit ? 0 : 226) << "top right " << j << "," << i;
        }
    // glyph 0 (row i = i) in the next cell, code 00h at 4001h
    EXPECT_EQ(Screen.At(960 + 7, 1), 10);
    EXPECT_EQ(Screen.At(960 + 6, 1), 40);
    // bytes 14 and 15 of a glyph are not shown: row 14 is the next cell row
    EXPECT_EQ(Screen.At(952, 14), 40);
    EXPECT_EQ(TextForeground, 3);
    EXPECT_EQ(TextBackground, 0);
    EXPECT_EQ(host.Presents, 1);
}

TEST_F(Display, MemoryFrom4320hIsNeverShown) {
    VioCharset.fill(0);
    for (int i = 0; i < 16; ++i) VioCharset[0x7F * 16 + i] = 0xFF;  // 7Fh: solid
    for (uint32_t a = 0x4320; a < 0x4800; ++a) BoardMemory[a] = 0x7F;
    RedrawVio();
    // every cell shows code 00h (blank): background 40 only, y 0-279
    EXPECT_EQ(CountNonZero(952, 0, 1271, 279), 320 * 280);
    for (int y = 0; y < 280; ++y)
        for (int x = 952; x <= 1271; ++x) ASSERT_EQ(Screen.At(x, y), 40) << x << "," << y;
    // nothing below the last row or right of the last column
    EXPECT_EQ(CountNonZero(950, 280, 1274, 573), 0);
    EXPECT_EQ(CountNonZero(1272, 0, 1274, 279), 0);
}

TEST_F(Display, MissingCharsetShowsOnlyBackgrounds) {
    BoardMemory[0x4000] = 0x41;
    BoardMemory[0x4001] = 0xC1;
    RedrawVio();
    EXPECT_EQ(Screen.At(952 + 3, 5), 40);
    EXPECT_EQ(Screen.At(960 + 3, 5), 226);
}

TEST_F(Display, EveryThirtySecondRefreshRedrawsTheVio) {
    BoardMemory[0x4000] = 0xC1;
    for (int i = 0; i < 31; ++i) RefreshBoard();
    EXPECT_EQ(Screen.At(952, 0), 0);
    EXPECT_EQ(host.Presents, 0);
    RefreshBoard();
    EXPECT_EQ(Screen.At(952, 0), 226);
    EXPECT_EQ(host.Presents, 1);
    // a later change to VIO memory shows only at the 64th refresh
    BoardMemory[0x4000] = 0x01;
    for (int i = 0; i < 31; ++i) RefreshBoard();
    EXPECT_EQ(Screen.At(952, 0), 226);
    RefreshBoard();
    EXPECT_EQ(Screen.At(952, 0), 40);
}

TEST_F(Display, VioRedrawRestoresCellsThatOtherDrawingCovered) {
    BoardMemory[0x4000] = 0xC1;
    RedrawVio();
    ASSERT_EQ(Screen.At(952, 0), 226);
    // A message painted over the cell; the next redraw must draw it again,
    // although VIO memory did not change.
    Screen.PutBits8(952, 0, 0x00, 5, 5);
    RedrawVio();
    EXPECT_EQ(Screen.At(952, 0), 226);
    BoardMemory[0x4001] = 0xC1;
    RedrawVio();
    EXPECT_EQ(Screen.At(960, 0), 226);
}

}  // namespace
}  // namespace plover
