// Small X11 helper for the end-to-end test:
//   x11_tool close WINDOW_ID      asks the window to close as a window
//                                 manager's close button does (WM_PROTOCOLS /
//                                 WM_DELETE_WINDOW client message)
//   x11_tool shot WINDOW_ID FILE  writes the window's contents as binary PPM
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Close(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    return 0;
}

// Position of the lowest set bit and the width of a colour mask.
void MaskShape(unsigned long mask, int& shift, int& bits) {
    shift = 0;
    bits = 0;
    if (mask == 0) return;
    while (!(mask & 1)) mask >>= 1, ++shift;
    while (mask & 1) mask >>= 1, ++bits;
}

int Channel(unsigned long pixel, unsigned long mask) {
    int shift, bits;
    MaskShape(mask, shift, bits);
    if (bits == 0) return 0;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<int>(value * 255 / ((1ul << bits) - 1));
}

int Shot(Display* display, Window window, const char* path) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return 1;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return 1;
    std::fprintf(f, "P6\n%d %d\n255\n", attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(Channel(pixel, image->red_mask)),
                                          static_cast<unsigned char>(Channel(pixel, image->green_mask)),
                                          static_cast<unsigned char>(Channel(pixel, image->blue_mask))};
            std::fwrite(rgb, 1, 3, f);
        }
    XDestroyImage(image);
    return std::fclose(f) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
    const bool shot = argc == 4 && std::strcmp(argv[1], "shot") == 0;
    if (!close && !shot) {
        std::fprintf(stderr, "usage: x11_tool close WINDOW_ID | x11_tool shot WINDOW_ID FILE\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x11_tool: cannot open display\n");
        return 1;
    }
    const Window window = std::strtoul(argv[2], nullptr, 0);
    const int status = close ? Close(display, window) : Shot(display, window, argv[3]);
    XCloseDisplay(display);
    return status;
}
