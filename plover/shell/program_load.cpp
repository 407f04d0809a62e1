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

namespace {

// What each option's value may be, for the messages that refuse one.
constexpr const char* kGoValues = "a hexadecimal address from 0 to FFFF (8000, 8000h or 0x8000)";
constexpr const char* kLoadValues =
    "FILE.hex or FILE.ihx (Intel HEX), or FILE@ADDR (a raw image at hexadecimal ADDR)";

}  // namespace

bool TakeLoadOptions(std::vector<std::string>& args, LoadOptions& options, std::string& error) {
    options = LoadOptions{};
    std::vector<std::string> rest;
    std::string load;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (arg == "--watch") {
            options.watch = true;
        } else if (name == "--load" || name == "--go") {
            // the value follows the option or its '='; an option in its place is no value
            std::string value;
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
                value = args[++i];
            if (value.empty()) {
                error = name + " needs a value: " + (name == "--load" ? kLoadValues : kGoValues);
                return false;
            }
            if (name == "--load") {
                load = value;
            } else if (!(options.go = intel_hex::ParseAddress(value))) {
                error = "--go " + value + ": not " + kGoValues;
                return false;
            }
        } else {
            rest.push_back(arg);
        }
    }
    args = rest;
    if (load.empty()) {
        if (options.go || options.watch) {
            error = std::string(options.go ? "--go" : "--watch") + " needs --load FILE: the program to start or watch";
            return false;
        }
        return true;
    }
    std::string why;
    options.file = intel_hex::ParseLoadArgument(load, why);
    if (!options.file) error = "--load " + why;
    return options.file.has_value();
}

bool ReadUserProgram(const intel_hex::LoadArgument& file, intel_hex::Program& program, std::string& error) {
    const intel_hex::ParseResult result = intel_hex::ReadProgram(file);
    if (!result.ok) {
        error = result.fault.line > 0 ? file.path + ": " + result.fault.Describe() : result.fault.Describe();
        return false;
    }
    for (const intel_hex::Block& block : result.program.blocks) {
        if (block.address < RomLimit) {
            error = file.path + ": byte for address " + Hex4(block.address) +
                    "h lies below the ROM limit " + Hex4(RomLimit) + "h; nothing loaded";
            return false;
        }
    }
    program = result.program;
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
