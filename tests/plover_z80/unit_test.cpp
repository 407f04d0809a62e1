// Unit tests of plover's core for what the exercisers and the FUSE vectors do
// not reach: the ROM limit, reset, R, ignored prefixes, unknown opcodes, HALT,
// the interrupt flip-flops, T-states, ports and the flag rules of this core.
#include <climits>

#include "tests/plover_z80/core_fixture.h"

using namespace plover;
using plover_test::CoreTest;

namespace {

using PloverMemory = CoreTest;
using PloverReset = CoreTest;
using PloverR = CoreTest;
using PloverPrefix = CoreTest;
using PloverUnknown = CoreTest;
using PloverControl = CoreTest;
using PloverTiming = CoreTest;
using PloverFlags = CoreTest;
using PloverPorts = CoreTest;
using PloverText = CoreTest;

Z80RegisterSet& R = Z80Registers;

// ---------------------------------------------------------------------------
// Memory and the ROM limit
// ---------------------------------------------------------------------------

TEST_F(PloverMemory, BytesAroundTheRomLimit) {
    BoardMemory[0x3FFF] = 0x11;
    PokeB(0x3FFF, 0x77);
    EXPECT_EQ(BoardMemory[0x3FFF], 0x11);  // dropped silently
    PokeB(0x4000, 0x1AB);
    EXPECT_EQ(BoardMemory[0x4000], 0xAB);  // value AND FFh
    PokeB(0x0000, 0x55);
    EXPECT_EQ(BoardMemory[0x0000], 0x00);
    EXPECT_EQ(PeekB(0x3FFF), 0x11);
}

TEST_F(PloverMemory, WordsAcrossTheRomLimitAndTheTopOfMemory) {
    PokeW(0x3FFF, 0x1234);
    EXPECT_EQ(BoardMemory[0x3FFF], 0x00);  // low byte refused
    EXPECT_EQ(BoardMemory[0x4000], 0x12);  // high byte stored
    BoardMemory[0xFFFF] = 0xCD;
    BoardMemory[0x0000] = 0xAB;
    EXPECT_EQ(PeekW(0xFFFF), 0xABCD);      // high byte from 0000h
    PokeW(0xFFFF, 0x9988);
    EXPECT_EQ(BoardMemory[0xFFFF], 0x88);
    EXPECT_EQ(BoardMemory[0x0000], 0xAB);  // 0000h is ROM
    PokeW(0x8000, 0x5678);
    EXPECT_EQ(BoardMemory[0x8000], 0x78);
    EXPECT_EQ(BoardMemory[0x8001], 0x56);
}

TEST_F(PloverMemory, AddressesAboveFFFFWrap) {
    PokeB(0x14000, 5);
    EXPECT_EQ(BoardMemory[0x4000], 5);
    BoardMemory[0x4001] = 0x66;
    EXPECT_EQ(PeekB(0x24001), 0x66);
    PokeB(0x13FFF, 9);                     // 3FFFh after wrapping: refused
    EXPECT_EQ(BoardMemory[0x3FFF], 0);
    PokeW(0x1FFFF, 0x4321);                // FFFFh, then 0000h
    EXPECT_EQ(BoardMemory[0xFFFF], 0x21);
    EXPECT_EQ(BoardMemory[0x0000], 0x00);
    BoardMemory[0x0000] = 0x01;
    EXPECT_EQ(PeekW(0x1FFFF), 0x0121);
}

TEST_F(PloverMemory, StackBelowTheRomLimitLosesWhatIsPushed) {
    // PUSH BC with SP = 0001h: low byte at FFFFh, high byte at 0000h (dropped)
    R.SP = 0x0001;
    R.B = 0x12;
    R.C = 0x34;
    Load(0x4000, {0xC5});  // PUSH BC
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 11);
    EXPECT_EQ(R.SP, 0xFFFF);
    EXPECT_EQ(BoardMemory[0xFFFF], 0x34);
    EXPECT_EQ(BoardMemory[0x0000], 0x00);

    // a CALL with the stack in ROM: the return address is lost, the jump happens
    R.SP = 0x2000;
    Load(0x4001, {0xCD, 0x00, 0x50});  // CALL 5000h
    EXPECT_EQ(Step(), 17);
    EXPECT_EQ(R.PC, 0x5000);
    EXPECT_EQ(R.SP, 0x1FFE);
    EXPECT_EQ(BoardMemory[0x1FFE], 0);
    EXPECT_EQ(BoardMemory[0x1FFF], 0);
    Load(0x5000, {0xC9});  // RET pops whatever the ROM holds there
    EXPECT_EQ(Step(), 10);
    EXPECT_EQ(R.PC, 0x0000);
    EXPECT_EQ(R.SP, 0x2000);
}

TEST_F(PloverMemory, StackPushAndPopWrap) {
    R.SP = 0x0000;
    StackPush(0xBEEF);
    EXPECT_EQ(R.SP, 0xFFFE);
    EXPECT_EQ(BoardMemory[0xFFFE], 0xEF);
    EXPECT_EQ(BoardMemory[0xFFFF], 0xBE);
    EXPECT_EQ(StackPop(), 0xBEEF);
    EXPECT_EQ(R.SP, 0x0000);
    R.PC = 0xFFFF;
    BoardMemory[0xFFFF] = 0x3C;
    EXPECT_EQ(FetchByte(), 0x3C);
    EXPECT_EQ(R.PC, 0x0000);
}

// ---------------------------------------------------------------------------
// Reset and tables
// ---------------------------------------------------------------------------

