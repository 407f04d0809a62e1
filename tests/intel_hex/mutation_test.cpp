// 100,000 mutated HEX files: the reader never crashes, and a file it accepts
// writes exactly the bytes its data records name, nothing else. Runs in the
// sanitizer tree, where any stray access aborts.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "intel_hex/intel_hex.h"

namespace {

// Records at 0, in the middle through a segment base, and up to FFFFh.
const char kBase[] =
    ":10000000F3C30001000102030405060708090A0BF7\n"
    ":040010001122334442\n"
    ":020000020100FB\n"
    ":10080000C7C7C7C7C7C7C7C7C7C7C7C7C7C7C7C778\n"
    ":020000040000FA\n"
    ":08FFF8000102030405060708DD\n"
    ":00000001FF\n";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t stop = text.find('\n', start);
        if (stop == std::string::npos) stop = text.size();
        lines.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return lines;
}

int Nibble(char c) {
    const std::string digits = "0123456789ABCDEF";
    const std::size_t at = digits.find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

// Rewrites the last two digits of `line` so that its checksum holds, when
// the line is all hex digits after the colon; many mutants then get past the
// checksum and test the length and address checks.
void FixChecksum(std::string& line) {
    if (line.size() < 3 || line[0] != ':' || line.size() % 2 == 0) return;
    unsigned sum = 0;
    for (std::size_t i = 1; i + 2 < line.size(); i += 2) {
        const int hi = Nibble(line[i]), lo = Nibble(line[i + 1]);
        if (hi < 0 || lo < 0) return;
        sum += static_cast<unsigned>(hi * 16 + lo);
    }
    const char* digits = "0123456789ABCDEF";
    const unsigned check = (0x100 - (sum & 0xFF)) & 0xFF;
    line[line.size() - 2] = digits[check >> 4];
    line[line.size() - 1] = digits[check & 15];
}

std::string Mutate(std::mt19937& random, const std::string& base) {
    std::vector<std::string> lines = SplitLines(base);
    const std::string alphabet = "0123456789ABCDEFaf:\r \nG\x80";
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    const std::size_t changes = 1 + pick(3);
    for (std::size_t c = 0; c < changes; ++c) {
        std::string& line = lines[pick(lines.size())];
        switch (pick(6)) {
        case 0: if (!line.empty()) line[pick(line.size())] = alphabet[pick(alphabet.size())]; break;
        case 1: if (!line.empty()) line.erase(pick(line.size()), 1 + pick(2)); break;
        case 2: line.insert(pick(line.size() + 1), 1, alphabet[pick(alphabet.size())]); break;
        case 3: lines.insert(lines.begin() + static_cast<long>(pick(lines.size())), line); break;
        case 4: lines.erase(lines.begin() + static_cast<long>(pick(lines.size()))); break;
        default: if (line.size() > 3) line[1 + pick(8)] = alphabet[pick(16)]; break;
        }
        if (lines.empty()) break;
        if (pick(2) == 0) FixChecksum(lines[pick(lines.size())]);
    }
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i + 1 < lines.size() ? "\n" : "");
    return text;
}

struct Named {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

// The test's own reading of an accepted file: each data record's absolute
// address and bytes, from the raw digits.
std::vector<Named> NamedBytes(const std::string& text) {
    std::vector<Named> named;
    uint32_t base = 0;
    for (std::string line : SplitLines(text)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 11) continue;
        auto byte = [&](std::size_t i) { return static_cast<uint32_t>(std::stoul(line.substr(1 + 2 * i, 2), nullptr, 16)); };
        const uint32_t length = byte(0), offset = byte(1) << 8 | byte(2), type = byte(3);
        if (type == 2) base = (byte(4) << 8 | byte(5)) << 4;
        if (type == 4) base = (byte(4) << 8 | byte(5)) << 16;
        if (type != 0) continue;
        Named record{base + offset, {}};
        for (uint32_t i = 0; i < length; ++i) record.bytes.push_back(static_cast<uint8_t>(byte(4 + i)));
        named.push_back(record);
    }
    return named;
}

TEST(IntelHexMutation, HundredThousandMutantsNeverWriteOutsideTheirRecords) {
    ASSERT_TRUE(intel_hex::Parse(kBase).ok) << intel_hex::Parse(kBase).fault.Describe();
    std::mt19937 random(1979);
    // Guard zones either side of the 64 KiB: a stray write shows there.
    std::vector<uint8_t> arena(3 * 0x10000, 0x5A);
    uint8_t* memory = arena.data() + 0x10000;
    std::array<uint8_t, 0x10000> expected{};
    std::vector<uint16_t> touched;
    int accepted = 0;
    for (int round = 0; round < 100000; ++round) {
        const std::string text = Mutate(random, kBase);
        const intel_hex::ParseResult result = intel_hex::Parse(text);
        if (!result.ok) {
            ASSERT_TRUE(result.program.Empty());
            ASSERT_GE(result.fault.line, 1) << text;
            ASSERT_FALSE(result.fault.message.empty());
            continue;
        }
        ++accepted;
        for (const Named& record : NamedBytes(text)) {
            ASSERT_LE(record.address + record.bytes.size(), 0x10000u) << text;
            for (std::size_t i = 0; i < record.bytes.size(); ++i) {
                expected[record.address + i] = record.bytes[i];
                touched.push_back(static_cast<uint16_t>(record.address + i));
            }
        }
        std::size_t writes = 0;
        result.program.ForEachByte([&](uint16_t address, uint8_t value) {
            memory[address] = value;
            ++writes;
        });
        std::size_t named = touched.size();
        ASSERT_EQ(writes, named) << text;
        for (uint16_t address : touched) {
            ASSERT_EQ(memory[address], expected[address]) << text << "\nat " << address;
            ASSERT_TRUE(result.program.Covers(address));
        }
        for (uint16_t address : touched) memory[address] = 0x5A;
        touched.clear();
    }
    for (uint8_t byte : arena) ASSERT_EQ(byte, 0x5A);
    // The mutator is only useful if a fair share of mutants gets through.
    EXPECT_GT(accepted, 5000);
    std::printf("accepted %d of 100000 mutants\n", accepted);
}

}  // namespace
