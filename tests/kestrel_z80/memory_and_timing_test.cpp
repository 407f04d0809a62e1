// Memory primitives, the write-enable map, R, MEMPTR, T-state charges and
// the core's own rules that the exercisers do not reach.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "core_test_support.h"
#include "kestrel/z80/execute_impl.h"

namespace kestrel::test {
namespace {

using namespace kestrel::flag;

class KestrelZ80Memory : public CoreTest {};

TEST_F(KestrelZ80Memory, InitialMapMakesOnlyTheBoardRamWritable) {
    EXPECT_EQ(m->WriteEnableMap[0x17FF], 0);
    EXPECT_NE(m->WriteEnableMap[0x1800], 0);
    EXPECT_NE(m->WriteEnableMap[0x1FFF], 0);
    EXPECT_EQ(m->WriteEnableMap[0x2000], 0);
    EXPECT_EQ(m->WriteEnableMap[0x0000], 0);
    EXPECT_EQ(Peek(0x0000), 0xFF);
    EXPECT_EQ(Peek(0xFFFF), 0xFF);
    EXPECT_EQ(m->KeyColumns[5], 0xFF);
    EXPECT_EQ(m->DigitX[0], 226);
    EXPECT_EQ(m->DigitX[5], 26);
}

TEST_F(KestrelZ80Memory, WriteByteObeysTheMapAndReadsAlwaysSucceed) {
    WriteByte(*m, 0x1800, 0x12);
    WriteByte(*m, 0x17FF, 0x34);
    WriteByte(*m, 0x2000, 0x56);
    EXPECT_EQ(ReadByte(*m, 0x1800), 0x12);
    EXPECT_EQ(ReadByte(*m, 0x17FF), 0xFF);
    EXPECT_EQ(ReadByte(*m, 0x2000), 0xFF);
    Poke(0xFFFF, {0x34});
    Poke(0x0000, {0x12});
    EXPECT_EQ(ReadWord(*m, 0xFFFF), 0x1234);  // the second byte comes from 0x0000
}

TEST_F(KestrelZ80Memory, IncOnRomByteSetsFlagsOfTheValueItMeantToWrite) {
    Poke(0x0100, {0xFF});
    Program(0x1800, {0x34});                   // INC (HL)
    cpu().H = 0x01;
    cpu().L = 0x00;
    cpu().F = C;
    EXPECT_EQ(Step(), 11u);
    EXPECT_EQ(Peek(0x0100), 0xFF);
    EXPECT_EQ(cpu().F, Z | H | C);             // 0xFF + 1 = 0x00: Z, H; C kept
}

TEST_F(KestrelZ80Memory, RefusedWritesKeepFlagsAndTStates) {
    // The same LD (nn),A / DEC (HL) sequence on RAM and on ROM.
    for (uint16_t target : {uint16_t{0x1900}, uint16_t{0x0900}}) {
        SCOPED_TRACE(target);
        Poke(target, {0x01});
        Program(0x1800, {0x32, static_cast<uint8_t>(target), static_cast<uint8_t>(target >> 8),  // LD (nn),A
                         0x35});                                                                   // DEC (HL)
        cpu().A = 0x80;
        cpu().F = 0;
        SetHL(cpu(), target);
        EXPECT_EQ(Step(), 13u);
        EXPECT_EQ(cpu().MEMPTR, ((0x80 << 8) | ((target + 1) & 0xFF)));
        EXPECT_EQ(Step(), 11u);
        if (target == 0x1900) {
            EXPECT_EQ(Peek(target), 0x7F);     // 0x80 stored, then decremented
            EXPECT_EQ(cpu().F, H | PV | N | F5 | F3);
        } else {
            EXPECT_EQ(Peek(target), 0x01);     // ROM unchanged
            EXPECT_EQ(cpu().F, Z | N);         // DEC of the stored 0x01
        }
    }
}

TEST_F(KestrelZ80Memory, PushIntoRomMovesSpAndPopReturnsTheRomBytes) {
    Poke(0x0FFE, {0xAA, 0xBB});
    Program(0x1800, {0xC5,                     // PUSH BC
                     0xD1});                   // POP DE
    SetBC(cpu(), 0x1234);
    cpu().SP = 0x1000;
    EXPECT_EQ(Step(), 11u);
    EXPECT_EQ(cpu().SP, 0x0FFE);
    EXPECT_EQ(Step(), 10u);
    EXPECT_EQ(GetDE(cpu()), 0xBBAA);
    EXPECT_EQ(cpu().SP, 0x1000);
}

TEST_F(KestrelZ80Memory, StackAndProgramCounterWrap) {
    Poke(0xFFFF, {0x34});
    Poke(0x0000, {0x12});
    Program(0x1800, {0xE1});                   // POP HL
    cpu().SP = 0xFFFF;
    Step();
    EXPECT_EQ(GetHL(cpu()), 0x1234);
    EXPECT_EQ(cpu().SP, 0x0001);

    m->WriteEnableMap[0xFFFF] = m->WriteEnableMap[0xFFFE] = 1;
    Program(0x1800, {0xE5});                   // PUSH HL
    cpu().SP = 0x0000;
    Step();
    EXPECT_EQ(Peek(0xFFFF), 0x12);
    EXPECT_EQ(Peek(0xFFFE), 0x34);
    EXPECT_EQ(cpu().SP, 0xFFFE);

    Program(0xFFFF, {0x00});                   // NOP at the top of memory
    Step();
    EXPECT_EQ(cpu().PC, 0x0000);
}

TEST_F(KestrelZ80Memory, ParityCountsSetBits) {
    Program(0x1800, {0xAF,                     // XOR A        -> 0x00 even
                     0xF6, 0x01,               // OR 1         -> 0x01 odd
                     0xF6, 0x02});             // OR 2         -> 0x03 even
    Step();
    EXPECT_EQ(cpu().F, Z | PV);
    Step();
    EXPECT_EQ(cpu().F, 0);
    Step();
    EXPECT_EQ(cpu().F, PV);
}

class KestrelZ80Refresh : public CoreTest {};

TEST_F(KestrelZ80Refresh, RBit7SurvivesCountingAndLdARReplacesBit7) {
    Program(0x1800, {0xED, 0x4F,               // LD R,A
                     0x00, 0x00, 0x00,         // NOP x3
                     0xED, 0x5F});             // LD A,R
    cpu().A = 0x80;
    EXPECT_EQ(Step(), 9u);
    EXPECT_EQ(cpu().RBit7, 0x80);
    for (int i = 0; i < 3; ++i) Step();
    EXPECT_EQ(Step(), 9u);
    EXPECT_EQ(cpu().A, 0x85);                  // 0x80 + 3 NOPs + 2 fetches of LD A,R

    Program(0x1800, {0xED, 0x4F,               // LD R,A
                     0xED, 0x5F});             // LD A,R
    cpu().A = 0x7F;
    Step();
    Step();
    EXPECT_EQ(cpu().A, 0x01);                  // R reached 0x81, bit 7 from RBit7 = 0
}

TEST_F(KestrelZ80Refresh, RCountsEveryOpcodeFetchButNoOperand) {
    Program(0x1800, {0x3E, 0x00,               // LD A,n           +1
                     0xCB, 0x00,               // RLC B            +2
                     0xDD, 0x21, 0x00, 0x00,   // LD IX,nn         +2
                     0xED, 0x44,               // NEG              +2
                     0xDD, 0xCB, 0x00, 0x06,   // RLC (IX+0)       +3
                     0xDD, 0xDD});             // doubled prefix   +2
    const unsigned expected[] = {1, 3, 5, 7, 10, 12};
    for (unsigned r : expected) {
        Step();
        EXPECT_EQ(cpu().R, r);
    }
}

// T-states of one instruction, checked against the core's tables. Registers
// are set so that conditional forms take the path named.
struct Timing {
    const char* name;
    std::vector<uint8_t> bytes;
    unsigned tstates;
    uint8_t f;           // F before the instruction
};

void PrintTo(const Timing& t, std::ostream* os) { *os << t.name; }

class KestrelZ80Timing : public CoreTest, public ::testing::WithParamInterface<Timing> {};

TEST_P(KestrelZ80Timing, ChargesTheTableCount) {
    const Timing& t = GetParam();
    uint16_t a = 0x1800;
    for (uint8_t b : t.bytes) m->MemoryImage[a++] = b;
    cpu().PC = 0x1800;
    cpu().SP = 0x1F00;
    SetHL(cpu(), 0x1A00);
    SetBC(cpu(), 0x0001);
    SetDE(cpu(), 0x1B00);
    cpu().IX = cpu().IY = 0x1C00;
    cpu().F = t.f;
    EXPECT_EQ(Step(), t.tstates) << t.name;
}

const Timing kTimings[] = {
    {"NOP", {0x00}, 4, 0},
    {"LD B,C", {0x41}, 4, 0},
    {"EX AF,AF'", {0x08}, 4, 0},
    {"JP (HL)", {0xE9}, 4, 0},
    {"INC BC", {0x03}, 6, 0},
    {"LD SP,HL", {0xF9}, 6, 0},
    {"LD B,n", {0x06, 0x12}, 7, 0},
    {"LD A,(HL)", {0x7E}, 7, 0},
    {"LD (HL),A", {0x77}, 7, 0},
    {"ADD A,(HL)", {0x86}, 7, 0},
    {"JR NZ not taken", {0x20, 0x02}, 7, Z},
    {"JR NZ taken", {0x20, 0x02}, 12, 0},
    {"DJNZ jumps", {0x10, 0xFE}, 13, 0},  // B = 0 before: 0xFF after the decrement
    {"LD BC,nn", {0x01, 0x34, 0x12}, 10, 0},
    {"LD (HL),n", {0x36, 0x12}, 10, 0},
    {"POP BC", {0xC1}, 10, 0},
    {"JP Z,nn not taken", {0xCA, 0x00, 0x19}, 10, 0},
    {"ADD HL,BC", {0x09}, 11, 0},
    {"INC (HL)", {0x34}, 11, 0},
    {"PUSH BC", {0xC5}, 11, 0},
    {"RST 38", {0xFF}, 11, 0},
    {"OUT (n),A", {0xD3, 0x80}, 11, 0},
    {"IN A,(n)", {0xDB, 0x80}, 11, 0},
    {"RET NZ not taken", {0xC0}, 5, Z},
    {"RET NZ taken", {0xC0}, 11, 0},
    {"JR d", {0x18, 0x00}, 12, 0},
    {"LD A,(nn)", {0x3A, 0x00, 0x19}, 13, 0},
    {"LD HL,(nn)", {0x2A, 0x00, 0x19}, 16, 0},
    {"CALL nn", {0xCD, 0x00, 0x19}, 17, 0},
    {"CALL Z,nn not taken", {0xCC, 0x00, 0x19}, 10, 0},
    {"EX (SP),HL", {0xE3}, 19, 0},
    {"NEG", {0xED, 0x44}, 8, 0},
    {"IM 1", {0xED, 0x56}, 8, 0},
    {"LD I,A", {0xED, 0x47}, 9, 0},
    {"IN B,(C)", {0xED, 0x40}, 12, 0},
    {"OUT (C),0", {0xED, 0x71}, 12, 0},
    {"RETN", {0xED, 0x45}, 14, 0},
    {"SBC HL,DE", {0xED, 0x52}, 15, 0},
    {"LDI", {0xED, 0xA0}, 16, 0},
    {"OUTD", {0xED, 0xAB}, 16, 0},
    {"RLD", {0xED, 0x6F}, 18, 0},
    {"LD (nn),SP", {0xED, 0x73, 0x00, 0x19}, 20, 0},
    {"LDIR with BC = 1", {0xED, 0xB0}, 21, 0},
    {"ED 00 undefined", {0xED, 0x00}, 0, 0},
    {"ED 80 undefined", {0xED, 0x80}, 0, 0},
    {"ED A4 undefined", {0xED, 0xA4}, 0, 0},
    {"ED FF undefined", {0xED, 0xFF}, 0, 0},
    {"ED 77", {0xED, 0x77}, 4, 0},
    {"ED 7F", {0xED, 0x7F}, 4, 0},
    {"RLC B", {0xCB, 0x00}, 8, 0},
    {"RLC (HL)", {0xCB, 0x06}, 15, 0},
    {"BIT 0,(HL)", {0xCB, 0x46}, 12, 0},
    {"SET 0,(HL)", {0xCB, 0xC6}, 15, 0},
    {"LD B,(IX+d)", {0xDD, 0x46, 0x01}, 19, 0},
    {"LD (IX+d),n", {0xDD, 0x36, 0x01, 0x12}, 19, 0},
    {"ADD A,(IY+d)", {0xFD, 0x86, 0x01}, 19, 0},
    {"INC (IX+d)", {0xDD, 0x34, 0x01}, 23, 0},
    {"LD B,IXH", {0xDD, 0x44}, 4, 0},
    {"ADD A,IYL", {0xFD, 0x85}, 4, 0},
    {"INC IXH", {0xDD, 0x24}, 4, 0},
    {"LD IXL,n", {0xDD, 0x2E, 0x12}, 7, 0},
    {"ADD IX,BC", {0xDD, 0x09}, 15, 0},
    {"LD IX,nn", {0xDD, 0x21, 0x34, 0x12}, 14, 0},
    {"LD (nn),IX", {0xDD, 0x22, 0x00, 0x19}, 20, 0},
    {"INC IY", {0xFD, 0x23}, 10, 0},
    {"PUSH IX", {0xDD, 0xE5}, 15, 0},
    {"POP IY", {0xFD, 0xE1}, 14, 0},
    {"EX (SP),IX", {0xDD, 0xE3}, 23, 0},
    {"JP (IX)", {0xDD, 0xE9}, 8, 0},
    {"LD SP,IY", {0xFD, 0xF9}, 10, 0},
    {"DD NOP takes the plain count", {0xDD, 0x00}, 4, 0},
    {"FD EX DE,HL", {0xFD, 0xEB}, 4, 0},
    {"DD ED NEG", {0xDD, 0xED, 0x44}, 8, 0},
    {"DD DD doubled prefix", {0xDD, 0xDD, 0x00}, 0, 0},
    {"RLC (IX+d)", {0xDD, 0xCB, 0x01, 0x06}, 23, 0},
    {"BIT 1,(IY+d)", {0xFD, 0xCB, 0x01, 0x4E}, 20, 0},
    {"SET 1,(IX+d),B", {0xDD, 0xCB, 0x01, 0xC8}, 23, 0},
};

INSTANTIATE_TEST_SUITE_P(Table, KestrelZ80Timing, ::testing::ValuesIn(kTimings));

class KestrelZ80Memptr : public CoreTest {};

TEST_F(KestrelZ80Memptr, LoadsStoresJumpsAndPorts) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint16_t memptr;
    };
    // Registers before each: A = 0x5A, BC = 0x1234, DE = 0x1900, HL = 0x1A00, SP = 0x1F00,
    // MEMPTR = 0xEEEE; word at SP = 0x1850.
    const Case cases[] = {
        {"LD A,(BC)", {0x0A}, 0x1235},
        {"LD (DE),A", {0x12}, 0x5A01},
        {"LD A,(nn)", {0x3A, 0xFF, 0x19}, 0x1A00},
        {"LD (nn),A", {0x32, 0xFF, 0x19}, 0x5A00},
        {"LD HL,(nn)", {0x2A, 0x10, 0x19}, 0x1911},
        {"LD (nn),DE", {0xED, 0x53, 0x10, 0x19}, 0x1911},
        {"ADD HL,BC", {0x09}, 0x1A01},
        {"SBC HL,BC", {0xED, 0x42}, 0x1A01},
        {"JP nn", {0xC3, 0x00, 0x19}, 0x1900},
        {"JP NZ,nn not taken", {0xC2, 0x00, 0x19}, 0x1900},
        {"CALL NZ,nn not taken", {0xC4, 0x00, 0x19}, 0x1900},
        {"JR d", {0x18, 0x10}, 0x1812},
        {"JR Z,d taken keeps MEMPTR", {0x28, 0x10}, 0xEEEE},
        {"RET", {0xC9}, 0x1850},
        {"RET Z taken keeps MEMPTR", {0xC8}, 0xEEEE},
        {"RETI", {0xED, 0x4D}, 0x1850},
        {"RETN keeps MEMPTR", {0xED, 0x45}, 0xEEEE},
        {"RST 28", {0xEF}, 0x0028},
        {"EX (SP),HL", {0xE3}, 0x1850},
        {"JP (HL) keeps MEMPTR", {0xE9}, 0xEEEE},
        {"IN A,(n)", {0xDB, 0xFF}, 0x5B00},
        {"OUT (n),A", {0xD3, 0xFF}, 0x5A00},
        {"IN A,(C)", {0xED, 0x78}, 0x1235},
        {"OUT (C),A", {0xED, 0x79}, 0x1235},
        {"IN B,(C) keeps MEMPTR", {0xED, 0x40}, 0xEEEE},
        {"OUT (C),D keeps MEMPTR", {0xED, 0x51}, 0xEEEE},
        {"RLD", {0xED, 0x6F}, 0x1A01},
        {"LD B,(IX+d)", {0xDD, 0x46, 0xFE}, 0x1BFE},
        {"LD (IY+d),n", {0xFD, 0x36, 0x02, 0x00}, 0x1C02},
        {"ADD IX,DE", {0xDD, 0x19}, 0x1C01},
        {"BIT 0,(HL) keeps MEMPTR", {0xCB, 0x46}, 0xEEEE},
        {"CPI", {0xED, 0xA1}, 0xEEEF},
        {"CPD", {0xED, 0xA9}, 0xEEED},
        {"INI", {0xED, 0xA2}, 0x1235},
        {"IND", {0xED, 0xAA}, 0x1233},
        {"OUTI", {0xED, 0xA3}, 0x1135},
        {"OUTD", {0xED, 0xAB}, 0x1133},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        uint16_t a = 0x1800;
        for (uint8_t b : c.bytes) m->MemoryImage[a++] = b;
        cpu().PC = 0x1800;
        cpu().A = 0x5A;
        SetBC(cpu(), 0x1234);
        SetDE(cpu(), 0x1900);
        SetHL(cpu(), 0x1A00);
        cpu().IX = 0x1C00;
        cpu().IY = 0x1C00;
        cpu().SP = 0x1F00;
        cpu().F = Z;
        Poke(0x1F00, {0x50, 0x18});
        cpu().MEMPTR = 0xEEEE;
        Step();
        EXPECT_EQ(cpu().MEMPTR, c.memptr);
    }
}

