// The display-free graphics layer: palette, plot, box, transparent and XOR
// puts, 8 x 8 text on the 159 x 71 grid, and the record of what changed.
#include <gtest/gtest.h>

#include "plover/video/font8x8.h"
#include "plover/video/screen.h"

namespace plover {
namespace {

class ScreenLayer : public ::testing::Test {
protected:
    void SetUp() override {
        screen.Reset();
        screen.TakeChanges();
    }
    IndexScreen screen;
};

TEST(VgaPalette, DefaultEntriesOnThe0To63Scale) {
    const auto& p = VgaDefaultPalette63();
    EXPECT_EQ(p[1], (PaletteEntry{0, 0, 42}));
    EXPECT_EQ(p[6], (PaletteEntry{42, 21, 0}));  // brown
    EXPECT_EQ(p[15], (PaletteEntry{63, 63, 63}));
    EXPECT_EQ(p[16], (PaletteEntry{0, 0, 0}));
    EXPECT_EQ(p[23], (PaletteEntry{24, 24, 24}));
    EXPECT_EQ(p[31], (PaletteEntry{63, 63, 63}));
    EXPECT_EQ(p[32], (PaletteEntry{0, 0, 63}));
    EXPECT_EQ(p[40], (PaletteEntry{63, 0, 0}));
    EXPECT_EQ(p[48], (PaletteEntry{0, 63, 0}));
    EXPECT_EQ(p[63], (PaletteEntry{63, 31, 39}));
    EXPECT_EQ(p[104], (PaletteEntry{0, 0, 28}));
    EXPECT_EQ(p[200], (PaletteEntry{8, 8, 16}));
    EXPECT_EQ(p[226], (PaletteEntry{13, 11, 16}));
    EXPECT_EQ(p[247], (PaletteEntry{11, 12, 16}));
    EXPECT_EQ(p[248], (PaletteEntry{0, 0, 0}));
    EXPECT_EQ(WidenComponent(63), 255);
    EXPECT_EQ(WidenComponent(40), 161);
    EXPECT_EQ(WidenComponent(32), 129);
    EXPECT_EQ(WidenComponent(10), 40);
}

TEST_F(ScreenLayer, PaletteEntriesAreWidenedWhenSet) {
    screen.SetPaletteEntry(10, 0, 40, 0);
    EXPECT_EQ(screen.Palette()[10], (PaletteEntry{0, 161, 0}));
    EXPECT_TRUE(screen.PaletteChanged());
    screen.TakeChanges();
    screen.SetPaletteEntry(10, 0, 40, 0);  // same value: no change to show
    EXPECT_FALSE(screen.Changed());
}

TEST_F(ScreenLayer, PlotAndBoxClipToTheScreen) {
    screen.Plot(-1, 0, 5);
    screen.Plot(1275, 0, 5);
    screen.Plot(0, 574, 5);
    EXPECT_FALSE(screen.Changed());
    screen.Plot(1274, 573, 5);
    EXPECT_EQ(screen.At(1274, 573), 5);
    screen.TakeChanges();
    screen.Box(950, 290, 1274, 589, 30);  // reaches past the bottom
    EXPECT_EQ(screen.At(950, 290), 30);
    EXPECT_EQ(screen.At(1274, 573), 30);
    EXPECT_EQ(screen.At(949, 290), 0);
    EXPECT_EQ(screen.At(950, 289), 0);
    EXPECT_EQ(screen.ChangedRect(), (ScreenRect{950, 290, 1274, 573}));
}

TEST_F(ScreenLayer, TransparentPutSkipsIndexZeroAndXorCombines) {
    const Picture picture{3, 2, {1, 0, 3, 0, 5, 0}};
    screen.Box(10, 10, 12, 11, 6);
    screen.TakeChanges();
    screen.PutTransparent(10, 10, picture);
    EXPECT_EQ(screen.At(10, 10), 1);
    EXPECT_EQ(screen.At(11, 10), 6);
    EXPECT_EQ(screen.At(12, 10), 3);
    EXPECT_EQ(screen.At(10, 11), 6);
    EXPECT_EQ(screen.At(11, 11), 5);
    EXPECT_EQ(screen.ChangedRect(), (ScreenRect{10, 10, 12, 11}));
    screen.PutXor(10, 10, picture);  // 1^1, 6^0, 3^3 / 6^0, 5^5, 6^0
    EXPECT_EQ(screen.At(10, 10), 0);
    EXPECT_EQ(screen.At(11, 10), 6);
    EXPECT_EQ(screen.At(11, 11), 0);
    // XOR onto black leaves the picture as it is; puts clip at the edges
    screen.PutXor(1273, 572, picture);
    EXPECT_EQ(screen.At(1273, 572), 1);
    EXPECT_EQ(screen.At(1274, 573), 5);
}

TEST_F(ScreenLayer, TextCellsAreEightByEightFromRowAndColumnOne) {
    screen.DrawText(1, 1, "A", 3, 0);
    // 'A': row 0 is .###. in pixel columns 1-5
    EXPECT_EQ(screen.At(0, 0), 0);
    EXPECT_EQ(screen.At(1, 0), 0);
    EXPECT_EQ(screen.At(2, 0), 3);
    EXPECT_EQ(screen.At(4, 0), 3);
    EXPECT_EQ(screen.At(5, 0), 0);
    EXPECT_EQ(screen.At(1, 3), 3);  // the bar of 'A'
    EXPECT_EQ(screen.At(5, 3), 3);
    // row 3, column 2 starts at (8, 16); the background fills the cell
    screen.DrawText(3, 2, " ", 3, 9);
    for (int y = 16; y < 24; ++y)
        for (int x = 8; x < 16; ++x) EXPECT_EQ(screen.At(x, y), 9);
    // the last column (159) starts at x 1264; text past it is clipped
    screen.DrawText(71, 158, "###", 4, 0);
    EXPECT_NE(screen.At(1264 + 2, 560 + 1), 0);
    EXPECT_EQ(screen.At(1273, 562), 0);  // '#' row 2 is lit across, but not in a 160th cell
}

TEST_F(ScreenLayer, FontCoversPrintableAscii) {
    for (int code = 0x21; code < 0x7F; ++code) {
        int lit = 0;
        for (const uint8_t row : Font8x8[code]) {
            EXPECT_EQ(row & 0x83, 0) << "glyph " << code << " outside columns 1-5";
            lit += __builtin_popcount(row);
        }
        EXPECT_GT(lit, 0) << "glyph " << code;
    }
    for (const uint8_t row : Font8x8[' ']) EXPECT_EQ(row, 0);
}

TEST_F(ScreenLayer, OnlyWritesThatAlterAPixelCount) {
    screen.Plot(5, 5, 0);  // already 0
    screen.PutBits8(100, 100, 0x00, 1, 0);
    EXPECT_FALSE(screen.Changed());
    const uint32_t stamp = screen.ChangeStamp();
    screen.PutBits8(100, 100, 0x81, 1, 0);
    EXPECT_EQ(screen.ChangedRect(), (ScreenRect{100, 100, 107, 100}));
    EXPECT_NE(screen.ChangeStamp(), stamp);
    screen.TakeChanges();
    EXPECT_FALSE(screen.Changed());
    EXPECT_TRUE(screen.ChangedRect().Empty());
    screen.MarkAllChanged();
    EXPECT_EQ(screen.ChangedRect(), (ScreenRect{0, 0, 1274, 573}));
}

}  // namespace
}  // namespace plover