TEST_F(PloverReset, PowerOnState) {
    R.A = 1; R.B = 2; R.C = 3; R.DE = 4; R.HL = 5; R.IX = 6; R.IY = 7; R.SP = 8; R.PC = 9;
    R.AFAlt = 10; R.BCAlt = 11; R.DEAlt = 12; R.HLAlt = 13; R.I = 14; R.RCounter = 99; R.RTopBit = 0;
    R.IFF1 = R.IFF2 = true; R.IM = 2; R.ID = 0x7777;
    SetF(0xFF);
    BoardMemory[0x5000] = 0x42;
    ResetProcessor();
    EXPECT_EQ(GetF(), 0x00);
    EXPECT_EQ(R.SP, 0xFFFF);
    EXPECT_EQ(R.PC, 0x0000);
    EXPECT_EQ(R.A | R.B | R.C | R.DE | R.HL | R.IX | R.IY, 0);
    EXPECT_EQ(R.AFAlt | R.BCAlt | R.DEAlt | R.HLAlt | R.I, 0);
    EXPECT_EQ(R.RTopBit, 0x80);
    EXPECT_EQ(R.RCounter, 0u);
    EXPECT_FALSE(R.IFF1);
    EXPECT_FALSE(R.IFF2);
    EXPECT_EQ(R.IM, 0);
    EXPECT_EQ(R.ID, 0x7777);               // kept
    EXPECT_EQ(BoardMemory[0x5000], 0x42);  // kept
}

TEST_F(PloverReset, Tables) {
    EXPECT_TRUE(ParityTable[0x00]);
    EXPECT_FALSE(ParityTable[0x01]);
    EXPECT_TRUE(ParityTable[0x03]);
    EXPECT_FALSE(ParityTable[0x07]);
    EXPECT_TRUE(ParityTable[0xFF]);
    EXPECT_FALSE(ParityTable[0x80]);
    EXPECT_TRUE(ParityTable[0x96]);
    EXPECT_EQ(HighByteTable[0x0000], 0x00);
    EXPECT_EQ(HighByteTable[0x1234], 0x12);
    EXPECT_EQ(HighByteTable[0xFFFF], 0xFF);
    EXPECT_EQ(HighByteTable[0x10000], 0x00);
    EXPECT_EQ(HighByteTable[0x13FFF], 0x3F);
}

TEST_F(PloverReset, FlagsPackAndSpreadForEveryByte) {
    for (int f = 0; f < 256; ++f) {
        SetF(static_cast<uint8_t>(f));
        ASSERT_EQ(GetF(), f);
    }
    SetF(0x81);
    EXPECT_TRUE(R.S);
    EXPECT_TRUE(R.CY);
    EXPECT_FALSE(R.Z || R.F5 || R.H || R.F3 || R.PV || R.N);
    SetF(0x28);
    EXPECT_TRUE(R.F5);
    EXPECT_TRUE(R.F3);
    EXPECT_FALSE(R.S || R.Z || R.H || R.PV || R.N || R.CY);
}

// ---------------------------------------------------------------------------
// R
// ---------------------------------------------------------------------------

TEST_F(PloverR, LdAROnlyAfterResetGives82) {
    Load(0x0000, {0xED, 0x5F});  // LD A,R
    EXPECT_EQ(Step(), 9);
    EXPECT_EQ(R.A, 0x82);
    EXPECT_TRUE(R.S);
    EXPECT_FALSE(R.Z);
    EXPECT_EQ(R.RCounter, 2u);
}

TEST_F(PloverR, LdRAThenLdAR) {
    R.A = 0x7F;
    Load(0x0000, {0xED, 0x4F, 0xED, 0x5F});  // LD R,A; LD A,R
    EXPECT_EQ(Step(), 9);
    EXPECT_EQ(R.RTopBit, 0x7F);
    EXPECT_EQ(R.RCounter, 0x7Fu);
    EXPECT_EQ(Step(), 9);
    EXPECT_EQ(R.A, 0x01);  // 7Fh + 2 = 81h, low 7 bits 01h, top bit 0
    EXPECT_EQ(R.RCounter, 0x01u);

    R.A = 0x80;
    R.PC = 0;
    EXPECT_EQ(Step(), 9);
    EXPECT_EQ(Step(), 9);
    EXPECT_EQ(R.A, 0x82);  // top bit from RTopBit = 80h
}

TEST_F(PloverR, CounterNeverOverflowsAndKeepsItsLowBits) {
    // An unbounded count of 2^32 - 2 + 2 fetches is 0 modulo 128.
    R.RCounter = UINT32_MAX - 1;
    Load(0x4000, {0xED, 0x5F});
    R.PC = 0x4000;
    Step();
    EXPECT_EQ(R.A, 0x80);
    // counting through the top: the low 7 bits go on as an unbounded count's
    R.RCounter = UINT32_MAX - 2;
    R.PC = 0x4000;
    Load(0x4000, {0x00, 0x00, 0x00, 0x00, 0xED, 0x5F});
    for (int i = 0; i < 4; ++i) Step();
    Step();
    // (2^32 - 3 + 6) mod 128 = 3
    EXPECT_EQ(R.A, 0x83);
}

TEST_F(PloverR, EachPrefixCountsOneFetch) {
    Load(0x4000, {0xCB, 0x00,                  // RLC B
                  0xDD, 0x21, 0x00, 0x00,      // LD IX,0
                  0xDD, 0xCB, 0x01, 0x06,      // RLC (IX+1)
                  0xED, 0x44});                // NEG
    R.PC = 0x4000;
    Step();
    EXPECT_EQ(R.RCounter, 2u);
    Step();
    EXPECT_EQ(R.RCounter, 4u);
    Step();
    EXPECT_EQ(R.RCounter, 6u);  // DD CB d op: no third increment
    Step();
    EXPECT_EQ(R.RCounter, 8u);
}

