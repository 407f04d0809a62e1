// Checks a screenshot of plover's window (binary PPM, 1275 x 574).
//   check_shot typed SHOT VIOCHAR ROW0 ROW1 LIT
//     VIO row 0 shows ROW0 and row 1 shows ROW1 (then a blank cell), drawn
//     with the glyphs of VIOCHAR in green on dark green; display digits 1..LIT are
//     lit and the others dark.
//   check_shot rows SHOT VIOCHAR FIRST TEXT...
//     VIO rows FIRST, FIRST + 1, ... begin with the texts (what follows them,
//     such as the blinking cursor, is not looked at).
//   check_shot blank SHOT
//     a run without files: black picture area, separator strip and panel
//     with the message about the ROM in white, empty VIO window, all twenty
//     digits lit.
//   check_shot panel SHOT LINE...
//     the lower right panel begins with the lines of text, in the window's
//     8 x 8 font, white on the panel's grey.
// Prints what differs and exits 1 on any difference.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plover/video/font8x8.h"

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb Green{0, 226, 0};     // palette 10, lit segment inside and VIO ink
constexpr Rgb DarkGreen{0, 40, 0};  // palette 7, dark segment
constexpr Rgb VioPaper{0, 24, 0};   // palette 40, VIO background
constexpr Rgb Black{0, 0, 0};
constexpr Rgb White{255, 255, 255};
constexpr Rgb Strip{80, 80, 80};  // palette 63
constexpr Rgb Panel{44, 44, 44};  // palette 30

int width = 0, height = 0;
std::vector<unsigned char> pixels;
int failures = 0;

bool ReadPpm(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    char magic[3] = {};
    int maxval = 0;
    if (std::fscanf(f, "%2s %d %d %d", magic, &width, &height, &maxval) != 4 || std::strcmp(magic, "P6") != 0 ||
        maxval != 255) {
        std::fclose(f);
        return false;
    }
    std::fgetc(f);  // the single whitespace after the header
    pixels.resize(static_cast<size_t>(width) * height * 3);
    const bool ok = std::fread(pixels.data(), 1, pixels.size(), f) == pixels.size();
    std::fclose(f);
    return ok;
}

std::vector<unsigned char> ReadFile(const char* path) {
    std::vector<unsigned char> bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        int ch;
        while ((ch = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(ch));
        std::fclose(f);
    }
    return bytes;
}

Rgb At(int x, int y) {
    const unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

void Expect(int x, int y, Rgb want, const std::string& what) {
    const Rgb got = At(x, y);
    if (got == want) return;
    if (++failures <= 20)
        std::printf("%s: pixel (%d,%d) is %d,%d,%d, expected %d,%d,%d\n", what.c_str(), x, y, got.r, got.g, got.b,
                    want.r, want.g, want.b);
}

void ExpectCell(int row, int column, unsigned code, const std::vector<unsigned char>& charset) {
    for (int i = 0; i < 14; ++i) {
        const unsigned char bits = code * 16 + i < charset.size() ? charset[code * 16 + i] : 0;
        for (int j = 0; j < 8; ++j)
            Expect(952 + 8 * column + j, 14 * row + i, (bits & (0x80 >> j)) ? Green : VioPaper,
                   "VIO cell " + std::to_string(row) + "," + std::to_string(column));
    }
}

// Line `line` (from 0) of the panel's messages, from x 952, y 296.
void ExpectPanelLine(int line, const std::string& text) {
    for (int c = 0; c < static_cast<int>(text.size()); ++c)
        for (int i = 0; i < 64; ++i)
            Expect(952 + 8 * c + i % 8, 296 + 8 * line + i / 8,
                   (plover::Font8x8[static_cast<unsigned char>(text[c])][i / 8] & (0x80 >> i % 8)) ? White : Panel,
                   "panel line " + std::to_string(line) + " '" + text + "' column " + std::to_string(c));
}

void ExpectDigit(int digit, bool lit) {
    // the inside of the top bar, cell pixel (20, 2)
    Expect(40 * digit + 39 + 20, 35 + 2, lit ? Green : DarkGreen, "digit " + std::to_string(digit));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || !ReadPpm(argv[2])) {
        std::printf("cannot read screenshot\n");
        return 1;
    }
    if (width != 1275 || height != 574) {
        std::printf("screenshot is %d x %d, expected 1275 x 574\n", width, height);
        return 1;
    }
    const std::string mode = argv[1];
    if (mode == "typed" && argc == 7) {
        const std::vector<unsigned char> charset = ReadFile(argv[3]);
        const std::string rows[2] = {argv[4], argv[5]};
        for (int r = 0; r < 2; ++r) {
            for (size_t c = 0; c < rows[r].size(); ++c) ExpectCell(r, static_cast<int>(c), rows[r][c], charset);
            ExpectCell(r, static_cast<int>(rows[r].size()), 0, charset);  // nothing after the text
        }
        const int lit = std::atoi(argv[6]);
        for (int d = 1; d <= 20; ++d) ExpectDigit(d, d <= lit);
    } else if (mode == "rows" && argc >= 6) {
        const std::vector<unsigned char> charset = ReadFile(argv[3]);
        const int first = std::atoi(argv[4]);
        for (int i = 5; i < argc; ++i)
            for (size_t c = 0; argv[i][c] != 0; ++c)
                ExpectCell(first + i - 5, static_cast<int>(c), static_cast<unsigned char>(argv[i][c]), charset);
    } else if (mode == "blank" && argc == 3) {
        for (const int x : {10, 300, 600, 949}) Expect(x, 300, Black, "picture area");
        Expect(40, 100, Black, "picture area");
        Expect(950, 281, Strip, "separator strip");
        Expect(1274, 289, Strip, "separator strip");
        Expect(950, 290, Panel, "panel");
        Expect(1274, 573, Panel, "panel");
        Expect(952, 0, VioPaper, "VIO window");
        Expect(1271, 279, VioPaper, "VIO window");
        int white = 0;  // the message about the missing ROM, in the panel
        for (int y = 290; y < 574; ++y)
            for (int x = 950; x < 1275; ++x) white += At(x, y) == White;
        if (white < 100) {
            std::printf("panel: %d white pixels, expected the message about the ROM\n", white);
            ++failures;
        }
        for (int d = 1; d <= 20; ++d) ExpectDigit(d, true);
    } else if (mode == "panel" && argc >= 4) {
        for (int i = 3; i < argc; ++i) ExpectPanelLine(i - 3, argv[i]);
    } else {
        std::printf(
            "usage: check_shot typed SHOT VIOCHAR ROW0 ROW1 LIT | check_shot rows SHOT VIOCHAR FIRST TEXT... | "
            "check_shot blank SHOT | check_shot panel SHOT LINE...\n");
        return 2;
    }
    if (failures > 0) std::printf("%d pixels differ\n", failures);
    return failures == 0 ? 0 : 1;
}
