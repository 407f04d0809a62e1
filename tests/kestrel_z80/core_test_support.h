// Test fixture for kestrel's core: a MachineRecord (RAM only at
// 0x1800-0x1FFF), programs poked straight into memory, one instruction per
// Step() with that instruction's T-states returned.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "kestrel/debug/machine_record.h"
#include "kestrel/z80/cpu.h"

namespace kestrel::test {

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<MachineRecord>();
        InitMachine(*m);
        ResetCpu(*m);
        m->RefreshDisplay = &CountRefresh;
        m->RefreshContext = &refreshes;
    }

    // Places bytes directly into memory (as a loader would) and sets PC there.
    void Program(uint16_t at, std::initializer_list<uint8_t> bytes) {
        uint16_t a = at;
        for (uint8_t b : bytes) m->MemoryImage[a++] = b;
        m->Cpu.PC = at;
    }
    void Poke(uint16_t at, std::initializer_list<uint8_t> bytes) {
        uint16_t a = at;
        for (uint8_t b : bytes) m->MemoryImage[a++] = b;
    }
    uint8_t Peek(uint16_t a) const { return m->MemoryImage[a]; }

    // Executes one instruction; returns its T-states.
    unsigned Step() {
        m->Cpu.TStates = 0;
        ExecuteInstruction(*m);
        return m->Cpu.TStates;
    }

    static void CountRefresh(void* context) { ++*static_cast<int*>(context); }

    Z80State& cpu() { return m->Cpu; }

    std::unique_ptr<MachineRecord> m;
    int refreshes = 0;
};

}  // namespace kestrel::test