TEST_F(KestrelZ80Memptr, RepeatingBlockInstructions) {
    // LDIR with BC = 3: MEMPTR = address of the instruction + 1.
    Program(0x1800, {0xED, 0xB0});
    SetBC(cpu(), 3);
    SetHL(cpu(), 0x1900);
    SetDE(cpu(), 0x1A00);
    cpu().MEMPTR = 0xEEEE;
    EXPECT_EQ(Step(), 63u);
    EXPECT_EQ(cpu().MEMPTR, 0x1801);
    // LDIR with BC = 1 leaves MEMPTR.
    Program(0x1800, {0xED, 0xB0});
    SetBC(cpu(), 1);
    cpu().MEMPTR = 0xEEEE;
    Step();
    EXPECT_EQ(cpu().MEMPTR, 0xEEEE);
    // CPIR that runs out: MEMPTR = PC after the fetch.
    Poke(0x1900, {0x01, 0x02, 0x03});
    Program(0x1800, {0xED, 0xB1});
    SetBC(cpu(), 3);
    SetHL(cpu(), 0x1900);
    cpu().A = 0x09;
    Step();
    EXPECT_EQ(cpu().MEMPTR, 0x1802);
    // CPDR that runs out: MEMPTR = the instruction's address.
    Program(0x1800, {0xED, 0xB9});
    SetBC(cpu(), 3);
    SetHL(cpu(), 0x1902);
    Step();
    EXPECT_EQ(cpu().MEMPTR, 0x1800);
    // CPIR that finds A: MEMPTR before + 1.
    Program(0x1800, {0xED, 0xB1});
    SetBC(cpu(), 3);
    SetHL(cpu(), 0x1900);
    cpu().A = 0x02;
    cpu().MEMPTR = 0x4000;
    EXPECT_EQ(Step(), 42u);
    EXPECT_EQ(cpu().MEMPTR, 0x4001);
    // INIR: 0x0100 + C + 1; OTDR: C - 1 as 16 bits.
    Program(0x1800, {0xED, 0xB2});
    SetBC(cpu(), 0x02FE);
    SetHL(cpu(), 0x1900);
    Step();
    EXPECT_EQ(cpu().MEMPTR, 0x01FF);
    Program(0x1800, {0xED, 0xBB});
    SetBC(cpu(), 0x0200);
    Step();
    EXPECT_EQ(cpu().MEMPTR, 0xFFFF);
}

TEST_F(KestrelZ80Memptr, DjnzSetsMemptrOnlyWhenItJumps) {
    Program(0x1800, {0x10, 0x10});             // DJNZ +16
    cpu().B = 2;
    cpu().MEMPTR = 0xEEEE;
    EXPECT_EQ(Step(), 13u);
    EXPECT_EQ(cpu().MEMPTR, 0x1812);
    Program(0x1800, {0x10, 0x10});
    cpu().B = 1;
    cpu().MEMPTR = 0xEEEE;
    EXPECT_EQ(Step(), 8u);
    EXPECT_EQ(cpu().MEMPTR, 0xEEEE);
}

}  // namespace
}  // namespace kestrel::test
