// plover's command line, without SDL. Without arguments the program starts as
// always; --help and --version answer and end it. Options that change how the
// program runs become members of CommandLine, read by main after parsing.
#pragma once

#include <string>
#include <vector>

#include "intel_hex/intel_hex.h"
#include "plover/shell/program_load.h"

namespace plover {

struct CommandLine {
    bool Exit = false;   // the program ends after printing, with ExitStatus
    int ExitStatus = 0;  // 0 for --help and --version, 2 for a wrong argument
    std::string Output;  // for standard output (help, version)
    std::string Errors;  // for standard error (what was wrong, then the usage)
    int WindowScale = 1; // --scale N: the window starts N times the framebuffer's size
    LoadOptions Load = {};                // --load, --go, --watch
    intel_hex::Program Program = {};      // the file --load names, read and checked
    std::string StateFile = {};           // --state FILE: start from this state
    bool Keep = false;                    // --keep: keep the machine between runs
};

// The usage text printed by --help: options and the files read.
std::string UsageText();

// Parses the arguments that follow the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// Parses argv, prints what the result asks for, and returns it.
CommandLine HandleCommandLine(int argc, char** argv);

}  // namespace plover