// ---------------------------------------------------------------------------
// Ignored DD/FD prefixes
// ---------------------------------------------------------------------------

TEST_F(PloverPrefix, Dd00CostsFourThenNopRuns) {
    Load(0x4000, {0xDD, 0x00});
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(R.PC, 0x4001);  // back on the 00
    EXPECT_EQ(R.RCounter, 1u);
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(R.PC, 0x4002);
    EXPECT_EQ(R.RCounter, 2u);
}

TEST_F(PloverPrefix, DoubledAndMixedPrefixes) {
    // DD DD 21 34 12: the first DD is ignored, the second loads IX
    Load(0x4000, {0xDD, 0xDD, 0x21, 0x34, 0x12});
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(R.PC, 0x4001);
    EXPECT_EQ(Step(), 14);
    EXPECT_EQ(R.IX, 0x1234);
    EXPECT_EQ(R.RCounter, 3u);

    // DD ED 44: DD ignored, then NEG
    Load(0x4010, {0xDD, 0xED, 0x44});
    R.PC = 0x4010;
    R.A = 1;
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(R.PC, 0x4011);
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(R.A, 0xFF);

    // DD FD 21 78 56: DD ignored, then LD IY,5678h; IX untouched
    Load(0x4020, {0xDD, 0xFD, 0x21, 0x78, 0x56});
    R.PC = 0x4020;
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(Step(), 14);
    EXPECT_EQ(R.IY, 0x5678);
    EXPECT_EQ(R.IX, 0x1234);

    // FD 47 (LD B,A under FD) is not indexed: FD ignored, then LD B,A
    Load(0x4030, {0xFD, 0x47});
    R.PC = 0x4030;
    R.A = 0x99;
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(R.PC, 0x4031);
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(R.B, 0x99);
}

TEST_F(PloverPrefix, EightySixSecondBytesAreIndexed) {
    // Every second byte either runs on ID (moves PC past itself) or is ignored
    // (PC back on it, 4 T-states). 76 is unknown and reported. Count them.
    int indexed = 0, ignored = 0;
    for (int op = 0; op < 256; ++op) {
        if (op == 0x76) continue;
        std::fill(std::begin(BoardMemory), std::end(BoardMemory), 0);
        ResetProcessor();
        R.SP = 0x9000;
        R.IX = 0x8000;
        Load(0x4000, {0xDD, static_cast<uint8_t>(op), 0x01, 0x06});
        R.PC = 0x4000;
        const int t = Step();
        if (R.PC == 0x4001 && t == 4 && R.RCounter == 1u) ++ignored;
        else ++indexed;
    }
    EXPECT_EQ(indexed, 86);
    EXPECT_EQ(ignored, 169);
    EXPECT_TRUE(rec.text.empty());
}

// ---------------------------------------------------------------------------
// Unknown opcodes
// ---------------------------------------------------------------------------

TEST_F(PloverUnknown, Dd76ShowsTheMessageAndWaits) {
    Load(0x1000, {0xDD, 0x76});
    R.PC = 0x1000;
    LocateText(5, 3);
    EXPECT_EQ(Step(), 0);
    EXPECT_EQ(R.PC, 0x1002);
    ASSERT_EQ(rec.text.size(), 1u);
    EXPECT_EQ(rec.text[0].text, "Instruccion desconocida 118 en 4098");
    EXPECT_EQ(rec.text[0].row, 5);
    EXPECT_EQ(rec.text[0].column, 3);
    EXPECT_EQ(rec.waits, 1);
    EXPECT_EQ(rec.presents, 1);
    EXPECT_EQ(rec.events.back(), "wait");  // the wait follows the line
    EXPECT_EQ(TextRow, 6);
    EXPECT_EQ(TextColumn, 1);
    EXPECT_EQ(R.RCounter, 2u);  // both fetches count
}

TEST_F(PloverUnknown, Fd76UsesTheSameMessageOnTheNextLine) {
    Load(0x0000, {0xFD, 0x76, 0xDD, 0x76});
    EXPECT_EQ(Step(), 0);
    EXPECT_EQ(Step(), 0);
    ASSERT_EQ(rec.text.size(), 2u);
    EXPECT_EQ(rec.text[0].text, "Instruccion desconocida 118 en 2");
    EXPECT_EQ(rec.text[1].text, "Instruccion desconocida 118 en 4");
    EXPECT_EQ(rec.text[1].row, rec.text[0].row + 1);
    EXPECT_EQ(rec.waits, 2);
}

TEST_F(PloverUnknown, UnknownEdOpcodes) {
    Load(0x1000, {0xED, 0xFF});
    R.PC = 0x1000;
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(R.PC, 0x1002);
    ASSERT_EQ(rec.text.size(), 1u);
    EXPECT_EQ(rec.text[0].text, "Instruccion ED desconocida 255 en 4098");
    EXPECT_EQ(rec.waits, 1);

    // every opcode of the unknown ranges reports; no other ED opcode does
    const int unknown[] = {0xA4, 0xA7, 0xAC, 0xAF, 0xB4, 0xB7, 0xBC, 0xBF, 0xC0, 0xE5};
    for (int op : unknown) {
        rec.text.clear();
        Load(0x5000, {0xED, static_cast<uint8_t>(op)});
        R.PC = 0x5000;
        EXPECT_EQ(Step(), 8) << op;
        ASSERT_EQ(rec.text.size(), 1u) << op;
        EXPECT_EQ(rec.text[0].text, "Instruccion ED desconocida " + std::to_string(op) + " en 20482");
    }
    int reports = 0;
    for (int op = 0; op < 256; ++op) {
        rec.text.clear();
        Load(0x5000, {0xED, static_cast<uint8_t>(op), 0x00, 0x00});
        R.PC = 0x5000;
        R.B = 0;
        R.C = 0;
        Step();
        reports += static_cast<int>(rec.text.size());
    }
    EXPECT_EQ(reports, 16 + 64);
}

