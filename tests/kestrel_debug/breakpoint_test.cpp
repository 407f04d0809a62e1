// The single breakpoint: each kind hits exactly when it should, and once.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>

#include "kestrel/debug/breakpoint.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {
namespace {

class BreakpointTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<MachineRecord>();
        InitMachine(*m);
        std::memset(m->MemoryImage, 0, sizeof m->MemoryImage);
        ResetCpu(*m);
        m->Cpu.PC = 0x1800;
        m->Cpu.SP = 0x1FF0;
    }
    void Put(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) m->MemoryImage[address++] = b;
    }
    // One pass of the run loop as far as the breakpoint goes: execute, then
    // test while armed. Returns whether it hit.
    bool Pass() {
        ExecuteInstruction(*m);
        return m->BreakArmed && TestBreakpoint(*m);
    }
    std::unique_ptr<MachineRecord> m;
};

TEST_F(BreakpointTest, FlagZHitsWhenZIsCleared) {
    Put(0x1800, {0x3E, 0x00,    // LD A,00h   F unchanged
                 0xB7,          // OR A       Z stays set
                 0x3C,          // INC A      Z cleared: hit
                 0x3D,          // DEC A      Z set again
                 0x3C});        // INC A
    m->Cpu.F = flag::Z;
    ArmFlagBreak(*m, 1);
    EXPECT_EQ(m->BreakKind, 1);
    EXPECT_EQ(m->BreakFlagMask, 0x40);
    EXPECT_EQ(m->BreakValue, 0x40);
    EXPECT_EQ(m->BreakArmed, 1);
    EXPECT_FALSE(Pass());
    EXPECT_FALSE(Pass());
    EXPECT_TRUE(Pass());
    EXPECT_EQ(m->Cpu.PC, 0x1804);
    EXPECT_EQ(m->BreakArmed, 0);
    // Never twice: the later change back and forth does not hit.
    EXPECT_FALSE(Pass());
    EXPECT_FALSE(Pass());
}

TEST_F(BreakpointTest, FlagMasksOfEveryChoice) {
    const uint16_t masks[9] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0xFF};
    for (uint8_t code = 0; code <= 8; ++code) {
        m->Cpu.F = 0xA5;
        ArmFlagBreak(*m, code);
        EXPECT_EQ(m->BreakFlagMask, masks[code]);
        EXPECT_EQ(m->BreakValue, 0xA5 & masks[code]);
        EXPECT_FALSE(TestBreakpoint(*m));
        m->Cpu.F = static_cast<uint8_t>(0xA5 ^ masks[code]);
        EXPECT_TRUE(TestBreakpoint(*m)) << int(code);
    }
    // Other codes arm nothing.
    m->BreakArmed = 0;
    ArmFlagBreak(*m, 9);
    EXPECT_EQ(m->BreakArmed, 0);
}

TEST_F(BreakpointTest, AnyFlagSeesBitsFiveAndThree) {
    m->Cpu.F = 0x00;
    ArmFlagBreak(*m, kBreakFlagAny);
    m->Cpu.F = 0x08;
    EXPECT_TRUE(TestBreakpoint(*m));
    m->Cpu.F = 0x00;
    ArmFlagBreak(*m, kBreakFlagAny);
    m->Cpu.F = 0x20;
    EXPECT_TRUE(TestBreakpoint(*m));
    // A single flag does not see the others.
    m->Cpu.F = 0x00;
    ArmFlagBreak(*m, 7);
    m->Cpu.F = 0xFE;
    EXPECT_FALSE(TestBreakpoint(*m));
}

TEST_F(BreakpointTest, ProgramCounterSetStopsBeforeTheAddress) {
    Put(0x1000, {0x00, 0xC3, 0x00, 0x18});  // NOP; JP 1800h
    Put(0x1800, {0x3E, 0x77});               // LD A,77h (must not run)
    m->Cpu.PC = 0x1000;
    m->BreakKind = 34;  // PC
    m->BreakValue = 6144;
    m->BreakOnChange = 0;
    m->BreakArmed = 1;
    EXPECT_FALSE(Pass());
    EXPECT_TRUE(Pass());
    EXPECT_EQ(m->Cpu.PC, 0x1800);
    EXPECT_EQ(m->Cpu.A, 0x00);
    EXPECT_EQ(m->BreakArmed, 0);
}

