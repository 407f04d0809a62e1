// Draws kestrel's pictures: the board, the keypad, the two lit lamps and the
// eight segment pictures. Run by the build (see CMakeLists.txt); the output is
// deterministic, so the pictures are regenerated, never edited by hand.
//
//   kestrel_picture_generator <output folder>
//
// writes board.png (460 x 438), keypad.png (460 x 222), tone_lamp.png and
// halt_lamp.png (12 x 11) and segments.bmp: eight 26 x 37 24-bit BMP files
// of 3,014 bytes each, one after another, for segment bits 0 to 7. It also
// writes the program's desktop icon, kestrel.png (64 x 64), which is installed
// but not embedded.
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kestrel/pictures/keypad_layout.h"

namespace {

struct Colour {
    uint8_t R, G, B;
};

constexpr Colour kPcb{18, 92, 52};           // solder mask green
constexpr Colour kPcbDark{12, 70, 40};
constexpr Colour kTrace{40, 122, 72};        // copper under the mask
constexpr Colour kSilk{232, 236, 228};       // silkscreen white
constexpr Colour kChip{24, 24, 26};
constexpr Colour kPin{196, 198, 200};
constexpr Colour kDisplayGlass{26, 6, 8};    // the display's dark red window
constexpr Colour kSegmentOff{58, 14, 16};    // unlit segment behind the glass
constexpr Colour kSegmentLit{255, 0, 0};
constexpr Colour kSegmentEdge{176, 0, 0};
constexpr Colour kBlack{0, 0, 0};

class Canvas {
public:
    Canvas(int width, int height, Colour fill) : width_(width), height_(height),
        pixels_(static_cast<size_t>(width) * height * 3) {
        Box(0, 0, width - 1, height - 1, fill);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }

    void Plot(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
        p[0] = c.R;
        p[1] = c.G;
        p[2] = c.B;
    }
    Colour Get(int x, int y) const {
        const uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
        return {p[0], p[1], p[2]};
    }
    // Inclusive corners.
    void Box(int x0, int y0, int x1, int y1, Colour c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Plot(x, y, c);
    }
    void Frame(int x0, int y0, int x1, int y1, Colour c) {
        for (int x = x0; x <= x1; ++x) { Plot(x, y0, c); Plot(x, y1, c); }
        for (int y = y0; y <= y1; ++y) { Plot(x0, y, c); Plot(x1, y, c); }
    }
    // A box with its four corner pixels cut, which reads as rounded at this size.
    void RoundBox(int x0, int y0, int x1, int y1, Colour c, Colour corner) {
        Box(x0, y0, x1, y1, c);
        Plot(x0, y0, corner); Plot(x1, y0, corner); Plot(x0, y1, corner); Plot(x1, y1, corner);
    }
    void Disc(double cx, double cy, double rx, double ry, Colour c) {
        for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y)
            for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
                double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
                if (dx * dx + dy * dy <= 1.0) Plot(x, y, c);
            }
    }
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

private:
    int width_, height_;
    std::vector<uint8_t> pixels_;
};

// --- bitmap fonts --------------------------------------------------------------

struct Glyph {
    char Ch;
    const char* Rows;  // rows of '#' (ink) and '.' separated by '/'
};

