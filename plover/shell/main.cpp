// plover: the MPF-1 Plus on SDL2. Reads its files from the working directory;
// ends with status 0 on Escape or the window's close button, and with status 1
// when it cannot start.
//   plover [--scale N]   N (1-4): the window starts N times the framebuffer's size
#include <cstdio>
#include <cstring>
#include <string>

#include "plover/shell/main_loop.h"
#include "plover/shell/sdl_host.h"

namespace {

// The window scale asked for with "--scale N" or "--scale=N": 1 without the
// option, 0 when the option is given without a whole number from 1 to 4.
int WindowScaleOption(int argc, char** argv) {
    int scale = 1;
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (std::strcmp(argv[i], "--scale") == 0) {
            value = i + 1 < argc ? argv[++i] : "";
        } else if (std::strncmp(argv[i], "--scale=", 8) == 0) {
            value = argv[i] + 8;
        } else {
            continue;
        }
        scale = value.size() == 1 && value[0] >= '1' && value[0] <= '0' + plover::MaxWindowScale ? value[0] - '0' : 0;
    }
    return scale;
}

}  // namespace

int main(int argc, char** argv) {
    const int scale = WindowScaleOption(argc, argv);
    if (scale == 0) {
        std::fprintf(stderr, "plover: --scale takes a whole number from 1 to %d\n", plover::MaxWindowScale);
        return 1;
    }
    static plover::SdlHost host;
    host.SetWindowScale(scale);
    plover::ActiveHost = &host;
    plover::StartUp();
    plover::RunMainLoop();
}