TEST_F(BreakpointTest, RegisterChangeIgnoresUnchangedWrites) {
    Put(0x1800, {0x06, 0x03,    // LD B,03h
                 0x3E, 0x05,    // LD A,05h   same value: no hit
                 0x3C,          // INC A      hit
                 0x3C});
    m->Cpu.A = 5;
    m->BreakKind = 19;  // A
    m->BreakValue = BreakRegisterValue(*m, 19);
    m->BreakOnChange = 1;
    m->BreakArmed = 1;
    EXPECT_FALSE(Pass());
    EXPECT_FALSE(Pass());
    EXPECT_TRUE(Pass());
    EXPECT_EQ(m->Cpu.A, 6);
    EXPECT_EQ(m->BreakArmed, 0);
    EXPECT_EQ(m->BreakOnChange, 0);
    EXPECT_FALSE(Pass());
}

TEST_F(BreakpointTest, OpcodeStopsBeforeTheHalt) {
    Put(0x1800, {0x00, 0x00, 0x76});
    m->BreakKind = kBreakOpcode;
    m->BreakOpcode = 118;
    m->BreakArmed = 1;
    EXPECT_FALSE(Pass());
    EXPECT_TRUE(Pass());
    EXPECT_EQ(m->Cpu.PC, 0x1802);
    EXPECT_FALSE(m->Cpu.Halted);
    // Opcode 0 (NOP): the next byte at PC is tested, prefixes included.
    Put(0x1900, {0xDD, 0x00, 0x00});
    m->Cpu.PC = 0x1900;
    m->BreakOpcode = 0xDD;
    m->BreakArmed = 1;
    EXPECT_TRUE(TestBreakpoint(*m));
}

TEST_F(BreakpointTest, EveryRegisterCodeWatchesItsRegister) {
    Z80State& s = m->Cpu;
    s.A = 0x11; s.F = 0x22; s.B = 0x33; s.C = 0x44; s.D = 0x55; s.E = 0x66;
    s.H = 0x77; s.L = 0x88; s.I = 0x99; s.R = 0xAA;
    s.IX = 0xBBCC; s.IY = 0xDDEE; s.PC = 0x1234; s.SP = 0x5678;
    const uint16_t expected[17] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA,
                                   0x3344, 0x5566, 0x7788, 0xBBCC, 0xDDEE, 0x1234, 0x5678};
    for (uint8_t code = 19; code <= 35; ++code) {
        EXPECT_EQ(BreakRegisterValue(*m, code), expected[code - 19]) << int(code);
        m->BreakKind = code;
        m->BreakValue = expected[code - 19];
        m->BreakOnChange = 0;
        m->BreakArmed = 1;
        EXPECT_TRUE(TestBreakpoint(*m)) << int(code);
        m->BreakValue = static_cast<uint16_t>(expected[code - 19] + 1);
        m->BreakArmed = 1;
        EXPECT_FALSE(TestBreakpoint(*m)) << int(code);
    }
}

TEST_F(BreakpointTest, UnknownKindsNeverHit) {
    for (int code : {9, 10, 17, 36, 100, 255}) {
        m->BreakKind = static_cast<uint8_t>(code);
        m->BreakValue = 0;
        m->BreakFlagMask = 0;
        m->BreakOnChange = 1;
        m->BreakArmed = 1;
        EXPECT_FALSE(TestBreakpoint(*m)) << code;
        EXPECT_EQ(m->BreakArmed, 1);
    }
}

TEST_F(BreakpointTest, RegisterNamesForTitles) {
    EXPECT_EQ(BreakRegisterName(19), "A ");
    EXPECT_EQ(BreakRegisterName(20), "F ");
    EXPECT_EQ(BreakRegisterName(28), "R ");
    EXPECT_EQ(BreakRegisterName(29), "BC");
    EXPECT_EQ(BreakRegisterName(32), "IX");
    EXPECT_EQ(BreakRegisterName(34), "PC");
    EXPECT_EQ(BreakRegisterName(35), "SP");
    EXPECT_EQ(BreakRegisterName(18), "");
    EXPECT_EQ(BreakRegisterName(36), "");
}

}  // namespace
}  // namespace kestrel