// 5 x 7 capitals, digits and a few signs.
constexpr Glyph kFont5x7[] = {
    {'A', ".###./#...#/#...#/#####/#...#/#...#/#...#"}, {'B', "####./#...#/#...#/####./#...#/#...#/####."},
    {'C', ".###./#...#/#..../#..../#..../#...#/.###."}, {'D', "####./#...#/#...#/#...#/#...#/#...#/####."},
    {'E', "#####/#..../#..../####./#..../#..../#####"}, {'F', "#####/#..../#..../####./#..../#..../#...."},
    {'G', ".###./#...#/#..../#.###/#...#/#...#/.####"}, {'H', "#...#/#...#/#...#/#####/#...#/#...#/#...#"},
    {'I', ".###./..#../..#../..#../..#../..#../.###."}, {'J', "..###/...#./...#./...#./...#./#..#./.##.."},
    {'K', "#...#/#..#./#.#../##.../#.#../#..#./#...#"}, {'L', "#..../#..../#..../#..../#..../#..../#####"},
    {'M', "#...#/##.##/#.#.#/#.#.#/#...#/#...#/#...#"}, {'N', "#...#/#...#/##..#/#.#.#/#..##/#...#/#...#"},
    {'O', ".###./#...#/#...#/#...#/#...#/#...#/.###."}, {'P', "####./#...#/#...#/####./#..../#..../#...."},
    {'Q', ".###./#...#/#...#/#...#/#.#.#/#..#./.##.#"}, {'R', "####./#...#/#...#/####./#.#../#..#./#...#"},
    {'S', ".####/#..../#..../.###./....#/....#/####."}, {'T', "#####/..#../..#../..#../..#../..#../..#.."},
    {'U', "#...#/#...#/#...#/#...#/#...#/#...#/.###."}, {'V', "#...#/#...#/#...#/#...#/#...#/.#.#./..#.."},
    {'W', "#...#/#...#/#...#/#.#.#/#.#.#/#.#.#/.#.#."}, {'X', "#...#/#...#/.#.#./..#../.#.#./#...#/#...#"},
    {'Y', "#...#/#...#/.#.#./..#../..#../..#../..#.."}, {'Z', "#####/....#/...#./..#../.#.../#..../#####"},
    {'0', ".###./#...#/#..##/#.#.#/##..#/#...#/.###."}, {'1', "..#../.##../..#../..#../..#../..#../.###."},
    {'2', ".###./#...#/....#/...#./..#../.#.../#####"}, {'3', "#####/...#./..#../...#./....#/#...#/.###."},
    {'4', "...#./..##./.#.#./#..#./#####/...#./...#."}, {'5', "#####/#..../####./....#/....#/#...#/.###."},
    {'6', "..##./.#.../#..../####./#...#/#...#/.###."}, {'7', "#####/....#/...#./..#../.#.../.#.../.#..."},
    {'8', ".###./#...#/#...#/.###./#...#/#...#/.###."}, {'9', ".###./#...#/#...#/.####/....#/...#./.##.."},
    {'-', "...../...../...../#####/...../...../....."}, {'+', "...../..#../..#../#####/..#../..#../....."},
    {'.', "...../...../...../...../...../.##../.##.."}, {' ', "...../...../...../...../...../...../....."},
};

// 3 x 5 capitals for the command keys, whose faces are small.
constexpr Glyph kFont3x5[] = {
    {'A', ".#./#.#/###/#.#/#.#"}, {'B', "##./#.#/##./#.#/##."}, {'C', ".##/#../#../#../.##"},
    {'D', "##./#.#/#.#/#.#/##."}, {'E', "###/#../##./#../###"}, {'F', "###/#../##./#../#.."},
    {'G', ".##/#../#.#/#.#/.##"}, {'H', "#.#/#.#/###/#.#/#.#"}, {'I', "###/.#./.#./.#./###"},
    {'J', "..#/..#/..#/#.#/.#."}, {'K', "#.#/#.#/##./#.#/#.#"}, {'L', "#../#../#../#../###"},
    {'M', "#.#/###/###/#.#/#.#"}, {'N', "##./#.#/#.#/#.#/#.#"}, {'O', ".#./#.#/#.#/#.#/.#."},
    {'P', "##./#.#/##./#../#.."}, {'Q', ".#./#.#/#.#/##./.##"}, {'R', "##./#.#/##./#.#/#.#"},
    {'S', ".##/#../.#./..#/##."}, {'T', "###/.#./.#./.#./.#."}, {'U', "#.#/#.#/#.#/#.#/###"},
    {'V', "#.#/#.#/#.#/#.#/.#."}, {'W', "#.#/#.#/###/###/#.#"}, {'X', "#.#/#.#/.#./#.#/#.#"},
    {'Y', "#.#/#.#/.#./.#./.#."}, {'Z', "###/..#/.#./#../###"}, {' ', ".../.../.../.../..."},
};

struct Font {
    const Glyph* Glyphs;
    size_t Count;
    int W, H;
};

constexpr Font kBig{kFont5x7, sizeof kFont5x7 / sizeof kFont5x7[0], 5, 7};
constexpr Font kSmall{kFont3x5, sizeof kFont3x5 / sizeof kFont3x5[0], 3, 5};