TEST_F(PloverUnknown, SilentEdNoOperations) {
    const int silent[] = {0x00, 0x3F, 0x80, 0x9F, 0x77, 0x7F};
    for (int op : silent) {
        Load(0x5000, {0xED, static_cast<uint8_t>(op)});
        R.PC = 0x5000;
        const uint8_t f = GetF();
        EXPECT_EQ(Step(), 8) << op;
        EXPECT_EQ(R.PC, 0x5002) << op;
        EXPECT_EQ(GetF(), f);
    }
    EXPECT_TRUE(rec.text.empty());
    EXPECT_EQ(rec.waits, 0);
}

// ---------------------------------------------------------------------------
// HALT, interrupt flip-flops, interrupt mode
// ---------------------------------------------------------------------------

TEST_F(PloverControl, HaltIsFourTStatesAndExecutionGoesOn) {
    Load(0x4000, {0x76, 0x00});
    R.PC = 0x4000;
    int t = Step();
    EXPECT_EQ(R.PC, 0x4001);
    t += Step();
    EXPECT_EQ(t, 8);
    EXPECT_EQ(R.PC, 0x4002);
}

TEST_F(PloverControl, EiTakesEffectAtOnceAndDiClearsBoth) {
    Load(0x4000, {0xFB, 0xF3});
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 4);
    EXPECT_TRUE(R.IFF1);  // no one-instruction delay
    EXPECT_TRUE(R.IFF2);
    EXPECT_EQ(Step(), 4);
    EXPECT_FALSE(R.IFF1);
    EXPECT_FALSE(R.IFF2);
}

TEST_F(PloverControl, RetnAndRetiCopyIff2) {
    const uint8_t returns[] = {0x45, 0x4D, 0x55, 0x5D, 0x65, 0x6D, 0x75, 0x7D};
    for (uint8_t op : returns) {
        for (bool iff2 : {false, true}) {
            R.IFF1 = !iff2;
            R.IFF2 = iff2;
            R.SP = 0x8000;
            Load(0x8000, {0x34, 0x12});
            Load(0x4000, {0xED, op});
            R.PC = 0x4000;
            EXPECT_EQ(Step(), 14) << int(op);
            EXPECT_EQ(R.PC, 0x1234);
            EXPECT_EQ(R.SP, 0x8002);
            EXPECT_EQ(R.IFF1, iff2) << int(op);
            EXPECT_EQ(R.IFF2, iff2);
        }
    }
}

TEST_F(PloverControl, InterruptModesAndMirrors) {
    const std::pair<uint8_t, uint8_t> modes[] = {{0x46, 0}, {0x4E, 0}, {0x66, 0}, {0x6E, 0},
                                                 {0x56, 1}, {0x76, 1}, {0x5E, 2}, {0x7E, 2}};
    for (auto [op, mode] : modes) {
        R.IM = 7;
        Load(0x4000, {0xED, op});
        R.PC = 0x4000;
        EXPECT_EQ(Step(), 8);
        EXPECT_EQ(R.IM, mode) << int(op);
    }
}

TEST_F(PloverControl, NegAndItsMirrors) {
    const uint8_t negs[] = {0x44, 0x4C, 0x54, 0x5C, 0x64, 0x6C, 0x74, 0x7C};
    for (uint8_t op : negs) {
        R.A = 0x80;
        Load(0x4000, {0xED, op});
        R.PC = 0x4000;
        EXPECT_EQ(Step(), 8);
        EXPECT_EQ(R.A, 0x80);
        EXPECT_EQ(GetF(), 0x87);  // S, PV (overflow), N, CY
    }
}

TEST_F(PloverControl, LdAIAndExchanges) {
    R.I = 0x00;
    R.IFF2 = true;
    Load(0x4000, {0xED, 0x57,        // LD A,I
                  0x08,              // EX AF,AF'
                  0xD9});            // EXX
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 9);
    EXPECT_EQ(GetF(), 0x44);  // Z, PV = IFF2
    R.AFAlt = 0x1281;
    Step();
    EXPECT_EQ(R.A, 0x12);
    EXPECT_EQ(GetF(), 0x81);
    EXPECT_EQ(R.AFAlt, 0x0044);
    R.B = 1; R.C = 2; R.DE = 0x0304; R.HL = 0x0506;
    R.BCAlt = 0xA1A2; R.DEAlt = 0xA3A4; R.HLAlt = 0xA5A6;
    Step();
    EXPECT_EQ(R.B, 0xA1);
    EXPECT_EQ(R.C, 0xA2);
    EXPECT_EQ(R.DE, 0xA3A4);
    EXPECT_EQ(R.HL, 0xA5A6);
    EXPECT_EQ(R.BCAlt, 0x0102);
    EXPECT_EQ(R.DEAlt, 0x0304);
    EXPECT_EQ(R.HLAlt, 0x0506);
}

// ---------------------------------------------------------------------------
// T-states
// ---------------------------------------------------------------------------

