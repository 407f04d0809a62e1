#include "plover/board/board.h"

#include <algorithm>
#include <cstdio>

#include "plover/board/host.h"
#include "plover/video/text_grid.h"
#include "plover/z80/cpu.h"

namespace plover {

StopReason PendingStop = StopReason::None;
SegmentPictureSet SegmentPictures;
std::array<uint8_t, VioCharsetCapacity> VioCharset{};
int VioCharsetLength = 0;

// ---------------------------------------------------------------------------
// Ports
// ---------------------------------------------------------------------------

uint8_t ReadPort(uint8_t port) {
    switch (port) {
    case PortKeyboard: return ReadKeyboardPort();
    case PortDigitsHigh: return ReadModifierPort();
    default:
        return 0xFF;
    }
}

void WritePort(uint8_t port, uint8_t value) {
    switch (port) {
    case PortDigitsLow: DigitSelect = (DigitSelect & 0xFFFF00u) | value; break;
    case PortDigitsMiddle: DigitSelect = (DigitSelect & 0xFF00FFu) | (uint32_t{value} << 8); break;
    case PortDigitsHigh: DigitSelect = (DigitSelect & 0x00FFFFu) | (uint32_t{value} << 16); break;
    case PortSegmentsLow: SegmentLatch = static_cast<uint16_t>((SegmentLatch & 0xFF00u) | value); break;
    case PortSegmentsHigh: SegmentLatch = static_cast<uint16_t>((SegmentLatch & 0x00FFu) | (value << 8)); break;
    default:
        // an OUT to any other port is how a user leaves: Escape held ends the program
        if (ActiveHost->KeyHeld(ScanCode::Escape)) RequestProgramEnd();
        break;
    }
}

void ConnectBoard() {
    ResetKeyboard();
    ReadPortHook = ReadPort;
    WritePortHook = WritePort;
    PendingStop = StopReason::None;
}

// ---------------------------------------------------------------------------
// Segment pictures
// ---------------------------------------------------------------------------

const std::array<SegmentBounds, SegmentCount + 1> SegmentBox = {{
    {0, -1, 0, -1},
    {10, 35, 1, 4},    // 1 top bar
    {31, 37, 2, 23},   // 2 upper right vertical
    {30, 34, 26, 46},  // 3 lower right vertical
    {5, 30, 45, 48},   // 4 bottom bar
    {3, 9, 26, 46},    // 5 lower left vertical
    {5, 11, 2, 23},    // 6 upper left vertical
    {9, 16, 23, 26},   // 7 middle bar, left half
    {20, 30, 23, 26},  // 8 middle bar, right half
    {17, 22, 6, 23},   // 9 upper centre vertical
    {14, 19, 26, 43},  // 10 lower centre vertical
    {22, 31, 6, 21},   // 11 upper right diagonal
    {12, 16, 6, 21},   // 12 upper left diagonal
    {21, 28, 28, 43},  // 13 lower right diagonal
    {8, 15, 28, 43},   // 14 lower left diagonal
    {34, 37, 43, 46},  // 15 decimal point
}};

namespace {

enum class Shape { Vertical, Bar, Diagonal, Point };

constexpr Shape ShapeOf(int segment) {
    switch (segment) {
    case 1: case 4: case 7: case 8: return Shape::Bar;
    case 11: case 12: case 13: case 14: return Shape::Diagonal;
    case 15: return Shape::Point;
    default: return Shape::Vertical;
    }
}

// numerator / denominator rounded to the nearest integer (halves away from 0); denominator > 0
int RoundDiv(int numerator, int denominator) {
    return numerator >= 0 ? (2 * numerator + denominator) / (2 * denominator)
                          : -((-2 * numerator + denominator) / (2 * denominator));
}

// The pixels of a segment on row y of the cell: [left, right], or left > right.
void SegmentSpan(int segment, int y, int& left, int& right) {
    const SegmentBounds& b = SegmentBox[segment];
    left = 1;
    right = 0;
    if (y < b.Y0 || y > b.Y1) return;
    const int height = b.Y1 - b.Y0;
    const int fromEnd = std::min(y - b.Y0, b.Y1 - y);
    switch (ShapeOf(segment)) {
    case Shape::Vertical: {
        // 4 or 5 wide, leaning right: one pixel to the left every few rows down,
        // pointed at both ends
        const int boxWidth = b.X1 - b.X0 + 1;
        const int width = boxWidth >= 7 ? 5 : boxWidth - 1;
        const int lean = boxWidth - width;
        right = b.X1 - RoundDiv(lean * (y - b.Y0), height);
        left = right - width + 1;
        const int cut = std::max(0, 2 - fromEnd);
        left += cut;
        right -= cut;
        if (left > right) left = right;
        break;
    }
    case Shape::Bar:
    case Shape::Point:
        // 4 rows, the first and last one pixel shorter at each end
        left = b.X0 + (fromEnd == 0 ? 1 : 0);
        right = b.X1 - (fromEnd == 0 ? 1 : 0);
        break;
    case Shape::Diagonal: {
        // three pixels wide, running from one corner of the box to the other,
        // pointed at both ends
        const bool fallsRight = segment == 12 || segment == 13;
        const int start = fallsRight ? b.X0 + 1 : b.X1 - 1;
        const int end = fallsRight ? b.X1 - 1 : b.X0 + 1;
        const int centre = start + RoundDiv((end - start) * (y - b.Y0), height);
        const int half = fromEnd == 0 ? 0 : 1;
        left = std::max(centre - half, b.X0);
        right = std::min(centre + half, b.X1);
        break;
    }
    }
}

bool InSegment(int segment, int x, int y) {
    int left, right;
    SegmentSpan(segment, y, left, right);
    return x >= left && x <= right;
}

// Cropped copies of the pictures (their bounding box only) for fast drawing.
struct CroppedSegment {
    Picture Lit, Unlit;
};
std::array<CroppedSegment, SegmentCount + 1> croppedSegments;

Picture Crop(const Picture& cell, const SegmentBounds& b) {
    Picture out;
    out.Width = b.X1 - b.X0 + 1;
    out.Height = b.Y1 - b.Y0 + 1;
    out.Pixels.resize(static_cast<size_t>(out.Width) * out.Height);
    for (int y = 0; y < out.Height; ++y)
        for (int x = 0; x < out.Width; ++x) out.Pixels[static_cast<size_t>(y) * out.Width + x] = cell.At(b.X0 + x, b.Y0 + y);
    return out;
}

// What RefreshBoard last drew into each digit (lit mask, or -1 for unknown),
// valid while nobody else has drawn on the screen since.
std::array<int32_t, DigitCount + 1> drawnPattern;
uint32_t screenStampAfterRefresh = 0;
bool drawnPatternValid = false;

// The same for the VIO text: the byte RedrawVio last drew into each cell.
std::array<int16_t, VioRows * VioColumns> drawnVio;
uint32_t screenStampAfterVio = 0;
bool drawnVioValid = false;

}  // namespace

void LoadSegmentPictures() {
    for (int s = 1; s <= SegmentCount; ++s) {
        Picture lit{SegmentCellWidth, SegmentCellHeight, std::vector<uint8_t>(SegmentCellWidth * SegmentCellHeight, 0)};
        Picture unlit = lit;
        for (int y = 0; y < SegmentCellHeight; ++y)
            for (int x = 0; x < SegmentCellWidth; ++x) {
                if (!InSegment(s, x, y)) continue;
                const bool edge = !InSegment(s, x - 1, y) || !InSegment(s, x + 1, y) || !InSegment(s, x, y - 1) ||
                                  !InSegment(s, x, y + 1);
                lit.Pixels[y * SegmentCellWidth + x] = edge ? 2 : 10;
                unlit.Pixels[y * SegmentCellWidth + x] = 7;
            }
        croppedSegments[s] = {Crop(lit, SegmentBox[s]), Crop(unlit, SegmentBox[s])};
        SegmentPictures.Lit[s] = std::move(lit);
        SegmentPictures.Unlit[s] = std::move(unlit);
    }
    drawnPatternValid = false;
}

void DrawSegment(int digit, int segment, bool lit) {
    const CroppedSegment& c = croppedSegments[segment];
    const SegmentBounds& b = SegmentBox[segment];
    Screen.PutTransparent(SegmentCellWidth * digit + 39 + b.X0, 35 + b.Y0, lit ? c.Lit : c.Unlit);
}

void RefreshBoard() {
    const uint32_t select = DigitSelect;
    const uint32_t segments = SegmentLatch;
    // A digit drawn with the same pattern since nobody else touched the screen
    // already shows it: drawing again would change no pixel.
    if (!drawnPatternValid || Screen.ChangeStamp() != screenStampAfterRefresh) {
        drawnPattern.fill(-1);
        drawnPatternValid = true;
    }
    const int32_t pattern = static_cast<int32_t>(~segments & 0x7FFF);  // bit s-1 set: segment s lit
    for (int digit = 1; digit <= DigitCount; ++digit) {
        if (select & (1u << (digit - 1))) continue;
        if (drawnPattern[digit] == pattern) continue;
        for (int s = 1; s <= SegmentCount; ++s) DrawSegment(digit, s, (pattern >> (s - 1)) & 1);
        drawnPattern[digit] = pattern;
    }
    screenStampAfterRefresh = Screen.ChangeStamp();
    if (++RefreshCount % VioRefreshInterval == 0) RedrawVio();
}

// ---------------------------------------------------------------------------
// VIO
// ---------------------------------------------------------------------------

void LoadVioCharset(const std::string& path) {
    drawnVioValid = false;
    VioCharset.fill(0);
    VioCharsetLength = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    int ch;
    while (VioCharsetLength < VioCharsetCapacity && (ch = std::fgetc(file)) != EOF)
        VioCharset[VioCharsetLength++] = static_cast<uint8_t>(ch);
    std::fclose(file);
}

void DrawVioChar(int row, int column, uint8_t code) {
    const bool inverted = code & 0x80;
    const int glyph = (code & 0x7F) * 16;
    const uint8_t one = inverted ? 0 : 10;
    const uint8_t zero = inverted ? 226 : 40;
    const int x = VioLeft + VioCellWidth * column;
    const int y = VioCellHeight * row;
    for (int i = 0; i < VioCellHeight; ++i) Screen.PutBits8(x, y + i, VioCharset[glyph + i], one, zero);
}

void RedrawVio() {
    TextForeground = 200;
    TextBackground = 0;
    // Cells that already show their byte, with nothing else drawn on the
    // screen since, are left alone: a waiting prompt then costs no drawing.
    if (!drawnVioValid || Screen.ChangeStamp() != screenStampAfterVio) {
        drawnVio.fill(-1);
        drawnVioValid = true;
    }
    for (int r = 0; r < VioRows; ++r) {
        for (int c = 0; c < VioColumns; ++c) {
            const uint8_t code = BoardMemory[VioTextBase + VioColumns * r + c];
            int16_t& drawn = drawnVio[VioColumns * r + c];
            if (drawn == code) continue;
            DrawVioChar(r, c, code);
            drawn = code;
        }
    }
    screenStampAfterVio = Screen.ChangeStamp();
    TextForeground = 3;
    ActiveHost->Present();
}

}  // namespace plover
