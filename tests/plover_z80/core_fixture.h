// Shared set-up for plover core tests: clean memory, reset processor, the ROM
// limit at 4000h, and seams that record what the core prints and waits for.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "plover/video/text_grid.h"
#include "plover/z80/cpu.h"

namespace plover_test {

struct TextCall {
    int row, column;
    std::string text;
    uint8_t fore, back;
};

struct Recorder {
    std::vector<TextCall> text;
    int presents = 0;
    int waits = 0;
    // text calls and waits in order, to check that the wait follows the line
    std::vector<std::string> events;
    std::vector<std::pair<uint8_t, uint8_t>> portWrites;
    std::vector<uint8_t> portReads;
    // B at the moment of each port access (block I/O order)
    std::vector<uint8_t> bAtAccess;
};

inline Recorder* g_recorder = nullptr;

// The core's debug output as the shell shows it: on the text grid, a present
// per line, and a wait when asked.
inline void RecordOutput(int row, int column, std::string_view text, bool wait) {
    using namespace plover;
    if (row != 0) LocateText(row, column);
    g_recorder->text.push_back({TextRow, TextColumn, std::string(text), TextForeground, TextBackground});
    g_recorder->events.push_back("text:" + std::string(text));
    PrintTextLine(text);
    ++g_recorder->presents;
    if (!wait) return;
    ++g_recorder->waits;
    g_recorder->events.push_back("wait");
}
// IN answers something that depends on the port, so a wrong port byte shows.
inline uint8_t RecordRead(uint8_t port) {
    g_recorder->portReads.push_back(port);
    g_recorder->bAtAccess.push_back(plover::Z80Registers.B);
    return static_cast<uint8_t>(port ^ 0x5A);
}
inline void RecordWrite(uint8_t port, uint8_t value) {
    g_recorder->portWrites.emplace_back(port, value);
    g_recorder->bAtAccess.push_back(plover::Z80Registers.B);
}

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace plover;
        g_recorder = &rec;
        saved = {ReadPortHook, WritePortHook, DebugOutputHook};
        ReadPortHook = RecordRead;
        WritePortHook = RecordWrite;
        DebugOutputHook = RecordOutput;
        RomLimit = 0x4000;
        std::fill(std::begin(BoardMemory), std::end(BoardMemory), 0);
        LocateText(1, 1);
        ResetProcessor();
    }
    void TearDown() override {
        using namespace plover;
        ReadPortHook = saved.read;
        WritePortHook = saved.write;
        DebugOutputHook = saved.output;
        g_recorder = nullptr;
    }
    // Puts bytes straight into memory (as loading does, ignoring the ROM limit).
    static void Load(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) plover::BoardMemory[address++] = b;
    }
    // One pass of the main loop as far as the core is concerned.
    static int Step() {
        ++plover::Z80Registers.RCounter;
        return plover::ExecuteStep();
    }
    static uint8_t ReadR() {
        return static_cast<uint8_t>((plover::Z80Registers.RTopBit & 0x80) | (plover::Z80Registers.RCounter & 0x7F));
    }

    Recorder rec;
    struct {
        uint8_t (*read)(uint8_t);
        void (*write)(uint8_t, uint8_t);
        void (*output)(int, int, std::string_view, bool);
    } saved{};
};

// Loads A, F, B, C, DE, HL and the alternate pairs from two random words, so
// random-state tests start every register from the same bits.
inline void LoadRandomRegisters(uint64_t a, uint64_t b) {
    using namespace plover;
    Z80RegisterSet& r = Z80Registers;
    r.A = static_cast<uint8_t>(a);
    SetF(static_cast<uint8_t>(a >> 8));
    r.B = static_cast<uint8_t>(a >> 16);
    r.C = static_cast<uint8_t>(a >> 24);
    r.DE = static_cast<uint16_t>(a >> 32);
    r.HL = static_cast<uint16_t>(a >> 48);
    r.AFAlt = static_cast<uint16_t>(b);
    r.BCAlt = static_cast<uint16_t>(b >> 16);
    r.DEAlt = static_cast<uint16_t>(b >> 32);
    r.HLAlt = static_cast<uint16_t>(b >> 48);
}

}  // namespace plover_test
