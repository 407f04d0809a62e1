#include "plover/shell/command_line.h"

#include <cstdio>

#include "plover/video/screen.h"

#ifndef PLOVER_VERSION
#define PLOVER_VERSION "unknown"
#endif

namespace plover {

std::string UsageText() {
    return "Usage: plover [options]\n"
           "Emulates the Micro-Professor MPF-1 Plus trainer board in real time. Its keys are\n"
           "the host keyboard's; F2 resets the processor, Escape ends the program.\n"
           "\n"
           "Options:\n"
           "  -h, --help     Print this help and exit.\n"
           "  --version      Print the version and exit.\n"
           "  --scale N      Open the window N times as large (1-4), or at the largest\n"
           "                 scale that fits the screen. It can be resized, not below 1x;\n"
           "                 the picture keeps its proportions.\n"
           "  --load FILE    Load FILE.hex or FILE.ihx (Intel HEX), or FILE@ADDR (a raw\n"
           "                 image at hexadecimal ADDR), within 4000h-FFFFh.\n"
           "  --go ADDR      Start the loaded program at hexadecimal ADDR (0-FFFF) once\n"
           "                 the monitor is up.\n"
           "  --watch        Reload and restart it whenever the file changes; a file that\n"
           "                 cannot be loaded is shown, and the program runs on.\n"
           "  --state FILE   Start from the machine saved in FILE (a program given with\n"
           "                 --load is then loaded into it).\n"
           "  --keep         Keep the machine between runs: restored at start from, and\n"
           "                 saved at the end to, plover/machine.state in the user's data\n"
           "                 folder ($XDG_DATA_HOME, or ~/.local/share).\n"
           "\n"
           "F6 saves the machine to plover.state in this folder, F9 restores it.\n"
           "\n"
           "Messages are in Spanish, or in English when the locale is English (LC_ALL,\n"
           "LC_MESSAGES, LANG). Exit status: 0 when ended with Escape or the close button,\n"
           "1 when it cannot start (no display), 2 for a wrong argument or program file.\n"
           "\n"
           "Files, in the folder where plover starts (a missing one leaves zeros):\n"
           "  roms/MPF1P.bin       the monitor ROM image (8,192 bytes)\n"
           "  teclado/teclado.bmp  the keyboard picture (950 x 574)\n"
           "  video/VIOchar.bin    the character generator of the text video\n";
}

namespace {

// The N of --scale N: a whole number from 1 to MaxWindowScale, else 0.
int WindowScaleValue(const std::string& text) {
    return text.size() == 1 && text[0] >= '1' && text[0] <= '0' + MaxWindowScale ? text[0] - '0' : 0;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& all) {
    std::vector<std::string> arguments = all;
    LoadOptions load;
    std::string error;
    // a bad value is the fault of its own option, whatever else is wrong
    if (!TakeLoadOptions(arguments, load, error)) return {true, BadProgramExitStatus, {}, "plover: " + error + "\n"};
    CommandLine result;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-h" || argument == "--help") return {true, 0, UsageText(), {}};
        if (argument == "--version") return {true, 0, "plover " PLOVER_VERSION "\n", {}};
        if (argument == "--scale" || argument.rfind("--scale=", 0) == 0) {
            const bool next = argument == "--scale" && i + 1 < arguments.size();
            const std::string value = argument == "--scale" ? (next ? arguments[++i] : "") : argument.substr(8);
            result.WindowScale = WindowScaleValue(value);
            const std::string allowed = "a whole number from 1 to " + std::to_string(MaxWindowScale);
            if (result.WindowScale == 0)
                return {true, BadProgramExitStatus, {},
                        "plover: " + (value.empty() ? "--scale needs a value: " : "--scale " + value + ": not ") +
                            allowed + "\n"};
            continue;
        }
        if (argument == "--keep") {
            result.Keep = true;
            continue;
        }
        if (argument == "--state" || argument.rfind("--state=", 0) == 0) {
            const bool next = argument == "--state" && i + 1 < arguments.size();
            result.StateFile = argument == "--state" ? (next ? arguments[++i] : "") : argument.substr(8);
            if (result.StateFile.empty())
                return {true, BadProgramExitStatus, {}, "plover: --state needs a value: the state file to start from\n"};
            continue;
        }
        const bool option = argument.size() > 1 && argument[0] == '-';
        const std::string what = option ? "unknown option '" : "unexpected argument '";
        return {true, BadProgramExitStatus, {}, "plover: " + what + argument + "'\n" + UsageText()};
    }
    if (load.file && !ReadUserProgram(*load.file, result.Program, error))
        return {true, BadProgramExitStatus, {}, "plover: " + error + "\n"};
    result.Load = load;
    return result;
}

CommandLine HandleCommandLine(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    CommandLine result = ParseCommandLine(arguments);
    std::fputs(result.Output.c_str(), stdout);
    std::fputs(result.Errors.c_str(), stderr);
    return result;
}

}  // namespace plover
