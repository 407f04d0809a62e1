// Draws plover's data files into the folder named on the command line:
//   teclado.bmp  950 x 574, 8 bits per pixel with plover's default palette: the
//                MPF-1 Plus keyboard with its keys labelled by the host keys
//                that press them, and the dark window where the 20 digits go;
//   VIOchar.bin  the VIO character generator: 128 glyphs of 8 x 14 pixels in
//                16-byte cells (rows 0-13, bit 7 leftmost; bytes 14-15 zero),
//                codes 20h-7Eh from the program's 8 x 8 font stretched to
//                14 rows, 7Fh a solid block, 00h-1Fh blank;
//   plover.png   64 x 64, the program's desktop icon (installed, not read).
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "plover/video/font8x8.h"
#include "plover/video/screen.h"

namespace {

using plover::Font8x8;

constexpr int Width = 950;
constexpr int Height = 574;

// Palette indices used (the default palette; 2, 7 and 10 are avoided because
// the program redefines them after loading the picture, and 30, 40, 63 and
// 226 because they are the window's own colours).
constexpr uint8_t Black = 0;
constexpr uint8_t White = 15;
constexpr uint8_t Body = 19;       // grey 0Bh
constexpr uint8_t BodyEdge = 22;   // grey 14h
constexpr uint8_t KeyFace = 27;    // grey 28h
constexpr uint8_t KeyLight = 29;   // grey 32h
constexpr uint8_t KeyShadow = 21;  // grey 11h
constexpr uint8_t Accent = 43;     // orange
constexpr uint8_t Legend = 26;     // grey 24h

struct Canvas {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(Width * Height, Body);
    void Plot(int x, int y, uint8_t c) {
        if (x >= 0 && y >= 0 && x < Width && y < Height) pixels[y * Width + x] = c;
    }
    void Box(int x0, int y0, int x1, int y1, uint8_t c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Plot(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, uint8_t c) {
        Box(x0, y0, x1, y0, c);
        Box(x0, y1, x1, y1, c);
        Box(x0, y0, x0, y1, c);
        Box(x1, y0, x1, y1, c);
    }
    // text in the 8 x 8 font, each font pixel scale x scale
    void Text(int x, int y, std::string_view text, int scale, uint8_t c) {
        for (const char ch : text) {
            const auto& glyph = Font8x8[static_cast<uint8_t>(ch)];
            for (int row = 0; row < 8; ++row)
                for (int col = 0; col < 8; ++col)
                    if (glyph[row] & (0x80 >> col)) Box(x + col * scale, y + row * scale, x + col * scale + scale - 1,
                                                        y + row * scale + scale - 1, c);
            x += 8 * scale;
        }
    }
    // the glyphs occupy pixel columns 1-5 of each 8-pixel cell
    static int TextWidth(std::string_view text, int scale) { return static_cast<int>(text.size()) * 8 * scale - 3 * scale; }
    void CentredText(int cx, int cy, std::string_view text, int scale, uint8_t c) {
        Text(cx - TextWidth(text, scale) / 2 - scale, cy - 7 * scale / 2, text, scale, c);
    }
};

void Key(Canvas& canvas, int x, int y, int w, int h, std::string_view label, std::string_view note = {}) {
    canvas.Box(x + 3, y + 3, x + w + 2, y + h + 2, Black);  // shadow on the body
    canvas.Box(x, y, x + w - 1, y + h - 1, KeyShadow);
    canvas.Box(x, y, x + w - 2, y + h - 2, KeyLight);
    canvas.Box(x + 2, y + 2, x + w - 3, y + h - 4, KeyFace);
    const int scale = Canvas::TextWidth(label, 2) <= w - 10 ? 2 : 1;
    canvas.CentredText(x + w / 2, y + h / 2 - (note.empty() ? 0 : 6), label, scale, Black);
    if (!note.empty()) canvas.CentredText(x + w / 2, y + h - 12, note, 1, Black);
}

void DrawKeyboard(Canvas& c) {
    // case and title
    c.Frame(0, 0, Width - 1, Height - 1, BodyEdge);
    c.Frame(1, 1, Width - 2, Height - 2, BodyEdge);
    c.Text(14, 8, "MPF-1 PLUS", 2, White);
    c.Text(650, 12, "MICRO-PROFESSOR", 1, Legend);
    // the display window: the digits are drawn at x 79-878, y 35-84
    c.Box(71, 28, 886, 91, BodyEdge);
    c.Box(74, 31, 883, 88, Black);
    for (int digit = 1; digit <= 20; ++digit) {
        const std::string number = std::to_string(digit);
        c.CentredText(40 * digit + 59, 100, number, 1, Legend);
    }
    // four rows of ten keys, labelled with the host keys that press them
    const char* rows[4][10] = {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"},
                               {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P"},
                               {"A", "S", "D", "F", "G", "H", "J", "K", "L", ";"},
                               {"Z", "X", "C", "V", "B", "N", "M", ",", ".", "/"}};
    constexpr int keyW = 70, keyH = 62, pitch = 82, left = 66, top = 124, rowPitch = 76;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 10; ++k) Key(c, left + 14 * r + k * pitch, top + r * rowPitch, keyW, keyH, rows[r][k]);
    // bottom row: modifiers, space bar, cursor keys, Enter and F4
    const int y = top + 4 * rowPitch;
    Key(c, 24, y, 100, keyH, "SHIFT");
    Key(c, 134, y, 90, keyH, "CTRL");
    Key(c, 234, y, 250, keyH, "SPACE");
    Key(c, 494, y, 62, keyH, "<");
    Key(c, 564, y, 62, keyH, ">");
    Key(c, 634, y, 62, keyH, "v");
    Key(c, 704, y, 62, keyH, "^");
    Key(c, 776, y, 90, keyH, "ENTER");
    Key(c, 876, y, 56, keyH, "F4");
    // host keys of the program itself
    c.Text(24, Height - 18, "ESC: END   F2: RESET", 1, Accent);
    c.Box(24, Height - 8, 182, Height - 7, Accent);
}

bool WriteBmp(const std::string& path, const Canvas& canvas) {
    const int rowBytes = (Width + 3) & ~3;
    const uint32_t paletteBytes = 256 * 4;
    const uint32_t offset = 14 + 40 + paletteBytes;
    const uint32_t size = offset + rowBytes * Height;
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    out.push_back('B');
    out.push_back('M');
    u32(size);
    u32(0);
    u32(offset);
    u32(40);  // BITMAPINFOHEADER
    u32(Width);
    u32(Height);  // positive: rows bottom-up
    u16(1);
    u16(8);
    u32(0);  // no compression
    u32(rowBytes * Height);
    u32(2835);
    u32(2835);
    u32(256);
    u32(0);
    const auto& vga = plover::DefaultPalette63();
    for (const auto& e : vga) {
        out.push_back(plover::WidenComponent(e.B));
        out.push_back(plover::WidenComponent(e.G));
        out.push_back(plover::WidenComponent(e.R));
        out.push_back(0);
    }
    for (int y = Height - 1; y >= 0; --y) {
        out.insert(out.end(), canvas.pixels.begin() + y * Width, canvas.pixels.begin() + (y + 1) * Width);
        out.resize(out.size() + (rowBytes - Width), 0);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && ok;
}

std::vector<uint8_t> BuildCharset() {
    std::vector<uint8_t> charset(128 * 16, 0);
    for (int code = 0x20; code < 0x7F; ++code) {
        const auto& glyph = Font8x8[code];
        // 8 font rows onto 14: rows 0,0,1,1,2,2,3,4,4,5,5,6,6,7
        for (int i = 0; i < 14; ++i) charset[code * 16 + i] = glyph[i * 8 / 14];
    }
    for (int i = 0; i < 14; ++i) charset[0x7F * 16 + i] = 0xFF;
    return charset;
}

// The icon: the keyboard's body with the display window, three green
// fourteen-segment-like digits in it, and three rows of keys.
bool WriteIcon(const std::string& path) {
    constexpr int Size = 64;
    const auto& vga = plover::DefaultPalette63();
    std::vector<uint8_t> rgb(Size * Size * 3);
    auto box = [&](int x0, int y0, int x1, int y1, plover::PaletteEntry c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                uint8_t* p = &rgb[(y * Size + x) * 3];
                p[0] = plover::WidenComponent(c.R);
                p[1] = plover::WidenComponent(c.G);
                p[2] = plover::WidenComponent(c.B);
            }
    };
    box(0, 0, Size - 1, Size - 1, vga[BodyEdge]);
    box(2, 2, Size - 3, Size - 3, vga[Body]);
    box(5, 6, 58, 25, vga[Black]);
    const plover::PaletteEntry green{0, 56, 0};  // the lit segments' green
    for (int digit = 0; digit < 3; ++digit) {
        const int x = 10 + digit * 16;
        box(x, 9, x + 9, 10, green);        // top
        box(x, 15, x + 9, 16, green);       // middle
        box(x, 21, x + 9, 22, green);       // bottom
        box(x, 9, x + 1, 22, green);        // left
        box(x + 8, 9, x + 9, 22, green);    // right
        box(x + 4, 11, x + 5, 20, green);   // centre bar
    }
    for (int row = 0; row < 3; ++row)
        for (int key = 0; key < 5; ++key) {
            const int x = 6 + key * 11 + row * 2, y = 31 + row * 10;
            box(x, y, x + 8, y + 7, vga[KeyShadow]);
            box(x, y, x + 7, y + 6, vga[KeyLight]);
            box(x + 1, y + 1, x + 6, y + 5, vga[KeyFace]);
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = Size;
    image.height = Size;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plover_datagen OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    Canvas canvas;
    DrawKeyboard(canvas);
    if (!WriteBmp(folder + "/teclado.bmp", canvas)) {
        std::fprintf(stderr, "plover_datagen: cannot write %s/teclado.bmp\n", folder.c_str());
        return 1;
    }
    const std::vector<uint8_t> charset = BuildCharset();
    std::FILE* file = std::fopen((folder + "/VIOchar.bin").c_str(), "wb");
    if (file == nullptr || std::fwrite(charset.data(), 1, charset.size(), file) != charset.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "plover_datagen: cannot write %s/VIOchar.bin\n", folder.c_str());
        return 1;
    }
    if (!WriteIcon(folder + "/plover.png")) {
        std::fprintf(stderr, "plover_datagen: cannot write %s/plover.png\n", folder.c_str());
        return 1;
    }
    return 0;
}
