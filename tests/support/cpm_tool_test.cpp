// cpm-kestrel and cpm-plover as programs: exit 0 only when the CP/M program
// finished without printing ERROR or FAILED; --max-instructions stops a run
// and the tool says so; a bad command line exits 2.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kTools[] = {CPM_KESTREL, CPM_PLOVER};

struct Outcome {
    int status = -1;
    std::string out, err;
};

class CpmTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "cpm_tool_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(scratch); }

    // A program that prints text through BDOS function 9, then ends with a
    // jump to 0000h, or (endless) loops on the spot instead.
    std::string Program(const std::string& name, const std::string& text, bool endless = false) {
        std::vector<uint8_t> bytes = {
            0x0E, 0x09,                                 // LD C,9
            0x11, 0x10, 0x01,                           // LD DE,0110h
            0xCD, 0x05, 0x00,                           // CALL 5
        };
        const std::vector<uint8_t> end = endless ? std::vector<uint8_t>{0x18, 0xFE}         // JR $
                                                 : std::vector<uint8_t>{0xC3, 0x00, 0x00};  // JP 0
        bytes.insert(bytes.end(), end.begin(), end.end());
        bytes.resize(0x10, 0x00);
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back('$');
        const std::string path = (scratch / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    Outcome Start(const char* tool, const std::string& arguments) {
        const std::string out = (scratch / "out.txt").string(), err = (scratch / "err.txt").string();
        const std::string command = std::string("'") + tool + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = Read(out);
        o.err = Read(err);
        return o;
    }

    static std::string Read(const std::string& path) {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    std::filesystem::path scratch;
};

TEST_F(CpmTool, ExitsZeroOnlyForAFinishedRunWithoutAReportedFailure) {
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        Outcome o = Start(tool, Program("fine.com", "all groups OK"));
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.out.rfind("all groups OK\ninstructions=5 tstates=", 0), 0u) << o.out;
        EXPECT_EQ(o.err, "");

        o = Start(tool, Program("error.com", "add hl,<bc,de>....  ERROR **** crc expected"));
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find("printed ERROR"), std::string::npos) << o.err;

        o = Start(tool, Program("failed.com", "1 test FAILED"));
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find("printed FAILED"), std::string::npos) << o.err;
    }
}

TEST_F(CpmTool, ReportsARunStoppedByTheInstructionLimit) {
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        const std::string loop = Program("loop.com", "running", true);
        Outcome o = Start(tool, "--max-instructions 1000 '" + loop + "'");
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.out.find("running\ninstructions=1000 tstates="), std::string::npos) << o.out;
        EXPECT_NE(o.err.find("instruction limit (1000) was reached"), std::string::npos) << o.err;

        o = Start(tool, "--max-instructions=1000 '" + Program("fine.com", "done") + "'");  // finishes well before it
        EXPECT_EQ(o.status, 0) << o.err;
    }
}

TEST_F(CpmTool, RefusesABadCommandLine) {
    for (const char* tool : kTools) {
        SCOPED_TRACE(tool);
        EXPECT_EQ(Start(tool, "").status, 2);
        EXPECT_EQ(Start(tool, "--max-instructions ten x.com").status, 2);
        EXPECT_EQ(Start(tool, "--max-instructions 0 x.com").status, 2);
        const Outcome o = Start(tool, "--fast x.com");
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("usage: "), std::string::npos) << o.err;
        std::string missing = "'";
        missing.append((scratch / "missing.com").string()).append("'");
        EXPECT_EQ(Start(tool, missing).status, 1);
    }
}

}  // namespace
