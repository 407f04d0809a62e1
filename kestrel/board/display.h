// The LED display and lamps of the board view, composed on plain RGB buffers.
//
// RefreshDisplay only takes a DisplaySnapshot (six digit bytes, the TONE and
// HALT lamp states), which is cheap enough for every port B write; the window
// composes the latest snapshot into a frame when the screen wants one.
// Nothing here needs a window system, so frames can be checked pixel by pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kestrel/board/machine.h"

namespace kestrel {

// An 8-bit RGB picture, rows top to bottom, 3 bytes per pixel, no padding.
// Empty (Width 0) when a picture could not be decoded.
struct RgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    void Resize(int width, int height) {
        Width = width;
        Height = height;
        Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    }
    const uint8_t* At(int x, int y) const {
        return &Pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)) * 3];
    }
    uint8_t* At(int x, int y) {
        return &Pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)) * 3];
    }
};

// Board view geometry.
inline constexpr int kBoardWidth = 460;
inline constexpr int kBoardHeight = 438;
inline constexpr int kDigitY = 374;             // top of every digit
inline constexpr int kSegmentWidth = 26;
inline constexpr int kSegmentHeight = 37;
inline constexpr int kLampWidth = 12;
inline constexpr int kLampHeight = 11;
inline constexpr int kToneLampX = 277, kToneLampY = 372;   // green, lit while port C bit 7 is 0
inline constexpr int kHaltLampX = 278, kHaltLampY = 391;   // red, lit while halted
// x of digit 0 (rightmost) to digit 5 (leftmost), as PlaceDigits stores it in DigitX.
inline constexpr uint8_t kDigitXStart[6] = {226, 188, 140, 102, 64, 26};

// Stores the digit positions kDigitXStart in the board's DigitX.
void PlaceDigits(Machine& m);

// What one refresh shows.
struct DisplaySnapshot {
    uint8_t Digits[6] = {0, 0, 0, 0, 0, 0};  // segment bits per digit, digit 0 rightmost
    bool ToneLit = false;                    // port C bit 7 was 0
    bool Halted = false;                     // the processor was halted

    bool operator==(const DisplaySnapshot&) const = default;
};

// The pictures a frame is built from. Any of them may be empty (not decoded):
// its drawing is then skipped, and without a board picture the frame starts black.
struct DisplayPictures {
    RgbImage Board;        // 460 x 438
    RgbImage ToneLamp;     // 12 x 11, drawn opaque
    RgbImage HaltLamp;     // 12 x 11, drawn opaque
    RgbImage Segments[8];  // 26 x 37 each, one per segment bit; black is transparent
};

// The state that RefreshDisplay shows: DigitSegments, port C bit 7, Halted.
DisplaySnapshot TakeDisplaySnapshot(const Machine& m);

// Builds a whole 460 x 438 frame: the board picture, then for each digit i the
// segment pictures of its set bits at (digitX[i], 374) with black left
// transparent, then the TONE lamp at (277, 372) and the HALT lamp at (278, 391)
// when lit. `frame` is resized as needed (no allocation once it has its size).
void ComposeFrame(const DisplayPictures& pictures, const DisplaySnapshot& snapshot,
                  const uint8_t digitX[6], RgbImage& frame);

}  // namespace kestrel
