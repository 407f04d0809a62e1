// The command-line options that get a program in at start-up:
//   --load FILE   FILE.hex / FILE.ihx (Intel HEX) or FILE@ADDR (raw image at
//                 hexadecimal ADDR)
//   --go ADDR     start it at ADDR once the monitor is up
//   --watch       reload and restart it whenever the file changes
//   --symbols FILE  the program's symbols (pasmo's table, z80asm's labels);
//                 without it a FILE.sym beside a --load FILE.hex is read
// Kept apart from main.cpp so that other options join the same parser.
#pragma once

#include <QString>
#include <optional>

#include "intel_hex/intel_hex.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/shell/program_loading.h"

class QCommandLineParser;

namespace kestrel {

struct LoadOptions {
    std::optional<ProgramSource> source;
    // the file as TakeLoadOptions read it: what is loaded, without reading it again
    std::optional<intel_hex::Program> program;
    std::optional<uint16_t> go;
    bool watch = false;
    // --symbols FILE, or FILE.sym beside a --load FILE.hex; read and checked.
    std::optional<SymbolTable> symbols;
};

// Exit status for a command line or program file that cannot be used.
inline constexpr int kBadProgramExitStatus = 2;

// Adds --load, --go, --watch and --symbols to `parser`.
void AddLoadOptions(QCommandLineParser& parser);

// Reads the options from a parser that has parsed the command line, and
// reads and checks the named file through the shared reader, keeping what it
// read (without loading it anywhere). On a fault returns false with the
// reason in `error`.
bool TakeLoadOptions(const QCommandLineParser& parser, LoadOptions& options, QString& error);

// Starts the session's program as the options say: load, --go, --watch.
// Called before the run loop starts. `monitorFresh`: the board has just been
// reset (not restored from a state), so --go runs the monitor's start-up first.
class ProgramSession;
void ApplyLoadOptions(ProgramSession& session, const LoadOptions& options, bool monitorFresh = true);

}  // namespace kestrel
