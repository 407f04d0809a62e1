#include "plover/video/screen.h"

#include <algorithm>
#include <cstring>

#include "plover/video/font8x8.h"

namespace plover {

IndexScreen Screen;

namespace {

std::array<PaletteEntry, 256> BuildVgaPalette() {
    std::array<PaletteEntry, 256> p{};
    // 0-15: the sixteen EGA colours
    constexpr uint8_t ega[16][3] = {
        {0x00, 0x00, 0x00}, {0x00, 0x00, 0x2A}, {0x00, 0x2A, 0x00}, {0x00, 0x2A, 0x2A},
        {0x2A, 0x00, 0x00}, {0x2A, 0x00, 0x2A}, {0x2A, 0x15, 0x00}, {0x2A, 0x2A, 0x2A},
        {0x15, 0x15, 0x15}, {0x15, 0x15, 0x3F}, {0x15, 0x3F, 0x15}, {0x15, 0x3F, 0x3F},
        {0x3F, 0x15, 0x15}, {0x3F, 0x15, 0x3F}, {0x3F, 0x3F, 0x15}, {0x3F, 0x3F, 0x3F}};
    for (int i = 0; i < 16; ++i) p[i] = {ega[i][0], ega[i][1], ega[i][2]};
    // 16-31: grey ramp
    constexpr uint8_t grey[16] = {0x00, 0x05, 0x08, 0x0B, 0x0E, 0x11, 0x14, 0x18,
                                  0x1C, 0x20, 0x24, 0x28, 0x2D, 0x32, 0x38, 0x3F};
    for (int i = 0; i < 16; ++i) p[16 + i] = {grey[i], grey[i], grey[i]};
    // 32-247: three intensities x three saturations, each a ring of 24 hues
    // running blue, magenta, red, yellow, green, cyan and back, built from five
    // component levels (lowest to highest).
    constexpr uint8_t levels[9][5] = {
        {0x00, 0x10, 0x1F, 0x2F, 0x3F}, {0x1F, 0x27, 0x2F, 0x37, 0x3F}, {0x2D, 0x31, 0x36, 0x3A, 0x3F},
        {0x00, 0x07, 0x0E, 0x15, 0x1C}, {0x0E, 0x11, 0x15, 0x18, 0x1C}, {0x14, 0x16, 0x18, 0x1A, 0x1C},
        {0x00, 0x04, 0x08, 0x0C, 0x10}, {0x08, 0x0A, 0x0C, 0x0E, 0x10}, {0x0B, 0x0C, 0x0D, 0x0F, 0x10}};
    // ring position -> level index of red, green, blue
    constexpr uint8_t ring[24][3] = {
        {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
        {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
        {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};
    for (int block = 0; block < 9; ++block)
        for (int hue = 0; hue < 24; ++hue)
            p[32 + block * 24 + hue] = {levels[block][ring[hue][0]], levels[block][ring[hue][1]],
                                        levels[block][ring[hue][2]]};
    // 248-255 stay black
    return p;
}

// For each byte of eight pixel bits (bit 7 leftmost) the eight pixel bytes in
// memory order, FFh where the bit is set (little-endian hosts).
constexpr std::array<uint64_t, 256> BuildByteMasks() {
    std::array<uint64_t, 256> masks{};
    for (int bits = 0; bits < 256; ++bits)
        for (int j = 0; j < 8; ++j)
            if (bits & (0x80 >> j)) masks[bits] |= uint64_t{0xFF} << (8 * j);
    return masks;
}
constexpr std::array<uint64_t, 256> ByteMasks = BuildByteMasks();

}  // namespace

const std::array<PaletteEntry, 256>& VgaDefaultPalette63() {
    static const std::array<PaletteEntry, 256> palette = BuildVgaPalette();
    return palette;
}

const std::array<PaletteEntry, 256>& DefaultPalette63() {
    static const std::array<PaletteEntry, 256> palette = [] {
        std::array<PaletteEntry, 256> p = VgaDefaultPalette63();
        p[30] = {0x0B, 0x0B, 0x0B};  // lower right panel: the keyboard's case
        p[40] = {0x00, 0x06, 0x00};  // VIO background: dark green
        p[63] = {0x14, 0x14, 0x14};  // separator strip: the edge of the case
        p[226] = {0x00, 0x38, 0x00}; // VIO inverted background: the text's green
        return p;
    }();
    return palette;
}

IndexScreen::IndexScreen() { Reset(); }

void IndexScreen::Reset() {
    pixels_.fill(0);
    ++stamp_;
    const auto& vga = DefaultPalette63();
    for (int i = 0; i < 256; ++i)
        palette_[i] = {WidenComponent(vga[i].R), WidenComponent(vga[i].G), WidenComponent(vga[i].B)};
    MarkAllChanged();
}

void IndexScreen::SetPaletteEntry(int index, int red, int green, int blue) {
    const PaletteEntry entry{WidenComponent(red), WidenComponent(green), WidenComponent(blue)};
    PaletteEntry& slot = palette_[index & 0xFF];
    if (slot == entry) return;
    slot = entry;
    paletteChanged_ = true;
}

uint8_t IndexScreen::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return 0;
    return pixels_[static_cast<size_t>(y) * ScreenWidth + x];
}

void IndexScreen::Plot(int x, int y, uint8_t colour) {
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return;
    uint8_t& cell = pixels_[static_cast<size_t>(y) * ScreenWidth + x];
    if (cell == colour) return;
    cell = colour;
    Touch(x, y, x, y);
}

void IndexScreen::Box(int x0, int y0, int x1, int y1, uint8_t colour) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, ScreenWidth - 1);
    y1 = std::min(y1, ScreenHeight - 1);
    if (x0 > x1 || y0 > y1) return;
    for (int y = y0; y <= y1; ++y) std::fill_n(&pixels_[static_cast<size_t>(y) * ScreenWidth + x0], x1 - x0 + 1, colour);
    Touch(x0, y0, x1, y1);
}

void IndexScreen::PutTransparent(int x, int y, const Picture& picture) {
    bool changed = false;
    for (int py = 0; py < picture.Height; ++py) {
        const int sy = y + py;
        if (sy < 0 || sy >= ScreenHeight) continue;
        const uint8_t* src = &picture.Pixels[static_cast<size_t>(py) * picture.Width];
        uint8_t* row = &pixels_[static_cast<size_t>(sy) * ScreenWidth];
        for (int px = 0; px < picture.Width; ++px) {
            const int sx = x + px;
            const uint8_t c = src[px];
            if (c == 0 || sx < 0 || sx >= ScreenWidth) continue;
            changed |= row[sx] != c;
            row[sx] = c;
        }
    }
    if (changed) Touch(std::max(x, 0), std::max(y, 0), std::min(x + picture.Width - 1, ScreenWidth - 1),
                       std::min(y + picture.Height - 1, ScreenHeight - 1));
}

void IndexScreen::PutXor(int x, int y, const Picture& picture) {
    bool changed = false;
    for (int py = 0; py < picture.Height; ++py) {
        const int sy = y + py;
        if (sy < 0 || sy >= ScreenHeight) continue;
        const uint8_t* src = &picture.Pixels[static_cast<size_t>(py) * picture.Width];
        uint8_t* row = &pixels_[static_cast<size_t>(sy) * ScreenWidth];
        for (int px = 0; px < picture.Width; ++px) {
            const int sx = x + px;
            if (sx < 0 || sx >= ScreenWidth) continue;
            changed |= src[px] != 0;
            row[sx] ^= src[px];
        }
    }
    if (changed) Touch(std::max(x, 0), std::max(y, 0), std::min(x + picture.Width - 1, ScreenWidth - 1),
                       std::min(y + picture.Height - 1, ScreenHeight - 1));
}

void IndexScreen::PutBits8(int x, int y, uint8_t bits, uint8_t one, uint8_t zero) {
    if (y < 0 || y >= ScreenHeight || x < 0 || x + 8 > ScreenWidth) {
        for (int j = 0; j < 8; ++j) Plot(x + j, y, (bits & (0x80 >> j)) ? one : zero);
        return;
    }
    // all eight pixels at once: the byte mask of the set bits selects one or zero
    const uint64_t mask = ByteMasks[bits];
    const uint64_t eight = (mask & (0x0101010101010101ull * one)) | (~mask & (0x0101010101010101ull * zero));
    uint8_t* row = &pixels_[static_cast<size_t>(y) * ScreenWidth + x];
    uint64_t before;
    std::memcpy(&before, row, 8);
    if (before == eight) return;
    std::memcpy(row, &eight, 8);
    Touch(x, y, x + 7, y);
}

void IndexScreen::DrawText(int row, int column, std::string_view text, uint8_t fore, uint8_t back) {
    const int y = 8 * (row - 1);
    int x = 8 * (column - 1);
    for (const char ch : text) {
        if (x + 8 > ScreenWidth) break;  // only whole cells: column 159 is the last
        const auto& glyph = Font8x8[static_cast<uint8_t>(ch)];
        for (int i = 0; i < 8; ++i) PutBits8(x, y + i, glyph[i], fore, back);
        x += 8;
    }
}

void IndexScreen::MarkAllChanged() {
    dirty_ = {0, 0, ScreenWidth - 1, ScreenHeight - 1};
    paletteChanged_ = true;
}

void IndexScreen::ClearChanges() {
    dirty_ = ScreenRect{};
    dirty_.X0 = ScreenWidth;
    dirty_.Y0 = ScreenHeight;
    dirty_.X1 = -1;
    dirty_.Y1 = -1;
    paletteChanged_ = false;
}

void IndexScreen::TakeChanges() { ClearChanges(); }

}  // namespace plover
