// The Intel HEX reader: assemblers' files against their binaries, the faults
// it names, and the --load argument forms.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

#include "intel_hex/intel_hex.h"
#include "intel_hex/load_argument.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The assembler's binary starts at the program's lowest address and fills
// gaps with zeros; the HEX file written into zeroed memory must match it.
void ExpectRoundTrip(const std::string& stem) {
    const std::string dir = HEX_SAMPLE_DIR;
    const std::vector<uint8_t> binary = ReadBytes(dir + "/" + stem + ".bin");
    ASSERT_FALSE(binary.empty()) << stem << ".bin was not assembled";
    const intel_hex::ParseResult result = intel_hex::ReadFile(dir + "/" + stem + ".hex");
    ASSERT_TRUE(result.ok) << stem << ".hex: " << result.fault.Describe();
    std::array<uint8_t, 0x10000> memory{};
    std::size_t written = 0;
    result.program.ForEachByte([&](uint16_t address, uint8_t value) {
        memory[address] = value;
        ++written;
    });
    const uint16_t lowest = result.program.Lowest();
    ASSERT_LE(lowest + binary.size(), memory.size());
    EXPECT_EQ(written, binary.size()) << stem;
    EXPECT_TRUE(std::equal(binary.begin(), binary.end(), memory.begin() + lowest)) << stem;
}

TEST(IntelHexRoundTrip, PasmoFilesMatchPasmoBinaries) {
    for (const char* stem : {"sample.pasmo", "top.pasmo", "sections.pasmo"}) ExpectRoundTrip(stem);
}

TEST(IntelHexRoundTrip, Z80asmBinariesThroughObjcopyMatch) {
    if (*Z80ASM_SAMPLES_MISSING) GTEST_SKIP() << "needs " << Z80ASM_SAMPLES_MISSING << ", not found at configure time";
    for (const char* stem : {"sample.z80asm", "top.z80asm"}) ExpectRoundTrip(stem);
}

TEST(IntelHexRoundTrip, KnownAddressesLandWhereTheSourceSays) {
    const intel_hex::ParseResult top = intel_hex::ReadFile(std::string(HEX_SAMPLE_DIR) + "/top.pasmo.hex");
    ASSERT_TRUE(top.ok);
    EXPECT_EQ(top.program.Lowest(), 0xFF00);
    EXPECT_TRUE(top.program.Covers(0xFFEF));
    EXPECT_FALSE(top.program.Covers(0xFFF0));
    EXPECT_FALSE(top.program.Covers(0x0000));
    const intel_hex::ParseResult sections =
        intel_hex::ReadFile(std::string(HEX_SAMPLE_DIR) + "/sections.pasmo.hex");
    ASSERT_TRUE(sections.ok);
    EXPECT_TRUE(sections.program.Covers(0x0000));
    EXPECT_TRUE(sections.program.Covers(0x0102));
    EXPECT_FALSE(sections.program.Covers(0x0103));
}

struct FaultCase {
    const char* text;
    int line;
    const char* message;
};

TEST(IntelHexFaults, EachFaultNamesItsLineAndCause) {
    const FaultCase cases[] = {
        {"", 1, "the end-of-file record (type 01) is missing"},
        {":011800007671\n", 2, "the end-of-file record (type 01) is missing"},
        {"\n011800007671\n", 2, "the record does not start with ':'"},
        {":011800007671\n:00000001FG\n", 2, "'G' at column 11 is not a hexadecimal digit"},
        {":01180000 76F1\n", 1, "character 20h at column 10 is not a hexadecimal digit"},
        {":01180000767\n", 1, "the record has an odd number of hexadecimal digits"},
        {":00000001\n", 1, "the record is too short: 4 bytes, a record has at least 5"},
        {":021800007671\n", 1, "the record length is 02h but it carries 1 data bytes"},
        {":011800007672\n", 1, "the checksum is 72h, the record needs 71h"},
        {":01180003766E\n", 1, "record type 03h is not supported"},
        {":0400000500001800DF\n", 1, "record type 05h is not supported"},
        {":0100000100FE\n", 1, "the end-of-file record carries data"},
        {":03000004000000F9\n", 1, "an extended address record carries 2 data bytes, not 3"},
        {":02FFFF000102FD\n:00000001FF\n", 1, "the data reaches address 10000h, beyond FFFFh"},
        {":020000040001F9\n:010000007689\n", 2, "the data reaches address 10000h, beyond FFFFh"},
        {":020000021000EC\n:01F000007699\n", 2, "the data reaches address 1F000h, beyond FFFFh"},
        {":00000001FF\n:011800007671\n", 2, "there is text after the end-of-file record"},
    };
    for (const FaultCase& c : cases) {
        const intel_hex::ParseResult result = intel_hex::Parse(c.text);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_TRUE(result.program.Empty()) << c.text;
        EXPECT_EQ(result.fault.line, c.line) << c.text;
        EXPECT_EQ(result.fault.message, c.message) << c.text;
    }
    EXPECT_EQ(intel_hex::Parse(":011800007672\n").fault.Describe(),
              "line 1: the checksum is 72h, the record needs 71h");
}