// Documented T-states of the unprefixed opcodes with all flags clear and B = 1:
// NZ, NC, PO and P are taken, Z, C, PE and M are not, DJNZ falls through.
// Prefixes (CB, DD, ED, FD) are 0 here and tested apart.
constexpr int UnprefixedTStates[256] = {
    4, 10, 7, 6, 4, 4, 7, 4, 4, 11, 7, 6, 4, 4, 7, 4,         // 00
    8, 10, 7, 6, 4, 4, 7, 4, 12, 11, 7, 6, 4, 4, 7, 4,        // 10
    12, 10, 16, 6, 4, 4, 7, 4, 7, 11, 16, 6, 4, 4, 7, 4,      // 20
    12, 10, 13, 6, 11, 11, 10, 4, 7, 11, 13, 6, 4, 4, 7, 4,   // 30
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,           // 40
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,           // 50
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,           // 60
    7, 7, 7, 7, 7, 7, 4, 7, 4, 4, 4, 4, 4, 4, 7, 4,           // 70
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,           // 80
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,           // 90
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,           // A0
    4, 4, 4, 4, 4, 4, 7, 4, 4, 4, 4, 4, 4, 4, 7, 4,           // B0
    11, 10, 10, 10, 17, 11, 7, 11, 5, 10, 10, 0, 10, 17, 7, 11,  // C0
    11, 10, 10, 11, 17, 11, 7, 11, 5, 4, 10, 11, 10, 0, 7, 11,   // D0
    11, 10, 10, 19, 17, 11, 7, 11, 5, 4, 10, 4, 10, 0, 7, 11,    // E0
    11, 10, 10, 4, 17, 11, 7, 11, 5, 6, 10, 4, 10, 0, 7, 11,     // F0
};

void PrepareTiming() {
    std::fill(std::begin(BoardMemory), std::end(BoardMemory), 0);
    ResetProcessor();
    R.B = 1;
    R.HL = 0x8000;
    R.SP = 0x9000;
    R.IX = R.IY = 0x8000;
    R.PC = 0x4000;
}

TEST_F(PloverTiming, UnprefixedOpcodes) {
    for (int op = 0; op < 256; ++op) {
        if (UnprefixedTStates[op] == 0) continue;
        PrepareTiming();
        BoardMemory[0x4000] = static_cast<uint8_t>(op);
        EXPECT_EQ(Step(), UnprefixedTStates[op]) << std::hex << op;
    }
}

TEST_F(PloverTiming, TakenAndNotTakenBranches) {
    // flags all set: Z, C, PE, M taken; NZ, NC, PO, P not
    const std::pair<uint8_t, int> cases[] = {{0x28, 12}, {0x20, 7}, {0x38, 12}, {0x30, 7},
                                             {0xC8, 11}, {0xC0, 5}, {0xE8, 11}, {0xE0, 5},
                                             {0xCC, 17}, {0xC4, 10}, {0xFC, 17}, {0xF4, 10},
                                             {0xCA, 10}, {0xC2, 10}};
    for (auto [op, t] : cases) {
        PrepareTiming();
        SetF(0xFF);
        BoardMemory[0x4000] = op;
        EXPECT_EQ(Step(), t) << std::hex << int(op);
    }
    PrepareTiming();
    R.B = 2;
    Load(0x4000, {0x10, 0xFE});  // DJNZ $
    EXPECT_EQ(Step(), 13);
    EXPECT_EQ(R.PC, 0x4000);
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(R.PC, 0x4002);
}

TEST_F(PloverTiming, CbOpcodes) {
    for (int op = 0; op < 256; ++op) {
        PrepareTiming();
        Load(0x4000, {0xCB, static_cast<uint8_t>(op)});
        const int expected = (op & 7) != 6 ? 8 : (op >= 0x40 && op < 0x80) ? 12 : 15;
        EXPECT_EQ(Step(), expected) << std::hex << op;
    }
}

TEST_F(PloverTiming, EdOpcodes) {
    // ED 40-7F by z (y = 7 row for z = 7: LD I,A, LD R,A, LD A,I, LD A,R, RRD, RLD, nop, nop)
    const int byZ[8] = {12, 12, 15, 20, 8, 14, 8, 0};
    const int z7[8] = {9, 9, 9, 9, 18, 18, 8, 8};
    for (int op = 0x40; op < 0x80; ++op) {
        PrepareTiming();
        Load(0x4000, {0xED, static_cast<uint8_t>(op)});
        const int expected = (op & 7) == 7 ? z7[(op >> 3) & 7] : byZ[op & 7];
        EXPECT_EQ(Step(), expected) << std::hex << op;
    }
}

TEST_F(PloverTiming, IndexedOpcodes) {
    const std::pair<uint8_t, int> cases[] = {
        {0x09, 15}, {0x19, 15}, {0x29, 15}, {0x39, 15}, {0x21, 14}, {0x22, 20}, {0x2A, 20},
        {0x23, 10}, {0x2B, 10}, {0x24, 8}, {0x25, 8}, {0x2C, 8}, {0x2D, 8}, {0x26, 11}, {0x2E, 11},
        {0x34, 23}, {0x35, 23}, {0x36, 19}, {0x46, 19}, {0x4E, 19}, {0x56, 19}, {0x5E, 19},
        {0x66, 19}, {0x6E, 19}, {0x7E, 19}, {0x70, 19}, {0x75, 19}, {0x77, 19},
        {0x44, 8}, {0x45, 8}, {0x4C, 8}, {0x4D, 8}, {0x54, 8}, {0x5C, 8}, {0x7C, 8}, {0x7D, 8},
        {0x60, 8}, {0x61, 8}, {0x62, 8}, {0x63, 8}, {0x64, 8}, {0x65, 8}, {0x67, 8},
        {0x68, 9}, {0x69, 9}, {0x6A, 9}, {0x6B, 9},  // LD IXL,B/C/D/E
        {0x6C, 8}, {0x6D, 8}, {0x6F, 8},
        {0x84, 8}, {0x8D, 8}, {0x94, 8}, {0x9D, 8}, {0xA4, 8}, {0xAD, 8}, {0xB4, 8}, {0xBD, 8},
        {0x86, 19}, {0x8E, 19}, {0x96, 19}, {0x9E, 19}, {0xA6, 19}, {0xAE, 19}, {0xB6, 19}, {0xBE, 19},
        {0xE1, 14}, {0xE3, 23}, {0xE5, 15}, {0xE9, 8}, {0xF9, 10}};
    for (uint8_t prefix : {uint8_t{0xDD}, uint8_t{0xFD}}) {
        for (auto [op, t] : cases) {
            PrepareTiming();
            Load(0x4000, {prefix, op, 0x01, 0x02});
            EXPECT_EQ(Step(), t) << std::hex << int(prefix) << " " << int(op);
        }
    }
}

