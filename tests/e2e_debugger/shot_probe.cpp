// Reads a rectangle of a screenshot for the debugger's end-to-end test:
//
//   kdbgui_shot_probe SHOT.png X Y W H
//
// prints "lines N" (bands of rows holding dark text pixels, which is the
// number of text lines in a list) and "hash H" (a digest of the pixels, to
// tell whether a field has changed between two shots).
#include <QImage>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s SHOT.png X Y W H\n", argv[0]);
        return 2;
    }
    QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const int x0 = std::atoi(argv[2]), y0 = std::atoi(argv[3]);
    const int w = std::atoi(argv[4]), h = std::atoi(argv[5]);
    int lines = 0;
    bool inLine = false;
    unsigned long long hash = 1469598103934665603ULL;
    for (int y = y0; y < y0 + h && y < image.height(); ++y) {
        bool dark = false;
        for (int x = x0; x < x0 + w && x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            hash = (hash ^ p) * 1099511628211ULL;
            if (qGray(p) < 100) dark = true;
        }
        if (dark && !inLine) ++lines;
        inLine = dark;
    }
    std::printf("lines %d\nhash %016llx\n", lines, hash);
    return 0;
}
