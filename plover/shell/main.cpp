// plover: the MPF-1 Plus on SDL2. Reads its files from the working
// directory; ends with status 0 on Escape or the window's close button.
// With --load FILE [--go ADDR] [--watch] it also loads a user program (see
// program_load.h); a file that cannot be used ends it with status 2 before
// the window opens.
#include <cstdio>
#include <string>
#include <vector>

#include "plover/shell/main_loop.h"
#include "plover/shell/program_load.h"
#include "plover/shell/sdl_host.h"

namespace {

// The SDL host that also gives the user program its frame boundaries.
class ProgramHost final : public plover::SdlHost {
public:
    plover::UserProgram Program;
    void FrameBoundary() override {
        SdlHost::FrameBoundary();
        Program.Frame();
    }
};

// Reads the options and the named file; prints why and returns false when
// they cannot be used.
bool ReadCommandLine(int argc, char** argv, plover::LoadOptions& options, intel_hex::Program& program) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    if (plover::TakeLoadOptions(args, options, error) &&
        (!options.file || plover::ReadUserProgram(*options.file, program, error)))
        return true;
    std::fprintf(stderr, "plover: %s\n", error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    plover::LoadOptions options;
    intel_hex::Program program;
    if (!ReadCommandLine(argc, argv, options, program)) return plover::BadProgramExitStatus;
    static ProgramHost host;
    plover::ActiveHost = &host;
    plover::StartUp();
    if (options.file) {
        plover::StoreUserProgram(program);
        host.Program = plover::UserProgram(options);
    }
    plover::RunMainLoop();
}
