// The board view's frame: the embedded pictures and their composition.
#include <gtest/gtest.h>

#include <cstring>

#include "kestrel/board/display.h"
#include "kestrel/pictures/keypad_layout.h"
#include "kestrel/pictures/pictures.h"

namespace kestrel {
namespace {

// Segment boxes (inclusive x0, x1, y0, y1) of bits 0 to 7 inside a 26 x 37 cell.
constexpr int kSegmentBox[8][4] = {
    {0, 4, 20, 34},   // 0 lower left vertical
    {3, 21, 16, 20},  // 1 middle horizontal
    {2, 6, 2, 18},    // 2 upper left vertical
    {5, 23, 0, 3},    // 3 top horizontal
    {20, 24, 2, 17},  // 4 upper right vertical
    {18, 22, 19, 33}, // 5 lower right vertical
    {22, 25, 32, 35}, // 6 decimal point
    {1, 19, 33, 36},  // 7 bottom horizontal
};
constexpr int kDigitXs[6] = {226, 188, 140, 102, 64, 26};

bool IsBlack(const RgbImage& image, int x, int y) {
    const uint8_t* p = image.At(x, y);
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

class Pictures : public ::testing::Test {
protected:
    static void SetUpTestSuite() { pictures_ = new DisplayPictures(DecodeDisplayPictures()); }
    static void TearDownTestSuite() {
        delete pictures_;
        pictures_ = nullptr;
    }

    // The frame as it must look, built by plain copying: the board, each lit
    // segment's non-black pixels at (digit x, 374), the lamps at their places.
    static RgbImage Expected(const DisplaySnapshot& s) {
        RgbImage frame = pictures_->Board;
        for (int digit = 0; digit < 6; ++digit)
            for (int bit = 0; bit < 8; ++bit) {
                if (!(s.Digits[digit] >> bit & 1)) continue;
                const RgbImage& seg = pictures_->Segments[bit];
                for (int y = 0; y < 37; ++y)
                    for (int x = 0; x < 26; ++x)
                        if (!IsBlack(seg, x, y))
                            std::memcpy(frame.At(kDigitXs[digit] + x, 374 + y), seg.At(x, y), 3);
            }
        auto lamp = [&](const RgbImage& image, int x0, int y0) {
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 12; ++x) std::memcpy(frame.At(x0 + x, y0 + y), image.At(x, y), 3);
        };
        if (s.ToneLit) lamp(pictures_->ToneLamp, 277, 372);
        if (s.Halted) lamp(pictures_->HaltLamp, 278, 391);
        return frame;
    }

    static DisplayPictures* pictures_;
};

DisplayPictures* Pictures::pictures_ = nullptr;

TEST_F(Pictures, EmbeddedPicturesDecodeToTheirSizes) {
    EXPECT_EQ(pictures_->Board.Width, 460);
    EXPECT_EQ(pictures_->Board.Height, 438);
    EXPECT_EQ(pictures_->ToneLamp.Width, 12);
    EXPECT_EQ(pictures_->ToneLamp.Height, 11);
    EXPECT_EQ(pictures_->HaltLamp.Width, 12);
    EXPECT_EQ(pictures_->HaltLamp.Height, 11);
    RgbImage keypad = DecodeKeypadPicture();
    EXPECT_EQ(keypad.Width, 460);
    EXPECT_EQ(keypad.Height, 222);
    EXPECT_EQ(EmbeddedSegmentBmps().Size, 8u * 3014u);
    for (int bit = 0; bit < 8; ++bit) {
        EXPECT_EQ(pictures_->Segments[bit].Width, 26) << "bit " << bit;
        EXPECT_EQ(pictures_->Segments[bit].Height, 37) << "bit " << bit;
    }
}

TEST_F(Pictures, SegmentBmpsHaveTheClassicLayout) {
    // 54-byte header, 24 bits, rows of 26 pixels padded to 80 bytes.
    EmbeddedBytes bmps = EmbeddedSegmentBmps();
    for (int bit = 0; bit < 8; ++bit) {
        const unsigned char* b = bmps.Data + bit * 3014;
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(b[2] | b[3] << 8 | b[4] << 16, 3014);
        EXPECT_EQ(b[10], 54);
        EXPECT_EQ(b[28], 24);
        EXPECT_EQ(b[34] | b[35] << 8, 2960);  // 37 rows of 80 bytes
    }
}

TEST_F(Pictures, EachSegmentLightsOnlyInsideItsBoxAndIsRed) {
    for (int bit = 0; bit < 8; ++bit) {
        const RgbImage& seg = pictures_->Segments[bit];
        int lit = 0;
        for (int y = 0; y < 37; ++y)
            for (int x = 0; x < 26; ++x) {
                if (IsBlack(seg, x, y)) continue;
                ++lit;
                EXPECT_TRUE(x >= kSegmentBox[bit][0] && x <= kSegmentBox[bit][1] && y >= kSegmentBox[bit][2] &&
                            y <= kSegmentBox[bit][3])
                    << "bit " << bit << " lights (" << x << ", " << y << ")";
                const uint8_t* p = seg.At(x, y);
                EXPECT_GT(p[0], 100) << "bit " << bit;  // red, with darker red edges
                EXPECT_EQ(p[1], 0);
                EXPECT_EQ(p[2], 0);
            }
        EXPECT_GE(lit, 8) << "bit " << bit << " is (almost) empty";
    }
    // Pure (255, 0, 0) in the middle of the top bar and of the upper right bar.
    EXPECT_EQ(pictures_->Segments[3].At(14, 2)[0], 255);
    EXPECT_EQ(pictures_->Segments[4].At(22, 10)[0], 255);
}

TEST_F(Pictures, KeypadShowsAKeyInEveryRectangle) {
    RgbImage keypad = DecodeKeypadPicture();
    ASSERT_FALSE(keypad.Empty());
    const uint8_t* panel = keypad.At(60, 60);  // between keys
    for (const KeyRect& key : kKeys) {
        const uint8_t* face = keypad.At((key.X0 + key.X1) / 2 - 5, key.Y0 + 2);
        EXPECT_NE(std::memcmp(face, panel, 3), 0) << key.Label;
    }
}

TEST_F(Pictures, DarkDisplayAndLampsOffFrameEqualsTheBoard) {
    DisplaySnapshot dark;  // all zero, TONE off, not halted
    RgbImage frame;
    ComposeFrame(*pictures_, dark, kDigitXStart, frame);
    ASSERT_EQ(frame.Pixels.size(), 460u * 438u * 3u);
    EXPECT_TRUE(frame.Pixels == pictures_->Board.Pixels);
}

TEST_F(Pictures, FramesMatchTheBoardWithSegmentsAndLampsDrawnOver) {
    struct Case {
        DisplaySnapshot Snapshot;
        const char* What;
    };
    const Case cases[] = {
        {{{0xBD, 0, 0, 0, 0, 0}, false, false}, "0 on the rightmost digit"},
        {{{0x3F, 0, 0, 0, 0, 0}, false, false}, "A on the rightmost digit"},
        {{{0, 0, 0, 0, 0, 0xFF}, false, false}, "all segments and point on the leftmost digit"},
        {{{0x30, 0x9B, 0xBA, 0x36, 0xAE, 0xAF}, true, false}, "1 to 6 with TONE"},
        {{{0, 0, 0, 0, 0, 0}, false, true}, "HALT only"},
        {{{0x40, 0x80, 0x01, 0x02, 0x04, 0x08}, true, true}, "single segments, both lamps"},
        {{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, true, true}, "everything"},
    };
    RgbImage frame;
    for (const Case& c : cases) {
        ComposeFrame(*pictures_, c.Snapshot, kDigitXStart, frame);
        RgbImage expected = Expected(c.Snapshot);
        EXPECT_TRUE(frame.Pixels == expected.Pixels) << c.What;
    }
}

TEST_F(Pictures, LitSegmentsChangeOnlyTheirDigitCell) {
    DisplaySnapshot s;
    s.Digits[0] = 0xBD;
    RgbImage frame;
    ComposeFrame(*pictures_, s, kDigitXStart, frame);
    int changed = 0;
    for (int y = 0; y < 438; ++y)
        for (int x = 0; x < 460; ++x) {
            if (std::memcmp(frame.At(x, y), pictures_->Board.At(x, y), 3) == 0) continue;
            ++changed;
            EXPECT_TRUE(x >= 226 && x < 252 && y >= 374 && y < 411) << "(" << x << ", " << y << ")";
        }
    EXPECT_GT(changed, 50);
    // The middle bar (bit 1) is not part of a 0.
    EXPECT_EQ(std::memcmp(frame.At(226 + 12, 374 + 18), pictures_->Board.At(226 + 12, 374 + 18), 3), 0);
}

// The key colour map as a table: every keypad pixel inside one of the 36
// rectangles (typed here from the board's key table) belongs to that key,
// every other pixel to none.
TEST(KeyColourMapTest, EveryPixelMapsToItsKeyOrToNone) {
    struct Rect {
        int X0, X1, Y0, Y1, Code, Pattern;
    };
    const int xs[9][2] = {{25, 50},   {74, 99},   {123, 147}, {171, 196}, {220, 244},
                          {268, 292}, {316, 340}, {363, 387}, {411, 435}};
    const int ys[4][2] = {{28, 44}, {77, 93}, {125, 141}, {174, 190}};
    // Code and pattern by picture row and column.
    const int codes[4][9][2] = {
        {{10, 0x00}, {5, 0xDF}, {5, 0xEF}, {5, 0xFE}, {4, 0xFD}, {3, 0xF7}, {2, 0xF7}, {1, 0xF7}, {0, 0xF7}},
        {{20, 0x00}, {4, 0xDF}, {4, 0xEF}, {4, 0xFE}, {4, 0xFB}, {3, 0xFB}, {2, 0xFB}, {1, 0xFB}, {0, 0xFB}},
        {{30, 0x00}, {3, 0xDF}, {2, 0xEF}, {5, 0xFD}, {5, 0xFB}, {3, 0xFD}, {2, 0xFD}, {1, 0xFD}, {0, 0xFD}},
        {{40, 0x00}, {2, 0xDF}, {3, 0xEF}, {5, 0xF7}, {4, 0xF7}, {3, 0xFE}, {2, 0xFE}, {1, 0xFE}, {0, 0xFE}},
    };
    // The board's wiring in the map's terms: specials 10, 20, 30, 40 with pattern 0.
    auto codeOf = [](const KeyRect& key) {
        const KeyWiring& w = WiringOf(key.Key);
        return w.Action == KeyAction::Matrix ? int(w.Column) : 10 * static_cast<int>(w.Action);
    };
    auto patternOf = [](const KeyRect& key) {
        const KeyWiring& w = WiringOf(key.Key);
        return w.Action == KeyAction::Matrix ? int(w.Pattern) : 0x00;
    };
    std::vector<Rect> rects;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 9; ++c)
            rects.push_back({xs[c][0], xs[c][1], ys[r][0], ys[r][1], codes[r][c][0], codes[r][c][1]});
    int keyPixels = 0;
    for (int y = 0; y < 222; ++y)
        for (int x = 0; x < 460; ++x) {
            const Rect* want = nullptr;
            for (const Rect& rect : rects)
                if (x >= rect.X0 && x <= rect.X1 && y >= rect.Y0 && y <= rect.Y1) want = &rect;
            const KeyRect* got = KeyAt(x, y);
            if (want == nullptr) {
                ASSERT_EQ(got, nullptr) << "(" << x << ", " << y << ")";
                continue;
            }
            ++keyPixels;
            ASSERT_NE(got, nullptr) << "(" << x << ", " << y << ")";
            ASSERT_EQ(codeOf(*got), want->Code) << "(" << x << ", " << y << ")";
            ASSERT_EQ(patternOf(*got), want->Pattern) << "(" << x << ", " << y << ")";
        }
    // 36 rectangles of 17 rows: 26 or 25 pixels wide.
    EXPECT_EQ(keyPixels, 17 * 4 * (26 + 26 + 25 + 26 + 25 + 25 + 25 + 25 + 25));
}

TEST(DisplaySnapshotTest, TakesDigitsToneAndHalt) {
    auto m = std::make_unique<Machine>();
    const uint8_t digits[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(m->DigitSegments, digits, 6);
    m->PortCLatch = 0x7F;
    m->Cpu.Halted = true;
    DisplaySnapshot s = TakeDisplaySnapshot(*m);
    EXPECT_EQ(std::memcmp(s.Digits, digits, 6), 0);
    EXPECT_TRUE(s.ToneLit);
    EXPECT_TRUE(s.Halted);
    m->PortCLatch = 0x80;
    m->Cpu.Halted = false;
    s = TakeDisplaySnapshot(*m);
    EXPECT_FALSE(s.ToneLit);
    EXPECT_FALSE(s.Halted);
}

TEST(DisplayComposeTest, MissingPicturesAreSkipped) {
    DisplayPictures none;
    DisplaySnapshot s;
    s.Digits[0] = 0xFF;
    s.ToneLit = s.Halted = true;
    RgbImage frame;
    ComposeFrame(none, s, kDigitXStart, frame);
    ASSERT_EQ(frame.Width, 460);
    for (uint8_t v : frame.Pixels) ASSERT_EQ(v, 0);
}

TEST(PictureDecoderTest, RefusesDamagedInput) {
    RgbImage out;
    const unsigned char garbage[] = {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(DecodePng(garbage, sizeof garbage, out));
    EXPECT_TRUE(out.Empty());
    EmbeddedBytes board = EmbeddedBoardPng();
    EXPECT_FALSE(DecodePng(board.Data, board.Size / 2, out));  // truncated
    EXPECT_TRUE(out.Empty());
    EmbeddedBytes bmps = EmbeddedSegmentBmps();
    EXPECT_FALSE(DecodeBmp24(bmps.Data, 3013, out));           // one byte short
    EXPECT_TRUE(out.Empty());
    EXPECT_FALSE(DecodeBmp24(bmps.Data, 20, out));             // header cut
    std::vector<unsigned char> bmp(bmps.Data, bmps.Data + 3014);
    bmp[28] = 8;                                               // not 24 bits
    EXPECT_FALSE(DecodeBmp24(bmp.data(), bmp.size(), out));
    bmp[28] = 24;
    bmp[18] = 0xFF; bmp[19] = 0xFF; bmp[20] = 0xFF; bmp[21] = 0x7F;  // absurd width
    EXPECT_FALSE(DecodeBmp24(bmp.data(), bmp.size(), out));
    EXPECT_TRUE(DecodeBmp24(bmps.Data, 3014, out));
    EXPECT_EQ(out.Width, 26);
}

}  // namespace
}  // namespace kestrel
