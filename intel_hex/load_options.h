// The command-line options that bring a program file in, as both programs
// take them:
//   --load FILE   FILE.hex / FILE.ihx (Intel HEX) or FILE@ADDR (raw image at
//                 hexadecimal ADDR)
//   --go ADDR     start it at ADDR once the monitor is up
//   --watch       reload and restart it whenever the file changes
// Taking the options checks their values only; ReadLoadFile then reads the
// file, once, and the program loads what it read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "intel_hex/load_argument.h"

namespace intel_hex {

struct LoadOptions {
    std::optional<LoadArgument> file;
    std::optional<uint16_t> go;
    bool watch = false;
};

// Takes --load, --go and --watch (with their values, as "--go 8000" or
// "--go=8000") out of `args`, leaving the rest in order. False with the
// reason in `error` when they cannot be used: a missing or bad value, or
// --go or --watch without --load.
bool TakeLoadOptions(std::vector<std::string>& args, LoadOptions& options, std::string& error);

// Reads and parses the file (ReadProgram). On a fault `error` says why: the
// file and the line for a bad HEX record, the system's reason for a file that
// cannot be read.
bool ReadLoadFile(const LoadArgument& file, Program& program, std::string& error);

}  // namespace intel_hex