// Every glyph must have H rows of W cells; a typo stops the build.
bool FontIsWellFormed(const Font& f) {
    for (size_t i = 0; i < f.Count; ++i) {
        std::string rows = f.Glyphs[i].Rows;
        size_t expected = static_cast<size_t>(f.H) * (f.W + 1) - 1;
        if (rows.size() != expected) {
            std::fprintf(stderr, "glyph '%c' is malformed\n", f.Glyphs[i].Ch);
            return false;
        }
    }
    return true;
}

// Draws one line of text with its top-left corner at (x, y) (canvas may be
// null to measure); returns the width in pixels.
int Text(Canvas* canvas, const Font& f, int x, int y, const std::string& s, Colour c) {
    int width = 0;
    for (char ch : s) {
        const char* rows = nullptr;
        for (size_t i = 0; i < f.Count; ++i)
            if (f.Glyphs[i].Ch == ch) rows = f.Glyphs[i].Rows;
        if (rows != nullptr && canvas != nullptr) {
            for (int r = 0; r < f.H; ++r)
                for (int col = 0; col < f.W; ++col)
                    if (rows[r * (f.W + 1) + col] == '#') canvas->Plot(x + width + col, y + r, c);
        }
        width += f.W + 1;
    }
    return width > 0 ? width - 1 : 0;
}

int TextWidth(const Font& f, const std::string& s) { return Text(nullptr, f, 0, 0, s, kBlack); }

// --- segments --------------------------------------------------------------------

// Whether pixel (x, y) of a 26 x 37 digit cell belongs to segment `bit`. The
// vertical bars lean right (their tops sit two pixels further right) like the
// board's digits; every shape stays inside its segment's box.
bool SegmentPixel(int bit, int x, int y) {
    auto vertical = [&](int topLeft, int y0, int y1, int lean) {
        if (y < y0 || y > y1) return false;
        double t = static_cast<double>(y - y0) / (y1 - y0);
        int left = static_cast<int>(std::lround(topLeft - lean * t));
        int width = (y == y0 || y == y1) ? 2 : 3;   // pointed ends
        int shift = (y == y0) ? 1 : 0;
        return x >= left + shift && x < left + shift + width;
    };
    auto horizontal = [&](int x0, int x1, int y0, int y1) {
        if (y < y0 || y > y1) return false;
        int rows = y1 - y0;
        int fromEdge = std::min(y - y0, y1 - y);
        int inset = (rows >= 4) ? 2 - std::min(2, fromEdge) : 1 - std::min(1, fromEdge);
        // Lean: the upper rows sit a little further right.
        int shift = (y1 - y) * 1 / std::max(1, rows);
        return x >= x0 + inset + shift && x <= x1 - inset - (1 - shift);
    };
    switch (bit) {
        case 0: return vertical(2, 20, 34, 2);        // lower left, x 0-4
        case 1: return horizontal(3, 21, 16, 20);     // middle
        case 2: return vertical(4, 2, 18, 2);         // upper left, x 2-6
        case 3: return horizontal(5, 23, 0, 3);       // top
        case 4: return vertical(22, 2, 17, 2);        // upper right, x 20-24
        case 5: return vertical(20, 19, 33, 2);       // lower right, x 18-22
        case 6: {                                     // decimal point, x 22-25 y 32-35
            if (x < 22 || x > 25 || y < 32 || y > 35) return false;
            bool cornerX = (x == 22 || x == 25), cornerY = (y == 32 || y == 35);
            return !(cornerX && cornerY);
        }
        case 7: return horizontal(1, 19, 33, 36);     // bottom
        default: return false;
    }
}

// One segment picture: red on black, with darker red where the shape meets black.
Canvas SegmentPicture(int bit) {
    Canvas c(26, 37, kBlack);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 26; ++x) {
            if (!SegmentPixel(bit, x, y)) continue;
            bool edge = !SegmentPixel(bit, x - 1, y) || !SegmentPixel(bit, x + 1, y) ||
                        !SegmentPixel(bit, x, y - 1) || !SegmentPixel(bit, x, y + 1);
            c.Plot(x, y, edge ? kSegmentEdge : kSegmentLit);
        }
    return c;
}

