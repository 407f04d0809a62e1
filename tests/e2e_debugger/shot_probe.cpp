// Reads rectangles of a screenshot for the debugger's end-to-end test.
//
//   e2e_debugger_shot_probe SHOT.png X Y W H
//     prints "lines N" (bands of rows holding dark text pixels: the number of
//     text lines in a list) and "hash H" (a digest of the pixels, to tell
//     whether a field has changed between two shots).
//
//   e2e_debugger_shot_probe SHOT.png X Y W H LATER.png LX LY LW LH N
//     compares the text in a field (first rectangle of SHOT.png) with the
//     start of line N (from 1) of a list (second rectangle, of LATER.png),
//     glyph for glyph: both are drawn in the same font, so the same
//     characters give the same dark pixels. Prints "same yes" or "same no".
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool Dark(QRgb p) { return qGray(p) < 100; }

// The dark pixels of a rectangle, cut to their bounding box.
struct Mask {
    int w = 0, h = 0;
    std::vector<bool> bits;
    bool operator==(const Mask& o) const { return w == o.w && h == o.h && bits == o.bits; }
};

Mask Cut(const QImage& image, int x0, int y0, int w, int h) {
    int left = x0 + w, right = x0 - 1, top = y0 + h, bottom = y0 - 1;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (image.valid(x, y) && Dark(image.pixel(x, y))) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    Mask m;
    if (right < left) return m;
    m.w = right - left + 1;
    m.h = bottom - top + 1;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) m.bits.push_back(Dark(image.pixel(x, y)));
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 12) {
        std::fprintf(stderr, "usage: %s SHOT.png X Y W H [LATER.png LX LY LW LH N]\n", argv[0]);
        return 2;
    }
    QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const int x0 = std::atoi(argv[2]), y0 = std::atoi(argv[3]);
    const int w = std::atoi(argv[4]), h = std::atoi(argv[5]);

    if (argc == 12) {
        const Mask field = Cut(image, x0, y0, w, h);
        image = QImage(QString::fromLocal8Bit(argv[6]));
        if (image.isNull()) {
            std::fprintf(stderr, "cannot read %s\n", argv[6]);
            return 2;
        }
        const int lx = std::atoi(argv[7]), ly = std::atoi(argv[8]);
        const int lw = std::atoi(argv[9]), lh = std::atoi(argv[10]), n = std::atoi(argv[11]);
        // Find the rows of line n: the n-th band of rows with dark pixels.
        int band = 0, first = -1, last = -1;
        bool inLine = false;
        for (int y = ly; y < ly + lh; ++y) {
            bool dark = false;
            for (int x = lx; x < lx + lw; ++x) dark = dark || (image.valid(x, y) && Dark(image.pixel(x, y)));
            if (dark && !inLine && ++band == n) first = y;
            if (!dark && inLine && band == n && first >= 0 && last < 0) last = y - 1;
            inLine = dark;
        }
        if (first >= 0 && last < 0) last = ly + lh - 1;
        bool same = false;
        if (first >= 0 && field.w > 0) {
            // As wide as the field's text and a little more: the gap after the
            // address column keeps the next characters out.
            int left = lx;
            while (left < lx + lw) {
                bool any = false;
                for (int y = first; y <= last; ++y) any = any || Dark(image.pixel(left, y));
                if (any) break;
                ++left;
            }
            same = Cut(image, left, first - 1, field.w + 2, last - first + 3) == field;
        }
        std::printf("same %s\n", same ? "yes" : "no");
        return 0;
    }

    int lines = 0;
    bool inLine = false;
    unsigned long long hash = 1469598103934665603ULL;
    for (int y = y0; y < y0 + h && y < image.height(); ++y) {
        bool dark = false;
        for (int x = x0; x < x0 + w && x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            hash = (hash ^ p) * 1099511628211ULL;
            if (Dark(p)) dark = true;
        }
        if (dark && !inLine) ++lines;
        inLine = dark;
    }
    std::printf("lines %d\nhash %016llx\n", lines, hash);
    return 0;
}
