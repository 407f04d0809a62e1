// --load arguments: HEX files and raw images at an address.
#include "intel_hex/load_argument.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace intel_hex {

namespace {

constexpr std::size_t kAddressSpace = 0x10000;

bool EndsWith(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = text[text.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

ParseResult Refuse(std::string message) {
    ParseResult result;
    result.fault = Fault{0, std::move(message)};
    return result;
}

}  // namespace

std::optional<uint16_t> ParseAddress(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<uint16_t>(value);
}

std::optional<LoadArgument> ParseLoadArgument(std::string_view text, std::string& why) {
    LoadArgument argument;
    const std::size_t at = text.rfind('@');
    if (at != std::string_view::npos) {
        const std::optional<uint16_t> address = ParseAddress(text.substr(at + 1));
        if (!address || at == 0) {
            why = "'" + std::string(text) + "': a raw image is given as FILE@ADDR, ADDR in hexadecimal (0 to FFFF)";
            return std::nullopt;
        }
        argument.path = std::string(text.substr(0, at));
        argument.hex = false;
        argument.address = *address;
        return argument;
    }
    if (!EndsWith(text, ".hex") && !EndsWith(text, ".ihx")) {
        why = "'" + std::string(text) + "': not a HEX file (.hex, .ihx); give a raw image as FILE@ADDR";
        return std::nullopt;
    }
    argument.path = std::string(text);
    return argument;
}

ParseResult ReadProgram(const LoadArgument& argument) {
    if (argument.hex) return ReadFile(argument.path);
    std::FILE* file = std::fopen(argument.path.c_str(), "rb");
    if (!file) return Refuse(argument.path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return Refuse(argument.path + ": not a regular file");
    }
    // one byte more than fits tells an image that runs past FFFFh
    const std::size_t room = kAddressSpace - argument.address;
    std::vector<uint8_t> bytes(room + 1);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return Refuse(argument.path + ": read error");
    if (got > room) {
        const std::size_t size = std::max(static_cast<std::size_t>(info.st_size), got);
        return Refuse(argument.path + ": " + std::to_string(size) + " bytes at " + Hex4(argument.address) +
                      "h run past the end of memory at FFFFh: address 10000h does not fit (room for " +
                      std::to_string(room) + ")");
    }
    ParseResult result;
    result.ok = true;
    if (got > 0) {
        bytes.resize(got);
        result.program.blocks.push_back(Block{argument.address, std::move(bytes)});
    }
    return result;
}

}  // namespace intel_hex