// --- the board -------------------------------------------------------------------

constexpr Colour kChipText{176, 176, 170};

void DrawChip(Canvas& c, int x0, int y0, int x1, int y1, const std::string& label) {
    bool wide = (x1 - x0) >= (y1 - y0);  // pins along the long sides
    if (wide) {
        for (int x = x0 + 3; x <= x1 - 4; x += 6) {
            c.Box(x, y0 - 3, x + 2, y0 - 1, kPin);
            c.Box(x, y1 + 1, x + 2, y1 + 3, kPin);
        }
    } else {
        for (int y = y0 + 3; y <= y1 - 4; y += 6) {
            c.Box(x0 - 3, y, x0 - 1, y + 2, kPin);
            c.Box(x1 + 1, y, x1 + 3, y + 2, kPin);
        }
    }
    c.RoundBox(x0, y0, x1, y1, kChip, kPcb);
    c.Disc(x0 + 6.5, y0 + 6.5, 2.5, 2.5, Colour{44, 44, 48});  // pin 1 dimple
    if (wide) c.Box(x0, (y0 + y1) / 2 - 2, x0 + 2, (y0 + y1) / 2 + 2, kPcb);  // notch
    int w = TextWidth(kBig, label);
    Text(&c, kBig, (x0 + x1 + 1 - w) / 2, (y0 + y1 + 1 - 7) / 2, label, kChipText);
}

void DrawHole(Canvas& c, double cx, double cy) {
    c.Disc(cx, cy, 9, 9, Colour{196, 170, 90});   // tinned pad
    c.Disc(cx, cy, 5, 5, Colour{8, 8, 8});        // the hole
}

// The unlit display: dark glass with every segment faintly visible.
void DrawDisplay(Canvas& c) {
    c.Box(14, 364, 264, 421, Colour{8, 8, 8});          // bezel
    c.Box(17, 367, 261, 418, kDisplayGlass);
    for (uint8_t x : {226, 188, 140, 102, 64, 26})
        for (int bit = 0; bit < 8; ++bit)
            for (int y = 0; y < 37; ++y)
                for (int dx = 0; dx < 26; ++dx)
                    if (SegmentPixel(bit, dx, y)) c.Plot(x + dx, 374 + y, kSegmentOff);
}

// An LED seen from above: a 12 x 11 dome with a small highlight.
void DrawLed(Canvas& c, int x, int y, Colour body, Colour rim, Colour shine) {
    c.Disc(x + 6.0, y + 5.5, 6.0, 5.5, rim);
    c.Disc(x + 6.0, y + 5.5, 4.6, 4.2, body);
    c.Disc(x + 4.5, y + 4.0, 1.4, 1.2, shine);
}

