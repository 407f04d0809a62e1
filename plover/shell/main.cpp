// plover: the MPF-1 Plus on SDL2. Reads its files from the working directory;
// ends with status 0 on Escape or the window's close button, and with status 1
// when it cannot start. command_line.h answers --help and --version before
// anything starts, reads --scale, and ends with status 2 when a program named
// with --load or a state named with --state cannot be used (program_load.h,
// kept_machine.h).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "plover/board/save_state.h"
#include "plover/shell/command_line.h"
#include "plover/shell/kept_machine.h"
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

// The kept machine's file with --keep, saved however the program ends.
std::string keptState;

}  // namespace

int main(int argc, char** argv) {
    const plover::CommandLine commandLine = plover::HandleCommandLine(argc, argv);
    if (commandLine.Exit) return commandLine.ExitStatus;
    plover::MessageLanguage = plover::PreferredMessageLanguage();
    // a state named on the command line is read and checked before the window opens
    std::unique_ptr<plover::MachineState> start;
    if (!commandLine.StateFile.empty()) {
        start = std::make_unique<plover::MachineState>();
        const plover::StateResult read = plover::ReadStateFile(commandLine.StateFile, *start);
        if (!read.Ok()) {
            std::fprintf(stderr, "plover: %s\n", plover::StateMessage(read, commandLine.StateFile, false).c_str());
            return plover::BadProgramExitStatus;
        }
    }
    static ProgramHost host;
    host.SetWindowScale(commandLine.WindowScale);
    plover::ActiveHost = &host;
    plover::StartUp();
    if (commandLine.Keep) keptState = plover::KeptStatePath();
    if (start)
        plover::Machine = *start;
    else
        plover::ResumeKeptMachine(keptState);
    if (commandLine.Keep) std::atexit([] { plover::KeepMachine(keptState); });
    if (commandLine.Load.file) {
        plover::StoreUserProgram(commandLine.Program);
        host.Program = plover::UserProgram(commandLine.Load, plover::ShowProgramProblem);
    }
    // Escape or the close button, seen wherever it was, has let the last
    // instruction finish and the loop return: the program ends here, and the
    // kept machine is saved on the way out
    plover::RunMainLoop();
    host.CloseWindow();
    return 0;
}
