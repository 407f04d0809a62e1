// kestrel's command line. Without arguments the program starts as always;
// --help and --version answer and end it. Options that change how the
// program runs become members of CommandLine, read by main after parsing.
#pragma once

#include <QString>
#include <QStringList>

#include "kestrel/shell/load_options.h"

namespace kestrel {

struct CommandLine {
    bool Exit = false;    // the program ends after printing, with ExitStatus
    int ExitStatus = 0;   // 0 for --help and --version, 2 for a wrong argument
    QString Output;       // for standard output (help, version)
    QString Errors;       // for standard error (what was wrong, then the usage)
    LoadOptions Load = {};  // --load, --go, --watch, the file already checked
    bool RealTime = false;  // --real-time: this run at the board's own speed
    bool Keyboard = false;  // --keyboard: the host keyboard drives the keypad in this run
    QString State = {};     // --state: the state file to start from, already checked
};

// Parses the arguments; the first is the program's name.
CommandLine ParseCommandLine(const QStringList& arguments);

// Parses argv, prints what the result asks for, and returns it.
CommandLine HandleCommandLine(int argc, char** argv);

}  // namespace kestrel
