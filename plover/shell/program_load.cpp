// --load, --go and --watch for plover.
#include "plover/shell/program_load.h"

#include <cstdio>

#include <sys/stat.h>

#include "plover/z80/cpu.h"

namespace plover {

namespace {

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

}  // namespace

bool ReadUserProgram(const intel_hex::LoadArgument& file, intel_hex::Program& program, std::string& error) {
    intel_hex::Program read;
    if (!intel_hex::ReadLoadFile(file, read, error)) return false;
    for (const intel_hex::Block& block : read.blocks) {
        if (block.address < RomLimit) {
            error = file.path + ": byte for address " + Hex4(block.address) +
                    "h lies below the ROM limit " + Hex4(RomLimit) + "h; nothing loaded";
            return false;
        }
    }
    program = std::move(read);
    return true;
}

void StoreUserProgram(const intel_hex::Program& program) {
    program.ForEachByte([](uint16_t address, uint8_t value) { BoardMemory[address] = value; });
}

bool UserProgram::Stamp::operator==(const Stamp& other) const {
    return exists == other.exists && size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

UserProgram::Stamp UserProgram::Look(const std::string& path) {
    Stamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<long long>(info.st_size);
    stamp.modified = info.st_mtim;
    return stamp;
}

UserProgram::UserProgram(const LoadOptions& options, ProblemReport report) : options_(options), report_(report) {
    if (options_.file && options_.watch) loaded_ = seen_ = Look(options_.file->path);
}

void UserProgram::Frame() {
    if (!options_.file) return;
    if (!started_ && ++frames_ >= kMonitorStartFrames) {
        started_ = true;
        if (options_.go) Z80Registers.PC = *options_.go;
    }
    if (!options_.watch) return;
    const Stamp now = Look(options_.file->path);
    if (!(now == seen_)) {
        seen_ = now;
        stableFor_ = 0;
        return;
    }
    if (now == loaded_ || !now.exists) return;
    if (++stableFor_ < kStableFrames) return;
    loaded_ = now;
    Reload();
}

void UserProgram::Reload() {
    intel_hex::Program program;
    std::string error;
    if (!ReadUserProgram(*options_.file, program, error)) {
        std::fprintf(stderr, "plover: %s\n", error.c_str());
        if (report_ != nullptr) report_(error);
        problemShown_ = true;
        return;
    }
    if (problemShown_ && report_ != nullptr) report_({});
    problemShown_ = false;
    StoreUserProgram(program);
    ++watchLoads_;
    if (options_.go && started_) Z80Registers.PC = *options_.go;
}

}  // namespace plover
