// The CP/M runner on both cores' adapters: page zero, BDOS console output,
// the stop at 0000h and the instruction budget; and the console watch that
// turns a reported failure into the tools' exit status.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/cpm_runner.h"
#include "tests/support/kestrel_cpm.h"
#include "tests/support/plover_cpm.h"

namespace z80test::cpm {
namespace {

struct KestrelRig {
    std::unique_ptr<kestrel::Processor> m = std::make_unique<kestrel::Processor>();
    KestrelCpm core{*m};
};

struct PloverRig {
    PloverCpm core;
    uint32_t savedLimit = plover::RomLimit;
    ~PloverRig() { plover::RomLimit = savedLimit; }
};

// Loads program on a fresh rig of the core and runs it; check sees the memory,
// the result and the console output.
template <class Rig, class Check>
void RunOn(const char* core, const std::vector<uint8_t>& program, uint64_t budget, Check check) {
    SCOPED_TRACE(core);
    Rig rig;
    std::string error;
    ASSERT_TRUE(Load(rig.core, program, error)) << error;
    std::string console;
    const RunResult r = Run(rig.core, [&console](char c) { console += c; }, budget);
    check(rig.core.Memory(), r, console);
}

template <class Check>
void RunOnBothCores(const std::vector<uint8_t>& program, uint64_t budget, Check check) {
    RunOn<KestrelRig>("kestrel", program, budget, check);
    RunOn<PloverRig>("plover", program, budget, check);
}

TEST(CpmRunner, PrintsThroughTheBdosAndStopsAtZero) {
    RunOnBothCores({
        0x0E, 0x09,             // 0100 LD C,9
        0x11, 0x20, 0x01,       // 0102 LD DE,0120h
        0xCD, 0x05, 0x00,       // 0105 CALL 5
        0x0E, 0x02,             // 0108 LD C,2
        0x1E, 0x21,             // 010A LD E,'!'
        0xCD, 0x05, 0x00,       // 010C CALL 5
        0xC3, 0x00, 0x00,       // 010F JP 0
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        'H', 'i', '$',          // 0120
    }, 1000, [](const uint8_t*, const RunResult& r, const std::string& console) {
        EXPECT_TRUE(r.finished);
        EXPECT_EQ(console, "Hi!");
        EXPECT_EQ(r.instructions, 9u);  // with the two RETs at 0005h
        EXPECT_EQ(r.tstates, 7u + 10 + 17 + 10 + 7 + 7 + 17 + 10 + 10);
    });
}

TEST(CpmRunner, GivesTheProgramAllOfMemoryAndTheTopInPageZero) {
    RunOnBothCores({
        0x2A, 0x06, 0x00,       // 0100 LD HL,(0006h)   top of memory
        0x2B,                   // 0103 DEC HL
        0x36, 0x5A,             // 0104 LD (HL),5Ah
        0x3E, 0xA5,             // 0106 LD A,0A5h
        0x32, 0x41, 0x00,       // 0108 LD (0041h),A    page zero is RAM too
        0xC3, 0x00, 0x00,       // 010B JP 0
    }, 100, [](const uint8_t* memory, const RunResult& r, const std::string&) {
        EXPECT_TRUE(r.finished);
        EXPECT_EQ(memory[0x0006] | memory[0x0007] << 8, kTopOfMemory);
        EXPECT_EQ(memory[kTopOfMemory - 1], 0x5A);
        EXPECT_EQ(memory[0x0041], 0xA5);
        EXPECT_EQ(memory[kWarmBoot], 0x76);
        EXPECT_EQ(memory[kBdos], 0xC9);
    });
}

TEST(CpmRunner, StopsAfterTheInstructionBudget) {
    RunOnBothCores({0x18, 0xFE}, 500, [](const uint8_t*, const RunResult& r, const std::string&) {  // JR $
        EXPECT_FALSE(r.finished);
        EXPECT_EQ(r.instructions, 500u);
        EXPECT_EQ(r.tstates, 500u * 12);
    });
}

TEST(CpmLayOut, RefusesEmptyAndOversizedPrograms) {
    std::vector<uint8_t> memory(65536);
    std::string error;
    EXPECT_FALSE(LayOut(memory.data(), {}, error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
    EXPECT_TRUE(LayOut(memory.data(), std::vector<uint8_t>(kTopOfMemory - kTpa, 0x00), error));
    EXPECT_FALSE(LayOut(memory.data(), std::vector<uint8_t>(kTopOfMemory - kTpa + 1, 0x00), error));
    EXPECT_NE(error.find("does not fit"), std::string::npos) << error;
}

TEST(CpmConsoleWatch, NoticesErrorAndFailedAcrossCalls) {
    const auto watch = [](const std::string& text) {
        ConsoleWatch w;
        for (char c : text) w.Put(c);
        return std::string(w.Failure() ? w.Failure() : "");
    };
    EXPECT_EQ(watch("adc,sbc....  OK\r\n"), "");
    EXPECT_EQ(watch("ERRO R, FAILE D"), "");
    EXPECT_EQ(watch("add hl....  ERROR **** crc expected"), "ERROR");
    EXPECT_EQ(watch("3 tests FAILED\r\n"), "FAILED");
}

}  // namespace
}  // namespace z80test::cpm
