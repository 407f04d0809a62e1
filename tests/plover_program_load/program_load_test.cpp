// plover's user programs: --load/--go/--watch parsing, refusal below the ROM
// limit, the start at --go and reloading only once the file is stable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "plover/shell/command_line.h"
#include "plover/shell/program_load.h"
#include "plover/z80/cpu.h"

namespace plover {
namespace {

// What the user program reported, in order.
std::vector<std::string> reports;

class ProgramLoad : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/plover_program_load.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        RomLimit = 0x4000;
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ + "/" + name, std::ios::binary | std::ios::trunc) << text;
        return dir_ + "/" + name;
    }
    std::string dir_;
};

TEST_F(ProgramLoad, OptionsAreTakenAndTheRestLeft) {
    std::vector<std::string> args{"--load", "p.bin@8000", "--x", "--go", "8000h", "--watch"};
    LoadOptions options;
    std::string error;
    ASSERT_TRUE(TakeLoadOptions(args, options, error)) << error;
    EXPECT_EQ(args, std::vector<std::string>{"--x"});
    ASSERT_TRUE(options.file);
    EXPECT_EQ(options.file->path, "p.bin");
    EXPECT_EQ(options.file->address, 0x8000);
    EXPECT_EQ(options.go, 0x8000);
    EXPECT_TRUE(options.watch);

    std::vector<std::string> none{};
    EXPECT_TRUE(TakeLoadOptions(none, options, error));
    EXPECT_FALSE(options.file);
    std::vector<std::string> goAlone{"--go", "8000"};
    EXPECT_FALSE(TakeLoadOptions(goAlone, options, error));
    EXPECT_EQ(error, "--go needs --load FILE: the program to start or watch");
}

// Each bad value is blamed on its own option, with what it may be; exit status 2.
TEST_F(ProgramLoad, ABadArgumentNamesItsOptionItsValueAndWhatIsAllowed) {
    const std::string big = Write("big.bin", std::string(512, '\x76'));
    const std::string go = "a hexadecimal address from 0 to FFFF (8000, 8000h or 0x8000)";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--load", "p.bin@5000", "--go", "zz"}, "--go zz: not " + go},
        {{"--go", "12345"}, "--go 12345: not " + go},
        {{"--load", "p.hex", "--go"}, "--go needs a value: " + go},
        {{"--load"}, "--load needs a value: FILE.hex or FILE.ihx (Intel HEX), or FILE@ADDR (a raw image at "
                     "hexadecimal ADDR)"},
        {{"--load", big + "@FF00"},
         big + ": 512 bytes at FF00h run past the end of memory at FFFFh: address 10000h does not fit (room for 256)"},
    };
    for (const auto& [args, said] : cases) {
        const CommandLine line = ParseCommandLine(args);
        EXPECT_EQ(line.ExitStatus, 2);
        EXPECT_EQ(line.Errors, "plover: " + said + "\n");
    }
}

TEST_F(ProgramLoad, BytesBelowTheRomLimitAreRefusedNamingTheAddress) {
    BoardMemory[0x3FFF] = 0x55;
    BoardMemory[0x8000] = 0x55;
    // 8000h: 11, then 3FFFh: 22 — the whole file is refused, nothing is stored.
    const std::string path = Write("p.hex", ":01800000116E\n:013FFF00229F\n:00000001FF\n");
    intel_hex::Program program;
    std::string error;
    EXPECT_FALSE(ReadUserProgram({path, true, 0}, program, error));
    EXPECT_EQ(error, path + ": byte for address 3FFFh lies below the ROM limit 4000h; nothing loaded");
    EXPECT_EQ(BoardMemory[0x8000], 0x55);
    EXPECT_EQ(BoardMemory[0x3FFF], 0x55);
    const std::string bad = Write("b.hex", ":01800000116F\n:00000001FF\n");
    EXPECT_FALSE(ReadUserProgram({bad, true, 0}, program, error));
    EXPECT_EQ(error, bad + ": line 1: the checksum is 6Fh, the record needs 6Eh");
}

TEST_F(ProgramLoad, GoWaitsForTheMonitorAndTheWatcherForAStableFile) {
    const std::string path = Write("p.bin", "\x11");
    LoadOptions options;
    options.file = intel_hex::LoadArgument{path, false, 0x8000};
    options.go = 0x8000;
    options.watch = true;
    intel_hex::Program program;
    std::string error;
    ASSERT_TRUE(ReadUserProgram(*options.file, program, error)) << error;
    StoreUserProgram(program);
    EXPECT_EQ(BoardMemory[0x8000], 0x11);

    UserProgram user(options, [](const std::string& problem) { reports.push_back(problem); });
    Z80Registers.PC = 0x0123;
    for (int i = 1; i < UserProgram::kMonitorStartFrames; ++i) user.Frame();
    EXPECT_EQ(Z80Registers.PC, 0x0123);
    user.Frame();
    EXPECT_EQ(Z80Registers.PC, 0x8000);

    // The file changes at every frame: never loaded while it does.
    Z80Registers.PC = 0x0200;
    for (int i = 0; i < 3 * UserProgram::kStableFrames; ++i) {
        Write("p.bin", std::string(static_cast<std::size_t>(i + 2), '\x22'));
        user.Frame();
        ASSERT_EQ(user.WatchLoads(), 0);
    }
    for (int i = 0; i < UserProgram::kStableFrames; ++i) user.Frame();
    EXPECT_EQ(user.WatchLoads(), 1);
    EXPECT_EQ(BoardMemory[0x8000], 0x22);
    EXPECT_EQ(Z80Registers.PC, 0x8000);  // restarted
    for (int i = 0; i < 3 * UserProgram::kStableFrames; ++i) user.Frame();
    EXPECT_EQ(user.WatchLoads(), 1);  // unchanged since: not loaded again

    // A rewrite that cannot be loaded is reported and the running program goes on.
    Write("p.bin", std::string(0x8001, '\x33'));
    testing::internal::CaptureStderr();
    for (int i = 0; i <= UserProgram::kStableFrames; ++i) user.Frame();
    const std::string why = path + ": 32769 bytes at 8000h run past the end of memory at FFFFh: address 10000h does not fit (room for 32768)";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "plover: " + why + "\n");
    EXPECT_EQ(BoardMemory[0x8000], 0x22);
    Write("p.bin", "\x44");
    for (int i = 0; i <= UserProgram::kStableFrames; ++i) user.Frame();
    EXPECT_EQ(BoardMemory[0x8000], 0x44);
    EXPECT_EQ(reports, (std::vector<std::string>{why, ""}));  // shown, then taken back
}

}  // namespace
}  // namespace plover
