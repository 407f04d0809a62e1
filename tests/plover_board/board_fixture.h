#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "plover/board/board.h"
#include "plover/video/screen.h"
#include "plover/z80/cpu.h"
#include "tests/plover_support/simulated_host.h"

namespace plover {

// A fresh board: latches 0, black screen, empty memory, simulated host keys.
class BoardFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ActiveHost = &host;
        ConnectBoard();
        Screen.Reset();
        Screen.TakeChanges();
        std::memset(BoardMemory, 0, sizeof BoardMemory);
        RomLimit = 0x4000;
        ResetProcessor();
        DigitSelect = 0;
        SegmentLatch = 0;
        RefreshCount = 0;
        VioCharset.fill(0);
        VioCharsetLength = 0;
        LoadSegmentPictures();
    }
    void TearDown() override { ActiveHost = nullptr; }

    // Only column (or digit) n selected, through the three OUT ports.
    static void SelectOnly(int n) {
        const uint32_t mask = ~(1u << (n - 1)) & 0xFFFFFF;
        WritePort(0x80, mask & 0xFF);
        WritePort(0x81, (mask >> 8) & 0xFF);
        WritePort(0x82, (mask >> 16) & 0xFF);
    }

    SimulatedHost host;
};

}  // namespace plover