TEST_F(PloverTiming, IndexedBitOps) {
    for (int op = 0; op < 256; ++op) {
        PrepareTiming();
        Load(0x4000, {0xFD, 0xCB, 0x05, static_cast<uint8_t>(op)});
        EXPECT_EQ(Step(), (op >= 0x40 && op < 0x80) ? 20 : 23) << std::hex << op;
        EXPECT_EQ(R.PC, 0x4004);
    }
}

TEST_F(PloverTiming, IndexedBitOpsOnMemoryAndRegister) {
    // DD CB 05 06: RLC (IX+5)
    PrepareTiming();
    R.IX = 0x8000;
    BoardMemory[0x8005] = 0x81;
    Load(0x4000, {0xDD, 0xCB, 0x05, 0x06});
    EXPECT_EQ(Step(), 23);
    EXPECT_EQ(BoardMemory[0x8005], 0x03);
    EXPECT_TRUE(R.CY);
    // DD CB 05 00: RLC (IX+5) and a copy into B
    Load(0x4004, {0xDD, 0xCB, 0x05, 0x00});
    EXPECT_EQ(Step(), 23);
    EXPECT_EQ(BoardMemory[0x8005], 0x06);
    EXPECT_EQ(R.B, 0x06);
    EXPECT_FALSE(R.CY);
    // DD CB FE 8C: RES 1,(IX-2) and a copy into H (the real H)
    BoardMemory[0x7FFE] = 0xFF;
    R.HL = 0x0000;
    Load(0x4008, {0xDD, 0xCB, 0xFE, 0x8C});
    EXPECT_EQ(Step(), 23);
    EXPECT_EQ(BoardMemory[0x7FFE], 0xFD);
    EXPECT_EQ(R.HL, 0xFD00);
    EXPECT_EQ(R.IX, 0x8000);
}

TEST_F(PloverTiming, RepeatingBlockInstructions) {
    PrepareTiming();
    R.HL = 0x8000;
    R.DE = 0x9000;
    R.B = 0;
    R.C = 2;
    BoardMemory[0x8000] = 0x11;
    BoardMemory[0x8001] = 0x22;
    Load(0x4000, {0xED, 0xB0});  // LDIR
    EXPECT_EQ(Step(), 21);
    EXPECT_EQ(R.PC, 0x4000);
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(R.PC, 0x4002);
    EXPECT_EQ(BoardMemory[0x9000], 0x11);
    EXPECT_EQ(BoardMemory[0x9001], 0x22);
    EXPECT_EQ(R.RCounter, 4u);
}

// ---------------------------------------------------------------------------
// Flags beyond the documented rules
// ---------------------------------------------------------------------------

TEST_F(PloverFlags, BitKeepsF5AndF3) {
    Load(0x4000, {0xCB, 0x7F, 0xCB, 0x7F, 0xCB, 0x47});  // BIT 7,A; BIT 7,A; BIT 0,A
    R.PC = 0x4000;
    R.A = 0x80;
    SetF(0x00);
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(GetF(), 0x90);  // S, H
    SetF(0x29);               // F5, F3, CY
    Step();
    EXPECT_EQ(GetF(), 0xB9);  // S, F5, H, F3, CY
    Step();                   // bit 0 of 80h is 0
    EXPECT_EQ(GetF(), 0x7D);  // Z, F5, H, F3, PV, CY
    // BIT n,(HL) and BIT n,(IX+d) likewise
    R.HL = 0x8000;
    BoardMemory[0x8000] = 0x28;
    R.IX = 0x8000;
    SetF(0x00);
    Load(0x4006, {0xCB, 0x6E, 0xDD, 0xCB, 0x00, 0x5E});  // BIT 5,(HL); BIT 3,(IX+0)
    EXPECT_EQ(Step(), 12);
    EXPECT_EQ(GetF(), 0x10);
    EXPECT_EQ(Step(), 20);
    EXPECT_EQ(GetF(), 0x10);
}

TEST_F(PloverFlags, LdiKeepsF5AndF3LdirTakesThemFromTheByte) {
    R.HL = 0x8000;
    R.DE = 0x9000;
    R.B = 0;
    R.C = 2;
    BoardMemory[0x8000] = 0x28;
    BoardMemory[0x8001] = 0x28;
    R.A = 0x00;
    SetF(0xC1);  // S, Z, CY
    Load(0x4000, {0xED, 0xA0});  // LDI
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(GetF(), 0xC5);  // PV set (BC = 1), H and N clear, F5 and F3 still clear
    Load(0x4002, {0xED, 0xB0});  // LDIR, last pass
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(GetF(), 0xE9);  // F5 and F3 from 28h, PV clear (BC = 0)
    EXPECT_EQ(R.B | R.C, 0);
    // LDD keeps them too, set or clear
    SetF(0x28);
    R.C = 5;
    Load(0x4004, {0xED, 0xA8});
    Step();
    EXPECT_EQ(GetF(), 0x2C);
}

