// ZEXDOC run by the traced step (with its trace lines composed) beside the
// plain step on a second machine, compared after every instruction.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "equivalence.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/trace.h"
#include "kestrel/z80/cpu.h"
#include "tests/support/cpm_runner.h"
#include "tests/support/kestrel_cpm.h"
#include "tests/support/test_material.h"

namespace kestrel {
namespace {

// Runs count instructions on both machines; returns the first difference or "".
std::string RunLockstep(const std::string& zexdoc, uint64_t count, std::string& console, uint64_t& ran) {
    FillMnemonicTables();
    auto plain = std::make_unique<MachineRecord>();
    auto traced = std::make_unique<MachineRecord>();
    z80test::KestrelCpm cpm(*plain);
    std::vector<uint8_t> image;
    std::string error;
    if (!z80test::cpm::ReadProgram(zexdoc, image, error) || !z80test::cpm::Load(cpm, image, error)) return error;
    *traced = *plain;
    traced->NumberBase = 1;
    const auto put = [&console](char c) { console += c; };
    char line[kTraceLineLength];
    uint32_t fill = 0;
    for (ran = 0; ran < count; ++ran) {
        if (plain->Cpu.PC == z80test::cpm::kWarmBoot) break;
        if (plain->Cpu.PC == z80test::cpm::kBdos) z80test::cpm::ServeBdos(cpm, put);
        ExecuteInstruction(*plain);
        TracedStep(*traced);
        // Compose the line into the buffer as the run loop does (never written).
        int length = ComposeTraceLine(*traced, line);
        if (fill + length > 64000) fill = 0;
        std::memcpy(traced->ListingBuffer + fill, line, static_cast<size_t>(length));
        fill += static_cast<uint32_t>(length);
        std::string difference = testing::CompareMachines(*plain, *traced);
        if (!difference.empty()) {
            return "after instruction " + std::to_string(ran + 1) + " (" + traced->AddressText +
                   traced->ByteText + " " + traced->InstructionText + "): " + difference;
        }
    }
    return "";
}

TEST(Lockstep, ZexdocFirstTwoHundredThousand) {
    Z80_TEST_MATERIAL(zexdoc, "zexdoc.com");
    std::string console;
    uint64_t ran = 0;
    EXPECT_EQ(RunLockstep(zexdoc, 200000, console, ran), "");
    EXPECT_EQ(ran, 200000u);
    EXPECT_NE(console.find("Z80 instruction exerciser"), std::string::npos) << console;
}

TEST(LockstepSlow, ZexdocFirstTenMillion) {
    Z80_TEST_MATERIAL(zexdoc, "zexdoc.com");
    std::string console;
    uint64_t ran = 0;
    EXPECT_EQ(RunLockstep(zexdoc, 10000000, console, ran), "");
    EXPECT_EQ(ran, 10000000u);
    EXPECT_NE(console.find("Z80 instruction exerciser"), std::string::npos) << console;
}

}  // namespace
}  // namespace kestrel
