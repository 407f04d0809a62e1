// Interrupt entries, the EI delay, HALT exit and the two resets.
#include <gtest/gtest.h>

#include <set>

#include "core_test_support.h"

namespace kestrel::test {
namespace {

using namespace kestrel::flag;

class KestrelZ80Interrupts : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        cpu().SP = 0x1F00;
    }
    uint16_t StackWord(uint16_t at) const { return static_cast<uint16_t>(Peek(at) | Peek(at + 1) << 8); }
};

TEST_F(KestrelZ80Interrupts, RefusedWhileDisabledAndNotRemembered) {
    Program(0x1800, {0x00, 0x00});
    cpu().IFF = 0;
    cpu().IM = 1;
    EXPECT_FALSE(AcceptInterrupt(*m));
    EXPECT_EQ(cpu().PC, 0x1800);
    EXPECT_EQ(cpu().SP, 0x1F00);
    Step();
    cpu().IFF = PV;
    Step();
    EXPECT_EQ(cpu().PC, 0x1802);               // nothing was pending
}

TEST_F(KestrelZ80Interrupts, EiDelaysAcceptanceByOneInstruction) {
    Program(0x1800, {0xFB,                     // EI
                     0x00,                     // NOP
                     0x00});
    cpu().IM = 1;
    Step();
    EXPECT_TRUE(cpu().EiPending);
    EXPECT_EQ(cpu().IFF, PV);
    EXPECT_FALSE(AcceptInterrupt(*m));
    EXPECT_EQ(cpu().PC, 0x1801);
    Step();
    EXPECT_FALSE(cpu().EiPending);
    EXPECT_TRUE(AcceptInterrupt(*m));
    EXPECT_EQ(cpu().PC, 0x0038);
    EXPECT_EQ(StackWord(0x1EFE), 0x1802);
}

TEST_F(KestrelZ80Interrupts, ModeOneWhileHalted) {
    Program(0x1834, {0x76});                   // HALT
    cpu().IFF = PV;
    cpu().IM = 1;
    cpu().MEMPTR = 0x4321;
    cpu().R = 0x10;
    Step();
    cpu().TStates = 100;
    EXPECT_TRUE(AcceptInterrupt(*m));
    EXPECT_FALSE(cpu().Halted);
    EXPECT_EQ(cpu().PC, 0x0038);
    EXPECT_EQ(StackWord(0x1EFE), 0x1835);      // the instruction after the HALT
    EXPECT_EQ(cpu().SP, 0x1EFE);
    EXPECT_EQ(cpu().IFF, PV);                  // stays enabled
    EXPECT_EQ(cpu().TStates, 100);             // no T-states charged
    EXPECT_EQ(cpu().MEMPTR, 0x4321);
    EXPECT_EQ(cpu().R, 0x11);
    // A second request inside the handler is accepted again.
    EXPECT_TRUE(AcceptInterrupt(*m));
    EXPECT_EQ(StackWord(0x1EFC), 0x0038);
}

TEST_F(KestrelZ80Interrupts, ModeTwoReadsTheVectorAtIAndFF) {
    Poke(0x20FF, {0x34});
    Poke(0x2100, {0x12});
    Program(0x1800, {0x00});
    cpu().IFF = PV;
    cpu().IM = 2;
    cpu().I = 0x20;
    EXPECT_TRUE(AcceptInterrupt(*m));
    EXPECT_EQ(cpu().PC, 0x1234);
    EXPECT_EQ(StackWord(0x1EFE), 0x1800);
}

TEST_F(KestrelZ80Interrupts, ModeZeroEntersAt38) {
    Program(0x1900, {0x00});
    cpu().IFF = PV;
    cpu().IM = 0;
    EXPECT_TRUE(AcceptInterrupt(*m));
    EXPECT_EQ(cpu().PC, 0x0038);
}

TEST_F(KestrelZ80Interrupts, NmiLeavesHaltAndBlanksTheDigits) {
    Program(0x1840, {0x76});
    for (auto& d : m->DigitSegments) d = 0x7F;
    cpu().IFF = 0;
    cpu().IM = 2;
    Step();
    cpu().TStates = 7;
    EnterNmi(*m);
    EXPECT_FALSE(cpu().Halted);
    EXPECT_EQ(cpu().PC, 0x0066);
    EXPECT_EQ(StackWord(0x1EFE), 0x1841);
    for (auto d : m->DigitSegments) EXPECT_EQ(d, 0);
    EXPECT_EQ(cpu().IFF, 0);
    EXPECT_EQ(cpu().IM, 2);
    EXPECT_EQ(cpu().TStates, 7);
    // Not halted: the return address is PC itself.
    Program(0x1850, {0x00});
    EnterNmi(*m);
    EXPECT_EQ(StackWord(0x1EFC), 0x1850);
}