Canvas Board() {
    Canvas c(460, 438, kPcb);
    c.Frame(0, 0, 459, 437, kPcbDark);
    c.Frame(1, 1, 458, 436, kPcbDark);
    // Copper runs under the mask.
    for (int y = 112; y <= 132; y += 5) c.Box(24, y, 436, y + 1, kTrace);
    for (int x = 262; x <= 274; x += 4) c.Box(x, 58, x + 1, 200, kTrace);
    for (int y = 206; y <= 226; y += 5) c.Box(120, y, 300, y + 1, kTrace);
    for (int x = 40; x <= 250; x += 6) c.Box(x, 300, x + 1, 352, kTrace);
    c.Box(300, 206, 301, 352, kTrace);
    c.Box(300, 351, 440, 352, kTrace);
    for (double cx : {14.0, 446.0})
        for (double cy : {14.0, 424.0}) DrawHole(c, cx, cy);

    Text(&c, kBig, 30, 14, "MICRO-PROFESSOR", kSilk);
    Text(&c, kBig, 30, 26, "SINGLE BOARD Z80 TRAINER", kSilk);
    Text(&c, kBig, 364, 14, "MPF-1B", kSilk);

    DrawChip(c, 30, 60, 250, 100, "Z80 CPU");
    DrawChip(c, 290, 60, 430, 96, "ROM");
    DrawChip(c, 30, 144, 250, 184, "8255 PPI");
    DrawChip(c, 290, 144, 430, 180, "RAM");
    DrawChip(c, 30, 240, 96, 262, "LS138");
    DrawChip(c, 120, 240, 186, 262, "LS14");
    DrawChip(c, 210, 240, 276, 262, "LS74");
    Text(&c, kBig, 30, 50, "U1", kSilk);
    Text(&c, kBig, 290, 50, "U6", kSilk);
    Text(&c, kBig, 30, 134, "U2", kSilk);
    Text(&c, kBig, 290, 134, "U7", kSilk);

    // Speaker.
    c.Disc(376, 282, 42, 42, Colour{20, 20, 22});
    for (double r : {34.0, 26.0, 18.0}) {
        c.Disc(376, 282, r, r, Colour{60, 60, 64});
        c.Disc(376, 282, r - 2, r - 2, Colour{20, 20, 22});
    }
    Text(&c, kBig, 346, 332, "SPEAKER", kSilk);

    // Crystal and a row of resistors.
    c.RoundBox(40, 290, 90, 304, kPin, kPcb);
    Text(&c, kBig, 40, 280, "X1", kSilk);
    for (int i = 0; i < 6; ++i) {
        int x = 120 + i * 26;
        c.Box(x, 296, x + 14, 302, Colour{196, 170, 120});
        c.Box(x + 3, 296, x + 4, 302, Colour{150, 30, 30});
        c.Box(x + 7, 296, x + 8, 302, Colour{30, 30, 30});
        c.Box(x + 11, 296, x + 12, 302, Colour{190, 120, 20});
    }

    DrawDisplay(c);
    Text(&c, kBig, 18, 354, "DISPLAY", kSilk);

    // The two lamps, unlit, with their names.
    DrawLed(c, 277, 372, Colour{24, 74, 30}, Colour{14, 48, 20}, Colour{60, 110, 66});
    DrawLed(c, 278, 391, Colour{88, 20, 20}, Colour{56, 12, 12}, Colour{130, 60, 60});
    Text(&c, kBig, 296, 374, "TONE", kSilk);
    Text(&c, kBig, 296, 393, "HALT", kSilk);
    return c;
}

// A lit lamp on the board's green, the same dome as the unlit one.
Canvas Lamp(Colour body, Colour rim, Colour shine) {
    Canvas c(12, 11, kPcb);
    DrawLed(c, 0, 0, body, rim, shine);
    return c;
}

// --- the keypad -------------------------------------------------------------------

constexpr Colour kPanel{36, 36, 40};
constexpr Colour kKeyRed{196, 44, 38}, kKeyRedBody{120, 24, 20};
constexpr Colour kKeyBlue{62, 82, 112}, kKeyBlueBody{34, 46, 66};
constexpr Colour kKeyWhite{228, 226, 216}, kKeyWhiteBody{150, 148, 140};
constexpr Colour kInkDark{20, 20, 20}, kInkLight{246, 246, 246};

Canvas Keypad() {
    Canvas c(kestrel::kKeypadWidth, kestrel::kKeypadHeight, kPanel);
    c.Frame(0, 0, 459, 221, Colour{20, 20, 22});
    c.Frame(1, 1, 458, 220, Colour{56, 56, 60});
    Text(&c, kBig, 25, 8, "KEYBOARD", Colour{150, 150, 150});
    for (const kestrel::KeyRect& key : kestrel::kKeys) {
        std::string label = key.Label;
        bool special = kestrel::WiringOf(key.Key).Action != kestrel::KeyAction::Matrix;
        bool hex = label.size() == 1 && label != "+" && label != "-";
        Colour face = special ? kKeyRed : (hex ? kKeyWhite : kKeyBlue);
        Colour body = special ? kKeyRedBody : (hex ? kKeyWhiteBody : kKeyBlueBody);
        Colour ink = hex ? kInkDark : kInkLight;
        c.RoundBox(key.X0 - 4, key.Y0 - 3, key.X1 + 4, key.Y1 + 5, body, kPanel);   // key cap skirt
        c.RoundBox(key.X0, key.Y0, key.X1, key.Y1, face, body);                     // key face
        // Label, centred on the face.
        std::vector<std::string> lines;
        size_t nl = label.find('\n');
        if (nl == std::string::npos) lines = {label};
        else lines = {label.substr(0, nl), label.substr(nl + 1)};
        const Font& f = label.size() == 1 ? kBig : kSmall;
        int lineGap = 2;
        int height = static_cast<int>(lines.size()) * f.H + (static_cast<int>(lines.size()) - 1) * lineGap;
        int y = (key.Y0 + key.Y1 + 1 - height) / 2;
        for (const std::string& line : lines) {
            int w = TextWidth(f, line);
            Text(&c, f, (key.X0 + key.X1 + 1 - w) / 2, y, line, ink);
            y += f.H + lineGap;
        }
    }
    return c;
}

