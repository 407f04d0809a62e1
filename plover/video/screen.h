// plover's video layer: one 1275 x 574 framebuffer of palette indices with a
// 256-entry palette, the drawing operations the board and the shell use, and a
// record of what changed since the last present. It knows no window: the
// shell's SDL host (plover/shell/sdl_host.h) pushes the changed region to one.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace plover {

inline constexpr int ScreenWidth = 1275;
inline constexpr int ScreenHeight = 574;
// The window can start at most this many times the framebuffer's size.
inline constexpr int MaxWindowScale = 4;

// A palette entry widened to 0-255 per component.
struct PaletteEntry {
    uint8_t R, G, B;
    bool operator==(const PaletteEntry&) const = default;
};

// The default palette of the PC's 256-colour VGA mode, on the 0-63 scale:
// 16 EGA colours, a 16-step grey ramp, nine 24-hue rings, 8 black entries.
const std::array<PaletteEntry, 256>& VgaDefaultPalette63();

// plover's own default palette: the VGA one with the colours of the VIO text
// window (40, 226) and of the panels beside it (30, 63) chosen to be legible
// and to match the keyboard picture.
const std::array<PaletteEntry, 256>& DefaultPalette63();

// Widens a 0-63 component to 0-255, rounding down (40 -> 161).
constexpr uint8_t WidenComponent(int value63) { return static_cast<uint8_t>((value63 & 63) * 255 / 63); }

// A picture in palette indices, row-major.
struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
    uint8_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Inclusive rectangle; empty when X0 > X1.
struct ScreenRect {
    int X0 = 1, Y0 = 1, X1 = 0, Y1 = 0;
    bool Empty() const { return X0 > X1 || Y0 > Y1; }
    bool operator==(const ScreenRect&) const = default;
};

class IndexScreen {
public:
    IndexScreen();

    // Black pixels, plover's default palette, everything marked changed.
    void Reset();

    // Palette, components 0-63, widened as WidenComponent does.
    void SetPaletteEntry(int index, int red, int green, int blue);
    const std::array<PaletteEntry, 256>& Palette() const { return palette_; }

    uint8_t At(int x, int y) const;
    const uint8_t* Pixels() const { return pixels_.data(); }

    // All drawing clips to the screen.
    void Plot(int x, int y, uint8_t colour);
    void Box(int x0, int y0, int x1, int y1, uint8_t colour);  // inclusive corners
    void PutTransparent(int x, int y, const Picture& picture);  // index 0 is not drawn
    void PutXor(int x, int y, const Picture& picture);
    // Eight pixels from bit 7 (left) to bit 0 of bits: one where set, zero where clear.
    void PutBits8(int x, int y, uint8_t bits, uint8_t one, uint8_t zero);
    // Text in the 8 x 8 font on the 159 x 71 grid: row and column from 1; each
    // character cell in fore on back. Characters past the right edge are clipped.
    void DrawText(int row, int column, std::string_view text, uint8_t fore, uint8_t back);

    // Changes since the last TakeChanges: the pixel region that changed (only
    // writes that altered a pixel count) and whether the palette changed.
    bool Changed() const { return paletteChanged_ || !dirty_.Empty(); }
    ScreenRect ChangedRect() const { return dirty_; }
    bool PaletteChanged() const { return paletteChanged_; }
    void MarkAllChanged();
    void TakeChanges();
    // Counts every drawing operation that altered a pixel, for ever: a drawer
    // that remembers the value after its own last drawing knows whether anyone
    // else has drawn since.
    uint32_t ChangeStamp() const { return stamp_; }

private:
    void Touch(int x0, int y0, int x1, int y1) {
        ++stamp_;
        if (x0 < dirty_.X0) dirty_.X0 = x0;
        if (y0 < dirty_.Y0) dirty_.Y0 = y0;
        if (x1 > dirty_.X1) dirty_.X1 = x1;
        if (y1 > dirty_.Y1) dirty_.Y1 = y1;
    }
    void ClearChanges();

    std::array<uint8_t, ScreenWidth * ScreenHeight> pixels_;
    std::array<PaletteEntry, 256> palette_;
    ScreenRect dirty_;
    bool paletteChanged_ = false;
    uint32_t stamp_ = 0;
};

// The program's one screen.
extern IndexScreen Screen;

}  // namespace plover
