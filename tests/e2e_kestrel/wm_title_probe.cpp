// Checks that a window manager shows a window's title whole, for the
// end-to-end run under a real window manager.
//
//   e2e_kestrel_wm_title_probe window TITLE WIDTH
//     shows an empty window of WIDTH x 60 pixels titled TITLE until killed:
//     the reference that the window manager decorates with room to spare.
//
//   e2e_kestrel_wm_title_probe whole WITH.png X Y W H WITHOUT.png X Y W H SHOT.png X Y W H
//     WITH.png and WITHOUT.png show the title bar (rectangle X Y W H) of a
//     reference window with the title and of one with a blank title: the
//     columns where they differ hold the drawn title. Prints "whole yes" when
//     exactly that drawing appears somewhere in the title bar X Y W H of
//     SHOT.png (the window under test, in the same focus state), "whole no"
//     when it does not (the title is cut or shortened), and the widths.
#include <QGuiApplication>
#include <QImage>
#include <QRasterWindow>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

int ShowWindow(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QRasterWindow window;
    window.setTitle(QString::fromUtf8(argv[2]));
    window.resize(std::atoi(argv[3]), 60);
    window.show();
    return app.exec();
}

QImage Crop(const char* file, char** rect) {
    const QImage image(QString::fromLocal8Bit(file));
    return image.copy(std::atoi(rect[0]), std::atoi(rect[1]), std::atoi(rect[2]), std::atoi(rect[3]))
        .convertToFormat(QImage::Format_RGB32);
}

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <= 6;
}

int Whole(char** argv) {
    const QImage with = Crop(argv[2], argv + 3);
    const QImage without = Crop(argv[7], argv + 8);
    const QImage shot = Crop(argv[12], argv + 13);
    if (with.size() != without.size()) {
        std::printf("whole no\nreference bars differ in size\n");
        return 0;
    }
    // The drawn title: the columns where the two reference bars differ.
    int left = with.width(), right = -1;
    for (int x = 0; x < with.width(); ++x)
        for (int y = 0; y < with.height(); ++y)
            if (!Near(with.pixel(x, y), without.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    if (right < left || with.height() != shot.height()) {
        std::printf("whole no\nreference title not found (bars %d and %d high)\n", with.height(),
                    shot.height());
        return 0;
    }
    const int width = right - left + 1;
    for (int x0 = 0; x0 + width <= shot.width(); ++x0) {
        bool same = true;
        for (int x = 0; same && x < width; ++x)
            for (int y = 0; same && y < shot.height(); ++y)
                same = Near(shot.pixel(x0 + x, y), with.pixel(left + x, y));
        if (same) {
            std::printf("whole yes\ntitle %d pixels wide at %d of a bar %d wide\n", width, x0, shot.width());
            return 0;
        }
    }
    std::printf("whole no\ntitle %d pixels wide, bar %d wide\n", width, shot.width());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string_view(argv[1]) == "window") return ShowWindow(argc, argv);
    if (argc == 17 && std::string_view(argv[1]) == "whole") return Whole(argv);
    std::fprintf(stderr, "usage: see the comment at the top of wm_title_probe.cpp\n");
    return 2;
}
