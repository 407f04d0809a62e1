// The PPI model: keypad reads, USER KEY, digit latch, port C edge, control
// word and the empty port blocks, through PortAccess and through IN/OUT.
#include <gtest/gtest.h>

#include <memory>

#include "kestrel/board/ppi.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

class KestrelBoardPpi : public ::testing::Test {
protected:
    void SetUp() override {
        m = std::make_unique<Machine>();
        InitMachine(*m);
        ResetBoard(*m, false);
        m->RefreshDisplay = [](void* c) { ++*static_cast<int*>(c); };
        m->RefreshContext = &refreshes;
    }
    uint8_t In(uint8_t port) {
        PortAccess(*m, 1, 0, port, 0x00);
        return m->IoData;
    }
    void Out(uint8_t port, uint8_t value) {
        m->IoData = value;
        PortAccess(*m, 0, 1, port, 0x00);
    }
    std::unique_ptr<Machine> m;
    int refreshes = 0;
};

TEST_F(KestrelBoardPpi, KeyClickIsSeenByOneReadOfItsColumn) {
    m->PortCLatch = 0xFE;                      // column 0 selected (active low)
    m->KeyColumns[0] = 0xF7;
    EXPECT_EQ(In(0x00), 0xF7);
    EXPECT_EQ(m->KeyColumns[0], 0xFF);
    EXPECT_EQ(In(0x00), 0xFF);
    // Column 5 through a mirror of port A (0x3C AND 3 = 0).
    m->PortCLatch = 0xDF;
    m->KeyColumns[5] = 0xEF;
    EXPECT_EQ(In(0x3C), 0xEF);
    EXPECT_EQ(m->KeyColumns[5], 0xFF);
}

TEST_F(KestrelBoardPpi, ClicksBeforeAReadWaitTheirTurnInOrder) {
    // Two clicks in column 1, then one in column 0, before any read.
    ASSERT_TRUE(ClickKey(*m, 1, 0xFE));
    ASSERT_TRUE(ClickKey(*m, 1, 0xFB));
    ASSERT_TRUE(ClickKey(*m, 0, 0xF7));
    m->PortCLatch = 0xFE;                      // column 0: its click waits its turn
    EXPECT_EQ(In(0x00), 0xFF);
    m->PortCLatch = 0xFD;                      // column 1
    EXPECT_EQ(In(0x00), 0xFE);
    EXPECT_EQ(In(0x00), 0xFB);
    EXPECT_EQ(In(0x00), 0xFF);
    m->PortCLatch = 0xFE;
    EXPECT_EQ(In(0x00), 0xF7);
    EXPECT_EQ(m->KeyQueueCount, 0);
    // A full queue refuses the click and keeps the ones it holds.
    for (int i = 0; i <= Machine::kKeyQueueSize; ++i) ASSERT_TRUE(ClickKey(*m, 2, 0xFE));
    EXPECT_FALSE(ClickKey(*m, 2, 0xFD));
    m->PortCLatch = 0xFB;
    for (int i = 0; i <= Machine::kKeyQueueSize; ++i) ASSERT_EQ(In(0x00), 0xFE) << i;
    EXPECT_EQ(In(0x00), 0xFF);
}

TEST_F(KestrelBoardPpi, NoOrSeveralColumnsReadAsNoKey) {
    for (uint8_t latch : {uint8_t{0xFF}, uint8_t{0xFC}, uint8_t{0xC0}}) {
        m->PortCLatch = latch;
        for (auto& k : m->KeyColumns) k = 0xFE;
        m->UserKeyPending = true;
        EXPECT_EQ(In(0x00), 0xFF) << int(latch);
        for (auto k : m->KeyColumns) EXPECT_EQ(k, 0xFE);
        EXPECT_TRUE(m->UserKeyPending);
    }
}

TEST_F(KestrelBoardPpi, UserKeyClearsBit6OnceWithAValidColumn) {
    m->UserKeyPending = true;
    m->PortCLatch = 0xFB;                      // column 2
    m->KeyColumns[2] = 0xFD;
    EXPECT_EQ(In(0x00), 0xBD);
    EXPECT_FALSE(m->UserKeyPending);
    EXPECT_EQ(In(0x00), 0xFF);
}

TEST_F(KestrelBoardPpi, PortBLatchesIntoSelectedDigitsAndRedraws) {
    m->PortCLatch = 0x21;                      // digits 0 and 5
    Out(0x01, 0x3F);
    EXPECT_EQ(m->PortBLatch, 0x3F);
    EXPECT_EQ(m->DigitSegments[0], 0x3F);
    EXPECT_EQ(m->DigitSegments[5], 0x3F);
    EXPECT_EQ(m->DigitSegments[1], 0x00);
    EXPECT_EQ(refreshes, 1);
    m->PortCLatch = 0x00;                      // no digit: still a redraw
    Out(0x3D, 0x06);                           // 0x3D AND 3 = 1: port B
    EXPECT_EQ(m->PortBLatch, 0x06);
    EXPECT_EQ(m->DigitSegments[0], 0x3F);
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(In(0x01), 0x06);                 // port B reads its latch
}