// --- the desktop icon -----------------------------------------------------------

// A corner of the board: two lit digits showing "80" behind the display glass
// and four key caps below them.
Canvas Icon() {
    Canvas c(64, 64, kPcb);
    c.Frame(0, 0, 63, 63, kPcbDark);
    c.Box(3, 4, 60, 48, Colour{8, 8, 8});
    c.Box(5, 6, 58, 46, kDisplayGlass);
    const uint8_t eight = 0xBF, zero = 0xBD;  // every segment but the point; zero without the middle
    int left = 7;
    for (uint8_t segments : {eight, zero}) {
        for (int bit = 0; bit < 8; ++bit)
            for (int y = 0; y < 37; ++y)
                for (int x = 0; x < 26; ++x)
                    if (SegmentPixel(bit, x, y))
                        c.Plot(left + x, 8 + y, (segments >> bit) & 1 ? kSegmentLit : kSegmentOff);
        left += 26;
    }
    const Colour faces[] = {kKeyRed, kKeyWhite, kKeyWhite, kKeyBlue};
    for (int key = 0; key < 4; ++key) c.Box(5 + key * 14, 53, 15 + key * 14, 60, faces[key]);
    return c;
}

// --- writers --------------------------------------------------------------------

bool WritePng(const Canvas& c, const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(c.Width());
    image.height = static_cast<png_uint_32>(c.Height());
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, c.Pixels().data(), 0, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), image.message);
        return false;
    }
    return true;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// An uncompressed 24-bit BMP, bottom-up rows padded to four bytes.
void AppendBmp(const Canvas& c, std::vector<uint8_t>& out) {
    uint32_t stride = (static_cast<uint32_t>(c.Width()) * 3 + 3) & ~3u;
    uint32_t imageSize = stride * static_cast<uint32_t>(c.Height());
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + imageSize);  // file size
    Put32(out, 0);               // reserved
    Put32(out, 54);              // offset of the pixels
    Put32(out, 40);              // BITMAPINFOHEADER
    Put32(out, static_cast<uint32_t>(c.Width()));
    Put32(out, static_cast<uint32_t>(c.Height()));
    Put16(out, 1);               // planes
    Put16(out, 24);              // bits per pixel
    Put32(out, 0);               // no compression
    Put32(out, imageSize);
    Put32(out, 2835);            // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = c.Height() - 1; y >= 0; --y) {
        uint32_t written = 0;
        for (int x = 0; x < c.Width(); ++x, written += 3) {
            Colour p = c.Get(x, y);
            out.push_back(p.B);
            out.push_back(p.G);
            out.push_back(p.R);
        }
        for (; written < stride; ++written) out.push_back(0);
    }
}

bool WriteFile(const std::vector<uint8_t>& bytes, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    if (!FontIsWellFormed(kBig) || !FontIsWellFormed(kSmall)) return 1;
    std::string dir = argv[1];
    std::vector<uint8_t> segments;
    for (int bit = 0; bit < 8; ++bit) AppendBmp(SegmentPicture(bit), segments);
    bool ok = WritePng(Board(), dir + "/board.png") && WritePng(Keypad(), dir + "/keypad.png") &&
              WritePng(Lamp(Colour{60, 236, 80}, Colour{20, 120, 36}, Colour{214, 255, 214}),
                       dir + "/tone_lamp.png") &&
              WritePng(Lamp(Colour{250, 40, 36}, Colour{140, 16, 16}, Colour{255, 206, 200}),
                       dir + "/halt_lamp.png") &&
              WriteFile(segments, dir + "/segments.bmp") && WritePng(Icon(), dir + "/kestrel.png");
    return ok ? 0 : 1;
}