TEST_F(PloverFlags, BlockCompareTakesF5AndF3FromTheByte) {
    R.A = 0x30;
    R.HL = 0x8000;
    R.B = 0;
    R.C = 1;
    BoardMemory[0x8000] = 0x08;  // 30h - 08h = 28h: the difference has F5, F3; the byte only F3
    SetF(0x01);
    Load(0x4000, {0xED, 0xA1});  // CPI
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(GetF(), 0x1B);  // H (borrow), F3, N, CY kept; PV clear (BC = 0)
    EXPECT_EQ(R.HL, 0x8001);
}

TEST_F(PloverFlags, CompareTakesF5AndF3FromTheOperand) {
    R.A = 0x30;
    R.B = 0x08;
    Load(0x4000, {0xB8});  // CP B
    R.PC = 0x4000;
    Step();
    EXPECT_EQ(GetF(), 0x1A);  // H, F3 (from 08h), N
    EXPECT_EQ(R.A, 0x30);
    Load(0x4001, {0x90});  // SUB B: F5 and F3 from the result 28h
    Step();
    EXPECT_EQ(R.A, 0x28);
    EXPECT_EQ(GetF(), 0x3A);
}

TEST_F(PloverFlags, RldAndRrd) {
    R.A = 0x00;
    R.HL = 0x8000;
    BoardMemory[0x8000] = 0x03;
    Load(0x4000, {0xED, 0x6F, 0xED, 0x67});  // RLD; RRD
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 18);
    EXPECT_EQ(R.A, 0x00);
    EXPECT_EQ(BoardMemory[0x8000], 0x30);
    EXPECT_TRUE(R.Z);
    EXPECT_TRUE(R.PV);
    R.A = 0x84;
    EXPECT_EQ(Step(), 18);
    EXPECT_EQ(R.A, 0x80);
    EXPECT_EQ(BoardMemory[0x8000], 0x43);
    EXPECT_EQ(GetF(), 0x80);  // S; parity of 80h is odd
}

TEST_F(PloverFlags, XorAAndDaa) {
    R.A = 0x5A;
    SetF(0xFF);
    Load(0x4000, {0xAF,               // XOR A
                  0x3E, 0x15,         // LD A,15h
                  0xC6, 0x27,         // ADD A,27h
                  0x27,               // DAA -> 42h
                  0xD6, 0x15,         // SUB 15h
                  0x27,               // DAA -> 27h
                  0x3E, 0x99, 0xC6, 0x01, 0x27});  // 99h + 1, DAA -> 00h, CY
    R.PC = 0x4000;
    Step();
    EXPECT_EQ(R.A, 0);
    EXPECT_EQ(GetF(), 0x44);
    Step();
    Step();
    EXPECT_EQ(R.A, 0x3C);
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(R.A, 0x42);
    EXPECT_EQ(GetF(), 0x14);  // H (low-nibble carry), PV (even)
    Step();
    EXPECT_EQ(R.A, 0x2D);
    Step();
    EXPECT_EQ(R.A, 0x27);
    EXPECT_EQ(GetF(), 0x26);  // F5, PV, N; no low-nibble borrow (Dh - 6), so H clear
    Step();
    Step();
    Step();
    EXPECT_EQ(R.A, 0x00);
    EXPECT_EQ(GetF(), 0x55);  // Z, H, PV, CY
}

TEST_F(PloverFlags, SixteenBitArithmeticTakesF5AndF3FromTheHighByte) {
    R.HL = 0x1800;
    R.DE = 0x1000;
    SetF(0x00);
    Load(0x4000, {0x19,              // ADD HL,DE -> 2800h
                  0xED, 0x52});      // SBC HL,DE -> 1800h
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 11);
    EXPECT_EQ(R.HL, 0x2800);
    EXPECT_EQ(GetF(), 0x28);  // F5 (bit 13), F3 (bit 11); no carry from bit 11
    EXPECT_EQ(Step(), 15);
    EXPECT_EQ(R.HL, 0x1800);
    EXPECT_EQ(GetF(), 0x0A);  // F3 (bit 11), N
}

TEST_F(PloverFlags, SllAndUndocumentedIndexHalves) {
    R.B = 0x80;
    R.IX = 0x12FF;
    R.A = 0x01;
    Load(0x4000, {0xCB, 0x30,        // SLL B -> 01h, CY
                  0xDD, 0x2C,        // INC IXL -> 00h, Z, H
                  0xDD, 0x84,        // ADD A,IXH -> 13h
                  0xDD, 0x6F,        // LD IXL,A
                  0xDD, 0x66, 0x00}); // LD H,(IX+0): the real H
    R.PC = 0x4000;
    Step();
    EXPECT_EQ(R.B, 0x01);
    EXPECT_TRUE(R.CY);
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(R.IX, 0x1200);
    EXPECT_EQ(GetF(), 0x51);  // Z, H, CY kept
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(R.A, 0x13);
    Step();
    EXPECT_EQ(R.IX, 0x1213);
    BoardMemory[0x1213] = 0x77;
    R.HL = 0x0000;
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(R.HL, 0x7700);
    EXPECT_EQ(R.IX, 0x1213);
}

// ---------------------------------------------------------------------------
// Ports: only the low 8 bits, B ignored; block I/O order and flags
// ---------------------------------------------------------------------------