TEST_F(KestrelZ80Interrupts, EntriesPushThroughTheWriteEnableMap) {
    Program(0x1800, {0x00});
    cpu().SP = 0x0100;                         // stack in ROM
    cpu().IFF = PV;
    cpu().IM = 1;
    EXPECT_TRUE(AcceptInterrupt(*m));
    EXPECT_EQ(cpu().SP, 0x00FE);
    EXPECT_EQ(Peek(0x00FE), 0xFF);
    EXPECT_EQ(Peek(0x00FF), 0xFF);
}

class KestrelZ80Reset : public CoreTest {};

TEST_F(KestrelZ80Reset, ResetCpuZeroesEveryRegister) {
    Z80State& s = cpu();
    s.A = s.F = s.B = s.C = s.D = s.E = s.H = s.L = 0x11;
    s.AltA = s.AltF = s.AltB = s.AltC = s.AltD = s.AltE = s.AltH = s.AltL = 0x22;
    s.IX = s.IY = s.SP = s.PC = s.MEMPTR = 0x3333;
    s.I = s.R = 0x44;
    s.RBit7 = 0x80;
    s.IFF = PV;
    s.IM = 2;
    s.Halted = true;
    s.TStates = 999;
    ResetCpu(*m);
    EXPECT_EQ(s.A | s.F | s.B | s.C | s.D | s.E | s.H | s.L, 0);
    EXPECT_EQ(s.AltA | s.AltF | s.AltB | s.AltC | s.AltD | s.AltE | s.AltH | s.AltL, 0);
    EXPECT_EQ(s.IX | s.IY | s.SP | s.PC | s.MEMPTR, 0);
    EXPECT_EQ(s.I | s.R | s.RBit7 | s.IFF | s.IM, 0);
    EXPECT_FALSE(s.Halted);
    EXPECT_EQ(s.TStates, 0);
}

TEST_F(KestrelZ80Reset, SoftResetKeepsRamAndKeypad) {
    Poke(0x1800, {0xA1, 0xA2});
    Poke(0x0000, {0xC3});
    m->PpiControl = 0x82;
    m->PortBLatch = 0x3F;
    m->PortCLatch = 0xFE;
    m->DigitSegments[3] = 0x06;
    m->KeyColumns[2] = 0xFD;
    m->UserKeyPending = true;
    m->StepTStateTotal = 1234;
    cpu().PC = 0x1234;
    ResetBoard(*m, false);
    EXPECT_EQ(cpu().PC, 0);
    EXPECT_EQ(Peek(0x1800), 0xA1);
    EXPECT_EQ(Peek(0x1801), 0xA2);
    EXPECT_EQ(Peek(0x0000), 0xC3);
    EXPECT_EQ(m->PpiControl, 0);
    EXPECT_EQ(m->PortBLatch, 0);
    EXPECT_EQ(m->PortCLatch, 0);
    EXPECT_EQ(m->DigitSegments[3], 0);
    EXPECT_EQ(m->KeyColumns[2], 0xFD);
    EXPECT_TRUE(m->UserKeyPending);
    EXPECT_EQ(m->StepTStateTotal, 0u);
    EXPECT_EQ(refreshes, 1);
}

TEST_F(KestrelZ80Reset, HardResetFillsRamWithNoiseAndMarks1FE5) {
    for (unsigned a = 0x1800; a < 0x2000; ++a) m->MemoryImage[a] = 0x00;
    Poke(0x0FFF, {0x5A});
    m->RandomState = 12345;
    ResetBoard(*m, true);
    EXPECT_EQ(Peek(0x1FE5), 0xFF);
    EXPECT_EQ(Peek(0x0FFF), 0x5A);             // ROM untouched
    EXPECT_EQ(Peek(0x17FF), 0xFF);
    EXPECT_EQ(Peek(0x2000), 0xFF);
    std::set<uint8_t> values;
    unsigned high = 0;
    for (unsigned a = 0x1800; a < 0x2000; ++a) {
        values.insert(Peek(a));
        high += Peek(a) >= 0x80;
    }
    EXPECT_GT(values.size(), 200u);            // 2,048 uniform bytes cover nearly all 256 values
    EXPECT_GT(high, 850u);                     // about half of them in the upper half
    EXPECT_LT(high, 1200u);
    // Two hard resets in a row give different contents.
    uint8_t first[0x800];
    for (unsigned a = 0; a < 0x800; ++a) first[a] = Peek(0x1800 + a);
    ResetBoard(*m, true);
    unsigned same = 0;
    for (unsigned a = 0; a < 0x800; ++a) same += first[a] == Peek(0x1800 + a);
    EXPECT_LT(same, 100u);
    EXPECT_EQ(refreshes, 2);
}

TEST_F(KestrelZ80Reset, ResetLeavesHalt) {
    Program(0x1800, {0x76});
    Step();
    ASSERT_TRUE(cpu().Halted);
    ResetBoard(*m, false);
    EXPECT_FALSE(cpu().Halted);
    EXPECT_EQ(cpu().PC, 0);
}

}  // namespace
}  // namespace kestrel::test
