#include "plover/shell/command_line.h"

#include <cstdio>

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
           "\n"
           "Files, in the folder where plover starts (a missing one leaves zeros):\n"
           "  roms/MPF1P.bin       the monitor ROM image (8,192 bytes)\n"
           "  teclado/teclado.bmp  the keyboard picture (950 x 574)\n"
           "  video/VIOchar.bin    the character generator of the text video\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "-h" || argument == "--help") return {true, 0, UsageText(), {}};
        if (argument == "--version") return {true, 0, "plover " PLOVER_VERSION "\n", {}};
        const bool option = argument.size() > 1 && argument[0] == '-';
        const std::string what = option ? "unknown option '" : "unexpected argument '";
        return {true, 2, {}, "plover: " + what + argument + "'\n" + UsageText()};
    }
    return {};
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