TEST_F(KestrelBoardPpi, MonitorWriteEndingAt063CIsIgnored) {
    m->PortCLatch = 0x3F;
    m->Cpu.PC = 0x063C;
    Out(0x01, 0x77);
    EXPECT_EQ(m->PortBLatch, 0x00);
    for (auto d : m->DigitSegments) EXPECT_EQ(d, 0);
    EXPECT_EQ(refreshes, 0);
    m->Cpu.PC = 0x063D;
    Out(0x01, 0x77);
    EXPECT_EQ(m->DigitSegments[4], 0x77);
}

TEST_F(KestrelBoardPpi, PortCRedrawsOnlyOnAFallingBit7) {
    m->PortCLatch = 0xFF;
    Out(0x02, 0x7F);
    EXPECT_EQ(m->PortCLatch, 0x7F);
    EXPECT_EQ(refreshes, 1);
    Out(0x02, 0xFF);                           // rising: nothing
    EXPECT_EQ(refreshes, 1);
    Out(0x02, 0xC0);                           // bits 0-5 only
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(In(0x02), 0xC0);
}

TEST_F(KestrelBoardPpi, ControlWordModeSetAndBitSetReset) {
    Out(0x03, 0x90);                           // mode set
    EXPECT_EQ(m->PpiControl, 0x90);
    EXPECT_EQ(In(0x03), 0x90);
    m->PortCLatch = 0x00;
    Out(0x03, 0x0F);                           // set bit 7 of port C
    EXPECT_EQ(m->PortCLatch, 0x80);
    Out(0x03, 0x0E);                           // clear it: no redraw
    EXPECT_EQ(m->PortCLatch, 0x00);
    Out(0x03, 0x05);                           // set bit 2
    EXPECT_EQ(m->PortCLatch, 0x04);
    EXPECT_EQ(m->PpiControl, 0x90);
    EXPECT_EQ(refreshes, 0);
}

TEST_F(KestrelBoardPpi, EmptyBlocksIgnoreWritesAndLeaveIoData) {
    m->PortCLatch = 0x3F;
    for (uint8_t port : {uint8_t{0x41}, uint8_t{0x81}, uint8_t{0xC1}, uint8_t{0xFF}}) {
        Out(port, 0x55);
        EXPECT_EQ(m->PortBLatch, 0x00) << int(port);
        m->IoData = 0xA7;
        EXPECT_EQ(In(port), 0xA7) << int(port);
    }
    EXPECT_EQ(refreshes, 0);
    Out(0x00, 0x12);                           // port A ignores writes
    EXPECT_EQ(m->PortBLatch, 0x00);
    EXPECT_EQ(refreshes, 0);
}

TEST_F(KestrelBoardPpi, ThroughTheProcessor) {
    // OUT (0x01),A with A = 0x5A, then IN A,(0x80) returns 0x5A.
    const uint8_t program[] = {0x3E, 0x5A,     // LD A,0x5A
                               0xD3, 0x01,     // OUT (1),A
                               0x3E, 0x00,     // LD A,0
                               0xDB, 0x80,     // IN A,(0x80)
                               0x3E, 0xFD,     // LD A,0xFD
                               0xD3, 0x02,     // OUT (2),A   select column 1
                               0x01, 0x00, 0x00,  // LD BC,0x0000
                               0xED, 0x78};    // IN A,(C)    port A
    for (unsigned i = 0; i < sizeof program; ++i) m->MemoryImage[0x1800 + i] = program[i];
    m->Cpu.PC = 0x1800;
    for (int i = 0; i < 4; ++i) ExecuteInstruction(*m);
    EXPECT_EQ(m->Cpu.A, 0x5A);
    m->KeyColumns[1] = 0xEF;
    for (int i = 0; i < 4; ++i) ExecuteInstruction(*m);
    EXPECT_EQ(m->Cpu.A, 0xEF);
    EXPECT_EQ(m->KeyColumns[1], 0xFF);
}

TEST_F(KestrelBoardPpi, TheMonitorsOutAt063AIsIgnoredThroughTheProcessor) {
    m->MemoryImage[0x063A] = 0xD3;             // OUT (1),A   ends at 0x063C
    m->MemoryImage[0x063B] = 0x01;
    m->MemoryImage[0x063C] = 0xD3;             // OUT (1),A   the next one latches
    m->MemoryImage[0x063D] = 0x01;
    m->PortCLatch = 0x01;
    m->Cpu.PC = 0x063A;
    m->Cpu.A = 0x6D;
    ExecuteInstruction(*m);
    EXPECT_EQ(m->PortBLatch, 0x00);
    EXPECT_EQ(m->DigitSegments[0], 0x00);
    EXPECT_EQ(refreshes, 0);
    EXPECT_EQ(m->IoData, 0x6D);                // the byte still passed through IoData
    ExecuteInstruction(*m);
    EXPECT_EQ(m->DigitSegments[0], 0x6D);
    EXPECT_EQ(refreshes, 1);
}

}  // namespace
}  // namespace kestrel
