// plover: the MPF-1 Plus on SDL2. No arguments; reads its files from the
// working directory; ends with status 0 on Escape or the window's close button.
#include "plover/shell/main_loop.h"
#include "plover/shell/sdl_host.h"

int main(int, char**) {
    static plover::SdlHost host;
    plover::ActiveHost = &host;
    plover::StartUp();
    plover::RunMainLoop();
}
