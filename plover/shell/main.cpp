// plover: the MPF-1 Plus on SDL2. Reads its files from the working directory;
// ends with status 0 on Escape or the window's close button. command_line.h
// answers --help and --version before anything starts.
#include "plover/shell/command_line.h"
#include "plover/shell/main_loop.h"
#include "plover/shell/sdl_host.h"

int main(int argc, char** argv) {
    const plover::CommandLine commandLine = plover::HandleCommandLine(argc, argv);
    if (commandLine.Exit) return commandLine.ExitStatus;
    static plover::SdlHost host;
    plover::ActiveHost = &host;
    plover::StartUp();
    plover::RunMainLoop();
}
