#include "tests/support/cpm_runner.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace z80test::cpm {

bool ReadProgram(const std::string& path, std::vector<uint8_t>& image, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    image.clear();
    uint8_t buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) image.insert(image.end(), buffer, buffer + got);
    std::fclose(f);
    return true;
}

bool LayOut(uint8_t* memory, const std::vector<uint8_t>& image, std::string& error) {
    if (image.empty()) {
        error = "the program is empty";
        return false;
    }
    if (image.size() > kTopOfMemory - kTpa) {
        error = "the program does not fit below " + std::to_string(kTopOfMemory >> 8) + "00h";
        return false;
    }
    std::memset(memory, 0, 65536);
    std::memcpy(memory + kTpa, image.data(), image.size());
    memory[kWarmBoot] = 0x76;  // HALT: never executed, the run stops before it
    memory[kBdos] = 0xC9;      // RET: the trap does the work
    memory[0x0006] = kTopOfMemory & 0xFF;
    memory[0x0007] = kTopOfMemory >> 8;
    return true;
}

void ConsoleWatch::Put(char c) {
    last_ = c;
    tail_ += c;
    if (tail_.size() > 6) tail_.erase(0, tail_.size() - 6);
    const auto endsWith = [this](const char* word) {
        const size_t n = std::strlen(word);
        return tail_.size() >= n && tail_.compare(tail_.size() - n, n, word) == 0;
    };
    for (const char* word : {"ERROR", "FAILED"})
        if (failure_ == nullptr && endsWith(word)) failure_ = word;
}

namespace {

void Usage(const char* tool) {
    std::fprintf(stderr, "usage: %s [--max-instructions N] FILE.COM\n", tool);
}

bool ParseCount(const char* text, uint64_t& count) {
    if (text == nullptr || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    count = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && count > 0;
}

}  // namespace

bool ParseToolOptions(const char* tool, int argc, char** argv, ToolOptions& options) {
    static const std::string kLimit = "--max-instructions";
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const char* value = nullptr;
        if (arg == kLimit) {
            value = k + 1 < argc ? argv[++k] : nullptr;
        } else if (arg.rfind(kLimit + "=", 0) == 0) {
            value = argv[k] + kLimit.size() + 1;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "%s: unknown option %s\n", tool, arg.c_str());
            Usage(tool);
            return false;
        } else if (options.program.empty()) {
            options.program = arg;
            continue;
        } else {
            Usage(tool);
            return false;
        }
        if (!ParseCount(value, options.maxInstructions)) {
            std::fprintf(stderr, "%s: --max-instructions takes a positive whole number\n", tool);
            Usage(tool);
            return false;
        }
    }
    if (options.program.empty()) {
        Usage(tool);
        return false;
    }
    return true;
}

int Report(const char* tool, const RunResult& r, const ToolOptions& options, const ConsoleWatch& watch,
           double seconds) {
    if (watch.Last() != '\n') std::putchar('\n');
    std::printf("instructions=%llu tstates=%llu seconds=%.3f\n", static_cast<unsigned long long>(r.instructions),
                static_cast<unsigned long long>(r.tstates), seconds);
    std::fflush(stdout);
    int status = 0;
    if (!r.finished) {
        std::fprintf(stderr, "%s: the instruction limit (%llu) was reached before the program finished\n", tool,
                     static_cast<unsigned long long>(options.maxInstructions));
        status = 1;
    }
    if (watch.Failure() != nullptr) {
        std::fprintf(stderr, "%s: the program printed %s\n", tool, watch.Failure());
        status = 1;
    }
    return status;
}

}  // namespace z80test::cpm
