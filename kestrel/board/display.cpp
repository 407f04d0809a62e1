// Frame composition of the board view.
#include "kestrel/board/display.h"

#include <algorithm>
#include <cstring>

namespace kestrel {

namespace {

// Copies `image` to (x, y) of `frame`, clipped to the frame.
void DrawOpaque(RgbImage& frame, const RgbImage& image, int x, int y) {
    if (image.Empty()) return;
    int x0 = std::max(0, x), x1 = std::min(frame.Width, x + image.Width);
    int y0 = std::max(0, y), y1 = std::min(frame.Height, y + image.Height);
    if (x0 >= x1) return;
    for (int row = y0; row < y1; ++row) {
        std::memcpy(frame.At(x0, row), image.At(x0 - x, row - y), static_cast<size_t>(x1 - x0) * 3);
    }
}

// As DrawOpaque, but pixels that are pure black (0, 0, 0) leave the frame as it is.
void DrawKeyed(RgbImage& frame, const RgbImage& image, int x, int y) {
    if (image.Empty()) return;
    int x0 = std::max(0, x), x1 = std::min(frame.Width, x + image.Width);
    int y0 = std::max(0, y), y1 = std::min(frame.Height, y + image.Height);
    if (x0 >= x1) return;
    for (int row = y0; row < y1; ++row) {
        const uint8_t* src = image.At(x0 - x, row - y);
        uint8_t* dst = frame.At(x0, row);
        for (int col = x0; col < x1; ++col, src += 3, dst += 3) {
            if ((src[0] | src[1] | src[2]) != 0) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
        }
    }
}

}  // namespace

void PlaceDigits(Machine& m) { std::memcpy(m.DigitX, kDigitXStart, sizeof m.DigitX); }

DisplaySnapshot TakeDisplaySnapshot(const Machine& m) {
    DisplaySnapshot s;
    std::memcpy(s.Digits, m.DigitSegments, sizeof s.Digits);
    s.ToneLit = (m.PortCLatch & 0x80) == 0;
    s.Halted = m.Cpu.Halted;
    return s;
}

void ComposeFrame(const DisplayPictures& pictures, const DisplaySnapshot& snapshot,
                  const uint8_t digitX[6], RgbImage& frame) {
    if (frame.Width != kBoardWidth || frame.Height != kBoardHeight) {
        frame.Resize(kBoardWidth, kBoardHeight);
    }
    if (pictures.Board.Width == kBoardWidth && pictures.Board.Height == kBoardHeight) {
        std::memcpy(frame.Pixels.data(), pictures.Board.Pixels.data(), frame.Pixels.size());
    } else {
        std::fill(frame.Pixels.begin(), frame.Pixels.end(), uint8_t{0});
        DrawOpaque(frame, pictures.Board, 0, 0);
    }
    for (int digit = 0; digit < 6; ++digit) {
        uint8_t bits = snapshot.Digits[digit];
        for (int bit = 0; bit < 8; ++bit) {
            if (bits & (1u << bit)) DrawKeyed(frame, pictures.Segments[bit], digitX[digit], kDigitY);
        }
    }
    if (snapshot.ToneLit) DrawOpaque(frame, pictures.ToneLamp, kToneLampX, kToneLampY);
    if (snapshot.Halted) DrawOpaque(frame, pictures.HaltLamp, kHaltLampX, kHaltLampY);
}

}  // namespace kestrel
