// Getting a user program in from the command line:
//   --load FILE   FILE.hex / FILE.ihx (Intel HEX) or FILE@ADDR (raw image at
//                 hexadecimal ADDR)
//   --go ADDR     start it at ADDR once the monitor is up
//   --watch       reload and restart it whenever the file changes
// Bytes below the ROM limit (4000h) are refused and nothing is loaded. The
// program lives in BoardMemory, which no reset clears, so F2 keeps it.
//
// Watching polls the file's size and modification time at each frame
// boundary (a stat call, nothing allocated) and loads it only after they
// have stayed the same for kStableFrames frames, so a file that is still
// being written is never loaded. A file that cannot be used is reported and
// not loaded: the program that runs goes on.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "intel_hex/load_options.h"

namespace plover {

// The options and their parsing are the shared reader's (intel_hex/load_options.h).
using intel_hex::LoadOptions;
using intel_hex::TakeLoadOptions;

// Exit status for a command line or program file that cannot be used.
inline constexpr int BadProgramExitStatus = 2;

// Reads the file through the shared reader and checks it: nothing below
// RomLimit. On success
// `program` holds the bytes; otherwise `error` says why.
bool ReadUserProgram(const intel_hex::LoadArgument& file, intel_hex::Program& program, std::string& error);

// Writes the bytes into BoardMemory (a load, not an emulated write).
void StoreUserProgram(const intel_hex::Program& program);

// The loaded program over the session: starts it at --go once the monitor
// has run kMonitorStartFrames frames, and reloads it when --watch is on.
class UserProgram {
public:
    static constexpr int kMonitorStartFrames = 10;  // 200 ms of board time
    static constexpr int kStableFrames = 5;         // 100 ms without a change

    // Besides standard error, told what is wrong with a file that cannot be
    // reloaded, and an empty text at the next good reload.
    using ProblemReport = void (*)(const std::string& problem);

    UserProgram() = default;
    explicit UserProgram(const LoadOptions& options, ProblemReport report = nullptr);

    // Called at every frame boundary.
    void Frame();
    // How many times the watcher has loaded the file.
    int WatchLoads() const { return watchLoads_; }

private:
    struct Stamp {
        bool exists = false;
        long long size = 0;
        timespec modified{};
        bool operator==(const Stamp& other) const;
    };
    static Stamp Look(const std::string& path);
    void Reload();

    LoadOptions options_;
    ProblemReport report_ = nullptr;
    bool problemShown_ = false;
    int frames_ = 0;
    bool started_ = false;
    Stamp loaded_;
    Stamp seen_;
    int stableFor_ = 0;
    int watchLoads_ = 0;
};

}  // namespace plover
