// ZEXDOC run by the traced step (with its trace lines composed) beside the
// plain step on a second machine, compared after every instruction.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "equivalence.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/trace.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/debug/machine_record.h"

#ifndef KDEBUG_Z80_DIR
#error "KDEBUG_Z80_DIR must name the folder of the Z80 test material"
#endif

namespace kestrel {
namespace {

constexpr uint16_t kBdos = 0x0005;
constexpr uint16_t kBdosBody = 0xFE00;  // RET; also the top of the stack

// CP/M set-up for the exerciser: program at 0x0100, all memory writable,
// CALL 5 reaches a RET at 0xFE00, and the word at 0x0006 gives the stack top.
bool LoadExerciser(MachineRecord& m, const char* name) {
    std::memset(&m.Cpu, 0, sizeof m.Cpu);
    std::memset(m.MemoryImage, 0, sizeof m.MemoryImage);
    std::memset(m.WriteEnableMap, 1, sizeof m.WriteEnableMap);
    std::string path = std::string(KDEBUG_Z80_DIR) + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    size_t n = std::fread(m.MemoryImage + 0x0100, 1, kBdosBody - 0x0100, f);
    std::fclose(f);
    m.MemoryImage[0x0000] = 0x76;  // warm boot: HALT
    m.MemoryImage[kBdos] = 0xC3;   // JP FE00h
    m.MemoryImage[kBdos + 1] = kBdosBody & 0xFF;
    m.MemoryImage[kBdos + 2] = kBdosBody >> 8;
    m.MemoryImage[kBdosBody] = 0xC9;  // RET
    m.Cpu.PC = 0x0100;
    m.Cpu.SP = kBdosBody;
    return n > 0;
}

// BDOS console output (functions 2 and 9) into text.
void Bdos(const MachineRecord& m, std::string& text) {
    const Z80State& s = m.Cpu;
    if (s.C == 2) {
        text += static_cast<char>(s.E);
    } else if (s.C == 9) {
        uint16_t a = static_cast<uint16_t>(s.D << 8 | s.E);
        for (int n = 0; n < 65536 && m.MemoryImage[a] != '$'; ++n, ++a)
            text += static_cast<char>(m.MemoryImage[a]);
    }
}

// Runs count instructions on both machines; returns the first difference or "".
std::string RunLockstep(uint64_t count, std::string& console, uint64_t& ran) {
    FillMnemonicTables();
    auto plain = std::make_unique<MachineRecord>();
    auto traced = std::make_unique<MachineRecord>();
    if (!LoadExerciser(*plain, "zexdoc.com")) return "zexdoc.com not found";
    *traced = *plain;
    traced->NumberBase = 1;
    char line[kTraceLineLength];
    uint32_t fill = 0;
    for (ran = 0; ran < count; ++ran) {
        if (plain->Cpu.PC == kBdos) Bdos(*plain, console);
        if (plain->Cpu.PC == 0x0000) break;
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
    std::string console;
    uint64_t ran = 0;
    EXPECT_EQ(RunLockstep(200000, console, ran), "");
    EXPECT_EQ(ran, 200000u);
    EXPECT_NE(console.find("Z80 instruction exerciser"), std::string::npos) << console;
}

TEST(LockstepSlow, ZexdocFirstTenMillion) {
    std::string console;
    uint64_t ran = 0;
    EXPECT_EQ(RunLockstep(10000000, console, ran), "");
    EXPECT_EQ(ran, 10000000u);
    EXPECT_NE(console.find("Z80 instruction exerciser"), std::string::npos) << console;
}

}  // namespace
}  // namespace kestrel
