// Reads kestrel's LED digits off a screenshot.
//
//   e2e_kestrel_read_digits <screenshot.png>
//
// Finds the board picture on the screen (by its pixels outside the display)
// and prints its top-left corner and what the display shows:
//   origin <x> <y>
//   digits <d5> <d4> <d3> <d2> <d1> <d0> tone <0|1> halt <0|1>
// with each digit as the hex byte of the segment bits seen lit. Exit status 1
// when the board is not on the screen.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "kestrel/board/display.h"
#include "kestrel/pictures/pictures.h"

namespace {

using kestrel::RgbImage;

bool Same(const RgbImage& a, int ax, int ay, const RgbImage& b, int bx, int by) {
    return std::memcmp(a.At(ax, ay), b.At(bx, by), 3) == 0;
}

// Whether the board sits with its corner at (ox, oy): every 3rd pixel of the
// part above the display must match.
bool BoardAt(const RgbImage& screen, const RgbImage& board, int ox, int oy) {
    for (int y = 0; y < 350; y += 3)
        for (int x = 0; x < board.Width; x += 3)
            if (!Same(screen, ox + x, oy + y, board, x, y)) return false;
    return true;
}

// The share of an overlay's non-black pixels that the screen shows at (ox, oy).
double Coverage(const RgbImage& screen, const RgbImage& overlay, int ox, int oy, bool keyBlack) {
    int total = 0, seen = 0;
    for (int y = 0; y < overlay.Height; ++y)
        for (int x = 0; x < overlay.Width; ++x) {
            const uint8_t* p = overlay.At(x, y);
            if (keyBlack && (p[0] | p[1] | p[2]) == 0) continue;
            ++total;
            seen += Same(screen, ox + x, oy + y, overlay, x, y);
        }
    return total == 0 ? 0.0 : static_cast<double>(seen) / total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <screenshot.png>\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RgbImage screen;
    if (!kestrel::DecodePng(bytes.data(), bytes.size(), screen)) {
        std::fprintf(stderr, "%s: not a PNG\n", argv[1]);
        return 2;
    }
    kestrel::DisplayPictures pictures = kestrel::DecodeDisplayPictures();
    const RgbImage& board = pictures.Board;
    for (int oy = 0; oy + board.Height <= screen.Height; ++oy)
        for (int ox = 0; ox + board.Width <= screen.Width; ++ox) {
            if (!Same(screen, ox, oy, board, 0, 0) || !BoardAt(screen, board, ox, oy)) continue;
            std::printf("origin %d %d\ndigits", ox, oy);
            for (int digit = 5; digit >= 0; --digit) {
                unsigned bits = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    double c = Coverage(screen, pictures.Segments[bit], ox + kestrel::kDigitXStart[digit],
                                        oy + kestrel::kDigitY, true);
                    if (c > 0.9) bits |= 1u << bit;
                }
                std::printf(" %02X", bits);
            }
            bool tone = Coverage(screen, pictures.ToneLamp, ox + kestrel::kToneLampX, oy + kestrel::kToneLampY,
                                 false) > 0.99;
            bool halt = Coverage(screen, pictures.HaltLamp, ox + kestrel::kHaltLampX, oy + kestrel::kHaltLampY,
                                 false) > 0.99;
            std::printf(" tone %d halt %d\n", tone ? 1 : 0, halt ? 1 : 0);
            return 0;
        }
    std::fprintf(stderr, "the board is not on the screen\n");
    return 1;
}