TEST(IntelHexFaults, AFileThatCannotBeReadSaysWhy) {
    char dir[] = "/tmp/intel_hex_test.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const intel_hex::ParseResult missing = intel_hex::ReadFile(std::string(dir) + "/none.hex");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.fault.line, 0);
    EXPECT_NE(missing.fault.Describe().find("No such file or directory"), std::string::npos);
    const intel_hex::ParseResult folder = intel_hex::ReadFile(dir);
    EXPECT_NE(folder.fault.message.find("not a regular file"), std::string::npos);
    rmdir(dir);
}

TEST(IntelHexAccepts, LayoutVariantsAndAddressRecordsInsideTheSpace) {
    // CR LF line ends, blank lines, lower case, no final line end.
    const auto loose = intel_hex::Parse("\r\n:0218000076aac6\r\n\n:00000001ff");
    ASSERT_TRUE(loose.ok) << loose.fault.Describe();
    ASSERT_EQ(loose.program.blocks.size(), 1u);
    EXPECT_EQ(loose.program.blocks[0].line, 2);
    EXPECT_EQ(loose.program.blocks[0].bytes, (std::vector<uint8_t>{0x76, 0xAA}));

    // Segment 0100h is base 1000h, so offset 0800h lands at 1800h.
    const auto segment = intel_hex::Parse(":020000020100FB\n:01080000C730\n:00000001FF\n");
    ASSERT_TRUE(segment.ok) << segment.fault.Describe();
    EXPECT_EQ(segment.program.blocks[0].address, 0x1800);

    // Linear base 0 is plain 16-bit addressing; the last byte is FFFFh.
    const auto linear = intel_hex::Parse(":020000040000FA\n:01FFFF00AA57\n:00000001FF\n");
    ASSERT_TRUE(linear.ok) << linear.fault.Describe();
    EXPECT_EQ(linear.program.Lowest(), 0xFFFF);

    // A later record wins where two overlap.
    const auto overlap = intel_hex::Parse(":021800001122B3\n:0118010033B3\n:00000001FF\n");
    ASSERT_TRUE(overlap.ok);
    std::array<uint8_t, 0x10000> memory{};
    overlap.program.ForEachByte([&](uint16_t a, uint8_t v) { memory[a] = v; });
    EXPECT_EQ(memory[0x1800], 0x11);
    EXPECT_EQ(memory[0x1801], 0x33);
}

TEST(LoadArgument, NamesAndAddresses) {
    std::string why;
    auto hex = intel_hex::ParseLoadArgument("dir/prog.IHX", why);
    ASSERT_TRUE(hex);
    EXPECT_TRUE(hex->hex);
    EXPECT_EQ(hex->path, "dir/prog.IHX");
    auto raw = intel_hex::ParseLoadArgument("a@b/prog.bin@1800", why);
    ASSERT_TRUE(raw);
    EXPECT_FALSE(raw->hex);
    EXPECT_EQ(raw->path, "a@b/prog.bin");
    EXPECT_EQ(raw->address, 0x1800);
    EXPECT_FALSE(intel_hex::ParseLoadArgument("prog.bin", why));
    EXPECT_NE(why.find("FILE@ADDR"), std::string::npos);
    EXPECT_FALSE(intel_hex::ParseLoadArgument("prog.bin@10000", why));
    EXPECT_FALSE(intel_hex::ParseLoadArgument("prog.bin@", why));

    EXPECT_EQ(intel_hex::ParseAddress("0x1fA0"), 0x1FA0);
    EXPECT_EQ(intel_hex::ParseAddress("1800h"), 0x1800);
    EXPECT_EQ(intel_hex::ParseAddress("0"), 0);
    EXPECT_FALSE(intel_hex::ParseAddress("12345"));
    EXPECT_FALSE(intel_hex::ParseAddress("18g0"));
    EXPECT_FALSE(intel_hex::ParseAddress(""));
}

TEST(LoadArgument, ARawImageEndsAtFFFFhAndIsRefusedPastIt) {
    char dir[] = "/tmp/intel_hex_test.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/prog.bin";
    std::ofstream(path, std::ios::binary) << "0123456789";
    const auto top = intel_hex::ReadProgram({path, false, 0xFFF6});
    ASSERT_TRUE(top.ok);
    EXPECT_EQ(top.program.blocks.at(0).bytes.back(), '9');
    const auto past = intel_hex::ReadProgram({path, false, 0xFFF7});
    EXPECT_EQ(past.fault.message, path + ": 10 bytes at FFF7h run past the end of memory at FFFFh: address 10000h does not fit (room for 9)");
    unlink(path.c_str());
    rmdir(dir);
}

}  // namespace
