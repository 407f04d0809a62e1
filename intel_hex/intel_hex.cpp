// Intel HEX reading: record syntax, lengths, checksums and addresses.
#include "intel_hex/intel_hex.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

namespace intel_hex {

namespace {

// A HEX file for 64 KiB is at most about 180 KiB of text; anything much
// larger is not a program for these boards.
constexpr long kMaxFileBytes = 4L * 1024 * 1024;
constexpr uint32_t kAddressSpace = 0x10000;

enum RecordType : uint8_t {
    kData = 0x00,
    kEndOfFile = 0x01,
    kSegmentAddress = 0x02,
    kLinearAddress = 0x04,
};

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string ShowChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7F) return std::string("'") + c + "'";
    return "character " + Hex(u, 2) + "h";
}

// One record line decoded into bytes: LL AAAA TT data CC.
struct Record {
    uint8_t length = 0;
    uint16_t offset = 0;
    uint8_t type = 0;
    const uint8_t* data = nullptr;
};

// Decodes `line` (no line end) into `raw` and `record`; returns a fault
// message, empty when the record is well formed.
std::string DecodeRecord(std::string_view line, std::vector<uint8_t>& raw, Record& record) {
    if (line[0] != ':') return "the record does not start with ':'";
    const std::string_view digits = line.substr(1);
    for (std::size_t i = 0; i < digits.size(); ++i)
        if (DigitValue(digits[i]) < 0)
            return ShowChar(digits[i]) + " at column " + std::to_string(i + 2) +
                   " is not a hexadecimal digit";
    if (digits.size() % 2 != 0) return "the record has an odd number of hexadecimal digits";
    raw.clear();
    for (std::size_t i = 0; i < digits.size(); i += 2)
        raw.push_back(static_cast<uint8_t>(DigitValue(digits[i]) * 16 + DigitValue(digits[i + 1])));
    if (raw.size() < 5)
        return "the record is too short: " + std::to_string(raw.size()) +
               " bytes, a record has at least 5";
    record.length = raw[0];
    const std::size_t carried = raw.size() - 5;
    if (carried != record.length)
        return "the record length is " + Hex(record.length, 2) + "h but it carries " +
               std::to_string(carried) + " data bytes";
    uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) sum = static_cast<uint8_t>(sum + raw[i]);
    const auto expected = static_cast<uint8_t>(-sum);
    if (raw.back() != expected)
        return "the checksum is " + Hex(raw.back(), 2) + "h, the record needs " +
               Hex(expected, 2) + "h";
    record.offset = static_cast<uint16_t>(raw[1] << 8 | raw[2]);
    record.type = raw[3];
    record.data = raw.data() + 4;
    return {};
}

// The state of one pass over the text.
class Reader {
public:
    // Takes one line (no line end); returns a fault message or empty.
    std::string Take(std::string_view line, int number) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) return {};
        if (ended_) return "there is text after the end-of-file record";
        Record record;
        std::string fault = DecodeRecord(line, raw_, record);
        if (!fault.empty()) return fault;
        return Apply(record, number);
    }
    bool Ended() const { return ended_; }
    Program& Result() { return program_; }

private:
    std::string Apply(const Record& record, int number) {
        switch (record.type) {
        case kData: return AddData(record, number);
        case kEndOfFile:
            if (record.length != 0) return "the end-of-file record carries data";
            ended_ = true;
            return {};
        case kSegmentAddress:
        case kLinearAddress: {
            if (record.length != 2)
                return "an extended address record carries 2 data bytes, not " +
                       std::to_string(record.length);
            const uint32_t value = record.data[0] << 8 | record.data[1];
            base_ = record.type == kSegmentAddress ? value << 4 : value << 16;
            return {};
        }
        default: return "record type " + Hex(record.type, 2) + "h is not supported";
        }
    }

    std::string AddData(const Record& record, int number) {
        const uint32_t first = base_ + record.offset;
        const uint32_t end = first + record.length;
        if (end > kAddressSpace)
            return "the data reaches address " + Hex(end - 1, 5) + "h, beyond FFFFh";
        if (record.length == 0) return {};
        Block block;
        block.address = static_cast<uint16_t>(first);
        block.bytes.assign(record.data, record.data + record.length);
        block.line = number;
        program_.blocks.push_back(std::move(block));
        return {};
    }

    Program program_;
    std::vector<uint8_t> raw_;
    uint32_t base_ = 0;
    bool ended_ = false;
};

ParseResult Refuse(int line, std::string message) {
    ParseResult result;
    result.fault = Fault{line, std::move(message)};
    return result;
}

}  // namespace

bool Program::Empty() const { return blocks.empty(); }

bool Program::Covers(uint16_t address) const {
    for (const Block& block : blocks)
        if (address >= block.address && static_cast<std::size_t>(address - block.address) < block.bytes.size()) return true;
    return false;
}

uint16_t Program::Lowest() const {
    uint16_t lowest = 0xFFFF;
    for (const Block& block : blocks)
        if (block.address < lowest) lowest = block.address;
    return blocks.empty() ? 0 : lowest;
}

std::string Fault::Describe() const {
    if (line <= 0) return message;
    return "line " + std::to_string(line) + ": " + message;
}

ParseResult Parse(std::string_view text) {
    Reader reader;
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find('\n', start);
        if (stop == std::string_view::npos) stop = text.size();
        ++number;
        std::string fault = reader.Take(text.substr(start, stop - start), number);
        if (!fault.empty()) return Refuse(number, std::move(fault));
        start = stop + 1;
    }
    if (!reader.Ended()) return Refuse(number + 1, "the end-of-file record (type 01) is missing");
    ParseResult result;
    result.ok = true;
    result.program = std::move(reader.Result());
    return result;
}

ParseResult ReadFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return Refuse(0, path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return Refuse(0, path + ": not a regular file");
    }
    if (info.st_size > kMaxFileBytes) {
        std::fclose(file);
        return Refuse(0, path + ": too large for a HEX file of 64 KiB");
    }
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    const std::size_t got = std::fread(text.data(), 1, text.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return Refuse(0, path + ": read error");
    text.resize(got);
    return Parse(text);
}

}  // namespace intel_hex
