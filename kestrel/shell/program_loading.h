// Getting a user program into the board: a raw image at a base address (as
// "Load Bin/Rom" does) or an Intel HEX file, and starting it at an address.
//
// GUI-free: the menu items, the command line and the file watcher of
// program_session.h all come through here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "intel_hex/intel_hex.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

// What was loaded, so that it can be loaded again.
struct ProgramSource {
    enum class Kind { Bin, Hex };
    Kind kind = Kind::Hex;
    std::string path;
    uint16_t base = 0;   // Bin only: where the image goes
    uint16_t count = 0;  // Bin only: 0 = the whole file
};

struct ProgramLoadResult {
    bool loaded = false;
    bool reset = false;  // the load reached address 0 and reset the processor
    std::string fault;   // why nothing was loaded ("line 3: ...", or the file's error)
    std::string skipped; // Bin only: what "Write Protect ROM" kept out (DescribeSkippedBytes)
};

// Reads and checks the whole file, then writes its bytes straight into
// MemoryImage (not through the WriteEnableMap), as "Load Bin/Rom" does (a raw
// image also keeps out of the ROM as that does while "Write Protect ROM" is
// checked, and says so in `skipped`). A
// HEX file with a byte at address 0, like a raw image at base 0, resets the
// processor (ResetCpu). On a fault nothing changes. With `read`, the file has
// already been read through the shared reader (the whole of a raw image, as
// one block at its base) and is not read again.
ProgramLoadResult LoadProgram(MachineRecord& m, const ProgramSource& source, const intel_hex::Program* read = nullptr);

// How many instructions the monitor gets after a reset before a program is
// started over it: enough for it to set up the PPI and its work area and to
// reach its key loop.
inline constexpr int kMonitorStartInstructions = 200000;

// Runs the monitor for kMonitorStartInstructions instructions.
void RunMonitorStart(MachineRecord& m);

// Starts the user program at `address` the way the debugger's register load
// does: the program counter is set; nothing else changes except that a
// HALT is left, so a program that ended in HALT runs again.
void StartUserProgram(MachineRecord& m, uint16_t address);

}  // namespace kestrel