TEST_F(PloverPorts, PortAddressIsTheLowByte) {
    R.A = 0x12;
    R.B = 0x34;
    R.C = 0x92;
    Load(0x4000, {0xDB, 0x81,         // IN A,(81h)
                  0xD3, 0x90,         // OUT (90h),A
                  0xED, 0x50,         // IN D,(C)
                  0xED, 0x79,         // OUT (C),A
                  0xED, 0x71,         // OUT (C),0
                  0xED, 0x70});       // IN F,(C)
    R.PC = 0x4000;
    SetF(0x01);
    EXPECT_EQ(Step(), 11);
    EXPECT_EQ(R.A, 0x81 ^ 0x5A);
    EXPECT_EQ(GetF(), 0x01);  // IN A,(n) changes no flag
    EXPECT_EQ(Step(), 11);
    EXPECT_EQ(Step(), 12);
    EXPECT_EQ(R.DE >> 8, 0x92 ^ 0x5A);  // C8h
    EXPECT_EQ(GetF(), 0x89);  // S, F3, parity of C8h odd, CY kept
    EXPECT_EQ(Step(), 12);
    EXPECT_EQ(Step(), 12);
    const uint8_t a = R.A;
    const uint16_t de = R.DE;
    EXPECT_EQ(Step(), 12);
    EXPECT_EQ(R.A, a);
    EXPECT_EQ(R.DE, de);
    EXPECT_EQ(GetF(), 0x89);  // IN F,(C): flags only
    ASSERT_EQ(rec.portReads.size(), 3u);
    EXPECT_EQ(rec.portReads[0], 0x81);
    EXPECT_EQ(rec.portReads[1], 0x92);
    EXPECT_EQ(rec.portReads[2], 0x92);
    ASSERT_EQ(rec.portWrites.size(), 3u);
    EXPECT_EQ(rec.portWrites[0], std::make_pair(uint8_t{0x90}, uint8_t{0xDB}));
    EXPECT_EQ(rec.portWrites[1], std::make_pair(uint8_t{0x92}, uint8_t{0xDB}));
    EXPECT_EQ(rec.portWrites[2], std::make_pair(uint8_t{0x92}, uint8_t{0x00}));
}

TEST_F(PloverPorts, BlockInputAndOutput) {
    R.B = 2;
    R.C = 0x10;
    R.HL = 0x8000;
    SetF(0xA9);                      // S, F5, F3, CY: INI touches only Z and N
    Load(0x4000, {0xED, 0xA2});      // INI
    R.PC = 0x4000;
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(BoardMemory[0x8000], 0x10 ^ 0x5A);
    EXPECT_EQ(R.B, 1);
    EXPECT_EQ(rec.bAtAccess.back(), 2);  // B decremented after the read
    EXPECT_EQ(GetF(), 0xAB);         // N set, Z clear (B = 1)
    Load(0x4002, {0xED, 0xA3});      // OUTI
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(rec.bAtAccess.back(), 0);  // B decremented before the write
    EXPECT_EQ(rec.portWrites.back(), std::make_pair(uint8_t{0x10}, uint8_t{0x00}));
    EXPECT_EQ(GetF(), 0xEB);         // Z set (B = 0), N
    EXPECT_EQ(R.HL, 0x8002);

    // INIR sets Z on every pass, and repeats at 21 T-states until B is 0
    R.B = 2;
    SetF(0x00);
    Load(0x4004, {0xED, 0xB2});
    EXPECT_EQ(Step(), 21);
    EXPECT_EQ(R.PC, 0x4004);
    EXPECT_EQ(GetF(), 0x42);
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(R.PC, 0x4006);
    EXPECT_EQ(GetF(), 0x42);
    // OTDR likewise, moving HL down
    R.B = 2;
    SetF(0x00);
    R.HL = 0x8001;
    Load(0x4006, {0xED, 0xBB});
    EXPECT_EQ(Step(), 21);
    EXPECT_EQ(GetF(), 0x42);
    EXPECT_EQ(Step(), 16);
    EXPECT_EQ(R.HL, 0x7FFF);
}

// ---------------------------------------------------------------------------
// Text output
// ---------------------------------------------------------------------------

TEST_F(PloverText, HexText) {
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(HexText(0xA), "A");
    EXPECT_EQ(HexText(0x0ABC), "ABC");
    EXPECT_EQ(HexText(0x1000), "1000");
    EXPECT_EQ(HexText(0xFFFF), "FFFF");
    EXPECT_EQ(HexText(0xFFFFFFFFu), "FFFFFFFF");
}

TEST_F(PloverText, DebugLineMovesTheCursorAndWrapsAtTheLastRow) {
    TextForeground = 3;
    TextBackground = 0;
    LocateText(70, 12);
    DebugLine("uno", false);
    DebugLine("dos", false);
    DebugLine("tres", true);
    ASSERT_EQ(rec.text.size(), 3u);
    EXPECT_EQ(rec.text[0].row, 70);
    EXPECT_EQ(rec.text[0].column, 12);
    EXPECT_EQ(rec.text[1].row, 71);
    EXPECT_EQ(rec.text[1].column, 1);
    EXPECT_EQ(rec.text[2].row, 1);  // back to the top after the last row
    EXPECT_EQ(rec.text[2].fore, 3);
    EXPECT_EQ(rec.text[2].back, 0);
    EXPECT_EQ(rec.presents, 3);
    EXPECT_EQ(rec.waits, 1);
    EXPECT_EQ(TextRow, 2);
}

TEST_F(PloverText, NoTraceLinesAtLevelZero) {
    static_assert(DebugLevel == 0, "this test binary links the delivered core");
    Load(0x4000, {0x32, 0x00, 0x50, 0x2A, 0x00, 0x50});  // LD (5000h),A; LD HL,(5000h)
    R.PC = 0x4000;
    Step();
    Step();
    EXPECT_TRUE(rec.text.empty());
    EXPECT_EQ(rec.presents, 0);
}

}  // namespace
