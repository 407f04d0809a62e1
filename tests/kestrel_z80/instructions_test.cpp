// Instruction rules of the core that the exercisers leave out or that depart
// from the real processor, with values worked by hand.
#include <gtest/gtest.h>

#include <vector>

#include "core_test_support.h"
#include "kestrel/z80/execute_impl.h"

namespace kestrel::test {
namespace {

using namespace kestrel::flag;

// Hooks that log every fetched byte and every port byte; ports answer with
// their low address byte XOR 0xA5 so a wrong port shows.
struct LoggingHooks {
    std::vector<uint8_t> fetched;
    struct PortCall {
        uint8_t read, write, lo, hi, data;
    };
    std::vector<PortCall> ports;
    void Fetched(uint8_t b) { fetched.push_back(b); }
    void Port(Processor& m, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi) {
        if (read) m.IoData = static_cast<uint8_t>(lo ^ 0xA5);
        ports.push_back({read, write, lo, hi, m.IoData});
    }
};

class KestrelZ80Instructions : public CoreTest {
protected:
    unsigned StepLogged(LoggingHooks& h) {
        cpu().TStates = 0;
        ExecuteWith(*m, h);
        return cpu().TStates;
    }
};

TEST_F(KestrelZ80Instructions, FetchHookSeesEveryByteInMemoryOrder) {
    Program(0x1800, {0xDD, 0xCB, 0x05, 0x10,   // RL (IX+5),B
                     0xFD, 0x36, 0x02, 0x99,   // LD (IY+2),0x99
                     0xDD, 0xFD, 0x21, 0x34, 0x12,  // LD IX,0x1234
                     0x76});                   // HALT
    cpu().IX = cpu().IY = 0x1900;
    LoggingHooks h;
    StepLogged(h);
    EXPECT_EQ(h.fetched, (std::vector<uint8_t>{0xDD, 0xCB, 0x05, 0x10}));
    h.fetched.clear();
    StepLogged(h);
    EXPECT_EQ(h.fetched, (std::vector<uint8_t>{0xFD, 0x36, 0x02, 0x99}));
    h.fetched.clear();
    StepLogged(h);
    EXPECT_EQ(h.fetched, (std::vector<uint8_t>{0xDD, 0xFD, 0x21, 0x34, 0x12}));
    EXPECT_EQ(cpu().IX, 0x1234);
    h.fetched.clear();
    StepLogged(h);
    StepLogged(h);
    EXPECT_EQ(h.fetched, (std::vector<uint8_t>{0x76, 0x76}));
}

TEST_F(KestrelZ80Instructions, InputLeavesFlagsAndPassesTheRightPortAddress) {
    Program(0x1800, {0xDB, 0x42,               // IN A,(0x42)
                     0xED, 0x50,               // IN D,(C)
                     0xED, 0x70,               // IN (C)
                     0xD3, 0x17,               // OUT (0x17),A
                     0xED, 0x71,               // OUT (C),0
                     0xED, 0xA3});             // OUTI
    cpu().A = 0x80;
    SetBC(cpu(), 0x2133);
    SetHL(cpu(), 0x1900);
    Poke(0x1900, {0x5C});
    cpu().F = S | C;
    LoggingHooks h;
    StepLogged(h);
    EXPECT_EQ(cpu().A, 0x42 ^ 0xA5);
    EXPECT_EQ(cpu().F, S | C);
    StepLogged(h);
    EXPECT_EQ(cpu().D, 0x33 ^ 0xA5);
    EXPECT_EQ(cpu().F, S | C);
    const uint8_t before = cpu().A;
    StepLogged(h);                             // IN (C): stores nothing
    EXPECT_EQ(cpu().A, before);
    EXPECT_EQ(cpu().F, S | C);
    StepLogged(h);
    StepLogged(h);                             // OUT (C),0 sends IoData as it is
    StepLogged(h);
    ASSERT_EQ(h.ports.size(), 6u);
    // IN A,(n): low n, high A before the input.
    EXPECT_EQ(h.ports[0].lo, 0x42);
    EXPECT_EQ(h.ports[0].hi, 0x80);
    EXPECT_EQ(h.ports[0].read, 1);
    EXPECT_EQ(h.ports[0].write, 0);
    EXPECT_EQ(h.ports[1].lo, 0x33);
    EXPECT_EQ(h.ports[1].hi, 0x21);
    // OUT (n),A: low n, high A.
    EXPECT_EQ(h.ports[3].lo, 0x17);
    EXPECT_EQ(h.ports[3].hi, 0x42 ^ 0xA5);
    EXPECT_EQ(h.ports[3].data, 0x42 ^ 0xA5);
    EXPECT_EQ(h.ports[3].write, 1);
    EXPECT_EQ(h.ports[4].data, 0x42 ^ 0xA5);   // the byte of the previous transfer
    // OUTI: high byte is B after its decrement.
    EXPECT_EQ(h.ports[5].hi, 0x20);
    EXPECT_EQ(h.ports[5].data, 0x5C);
}

TEST_F(KestrelZ80Instructions, InFromAnEmptyPortReturnsThePreviousTransfer) {
    Program(0x1800, {0xD3, 0x41,               // OUT (0x41),A  (empty block)
                     0xDB, 0x80});             // IN A,(0x80)   (empty block)
    cpu().A = 0x5A;
    cpu().F = Z;
    Step();
    cpu().A = 0;
    Step();
    EXPECT_EQ(cpu().A, 0x5A);
    EXPECT_EQ(cpu().F, Z);
}

TEST_F(KestrelZ80Instructions, NegDaaScfCcf) {
    Program(0x1800, {0xED, 0x44});             // NEG
    cpu().A = 0x80;
    Step();
    EXPECT_EQ(cpu().A, 0x80);
    EXPECT_EQ(cpu().F, S | PV | N | C);
    Program(0x1800, {0xED, 0x44});
    cpu().A = 0x00;
    Step();
    EXPECT_EQ(cpu().A, 0x00);
    EXPECT_EQ(cpu().F, Z | N);

    Program(0x1800, {0xC6, 0x99,               // ADD A,0x99
                     0x27});                   // DAA
    cpu().A = 0x01;
    Step();
    EXPECT_EQ(cpu().A, 0x9A);
    EXPECT_EQ(cpu().F, S | F3);                // 0x9A: S, bit 3
    Step();
    EXPECT_EQ(cpu().A, 0x00);
    EXPECT_EQ(cpu().F, Z | H | PV | C);

    Program(0x1800, {0xD6, 0x08,               // SUB 8      0x15 - 8 = 0x0D, H
                     0x27});                   // DAA        -> 0x07
    cpu().A = 0x15;
    Step();
    Step();
    EXPECT_EQ(cpu().A, 0x07);
    EXPECT_EQ(cpu().F, N);

    Program(0x1800, {0x37,                     // SCF
                     0x3F});                   // CCF
    cpu().A = 0x28;
    cpu().F = S | Z | PV | H | N;
    Step();
    EXPECT_EQ(cpu().F, S | Z | PV | F5 | F3 | C);
    cpu().A = 0x00;
    Step();
    EXPECT_EQ(cpu().F, S | Z | PV | H);        // bits 5 and 3 follow A, not F
}

TEST_F(KestrelZ80Instructions, LdAIAndLdARCopyIffIntoPv) {
    Program(0x1800, {0xED, 0x57,               // LD A,I
                     0xED, 0x57});
    cpu().I = 0x00;
    cpu().IFF = PV;
    cpu().F = C;
    Step();
    EXPECT_EQ(cpu().F, Z | PV | C);
    cpu().IFF = 0;
    cpu().I = 0x88;
    Step();
    EXPECT_EQ(cpu().A, 0x88);
    EXPECT_EQ(cpu().F, S | F3 | C);
}

TEST_F(KestrelZ80Instructions, InterruptModesAndReturns) {
    // IM by y: 0,4 -> 0; 2,6 -> 1; 3,7 -> 2; 1,5 leave the mode.
    const uint8_t ops[8] = {0x46, 0x4E, 0x56, 0x5E, 0x66, 0x6E, 0x76, 0x7E};
    const uint8_t start[8] = {2, 2, 0, 0, 1, 1, 0, 0};
    const uint8_t want[8] = {0, 2, 1, 2, 0, 1, 1, 2};
    for (int i = 0; i < 8; ++i) {
        Program(0x1800, {0xED, ops[i]});
        cpu().IM = start[i];
        EXPECT_EQ(Step(), 8u);
        EXPECT_EQ(cpu().IM, want[i]) << "ED " << std::hex << int(ops[i]);
    }
    // RETN and RETI enable interrupts whatever IFF was.
    for (uint8_t op : {uint8_t{0x45}, uint8_t{0x4D}, uint8_t{0x7D}}) {
        Program(0x1800, {0xED, op});
        cpu().SP = 0x1F00;
        Poke(0x1F00, {0x34, 0x12});
        cpu().IFF = 0;
        EXPECT_EQ(Step(), 14u);
        EXPECT_EQ(cpu().PC, 0x1234);
        EXPECT_EQ(cpu().IFF, PV);
    }
}

TEST_F(KestrelZ80Instructions, BlockTransfers) {
    // LDIR with BC = 1: one byte, 21 T-states, P/V clear.
    Poke(0x1900, {0xAB});
    Program(0x1800, {0xED, 0xB0});
    SetHL(cpu(), 0x1900);
    SetDE(cpu(), 0x1A00);
    SetBC(cpu(), 1);
    cpu().F = PV | S;
    EXPECT_EQ(Step(), 21u);
    EXPECT_EQ(Peek(0x1A00), 0xAB);
    EXPECT_EQ(cpu().F & PV, 0);
    EXPECT_EQ(cpu().F & S, S);
    EXPECT_EQ(cpu().PC, 0x1802);

    // LDIR into ROM: nothing copied, every iteration charged, pointers move.
    Program(0x1800, {0xED, 0xB0});
    SetHL(cpu(), 0x1900);
    SetDE(cpu(), 0x0100);
    SetBC(cpu(), 5);
    cpu().R = 0;
    EXPECT_EQ(Step(), 105u);
    EXPECT_EQ(Peek(0x0100), 0xFF);
    EXPECT_EQ(GetBC(cpu()), 0);
    EXPECT_EQ(GetHL(cpu()), 0x1905);
    EXPECT_EQ(GetDE(cpu()), 0x0105);
    EXPECT_EQ(cpu().R, 2 + 2 * (5 - 1));       // two fetches plus 2 x (C on entry - 1)

    // LDDR copies downwards.
    Poke(0x1900, {0x01, 0x02, 0x03});
    Program(0x1800, {0xED, 0xB8});
    SetHL(cpu(), 0x1902);
    SetDE(cpu(), 0x1A12);
    SetBC(cpu(), 3);
    Step();
    EXPECT_EQ(Peek(0x1A10), 0x01);
    EXPECT_EQ(Peek(0x1A12), 0x03);
    EXPECT_EQ(GetDE(cpu()), 0x1A0F);

    // CPIR finding A at the first byte: one comparison.
    Poke(0x1900, {0x42, 0x42});
    Program(0x1800, {0xED, 0xB1});
    SetHL(cpu(), 0x1900);
    SetBC(cpu(), 4);
    cpu().A = 0x42;
    EXPECT_EQ(Step(), 21u);
    EXPECT_EQ(cpu().F & (Z | PV | N), Z | PV | N);
    EXPECT_EQ(GetBC(cpu()), 3);
    EXPECT_EQ(GetHL(cpu()), 0x1901);
}

TEST_F(KestrelZ80Instructions, InputBlocksCountTheirTransfers) {
    // INDR with B = 2: two inputs, B = 0, Z set.
    Program(0x1800, {0xED, 0xBA});
    SetBC(cpu(), 0x0290);
    SetHL(cpu(), 0x1A00);
    LoggingHooks h;
    EXPECT_EQ(StepLogged(h), 42u);
    EXPECT_EQ(h.ports.size(), 2u);
    EXPECT_EQ(cpu().B, 0);
    EXPECT_EQ(cpu().F & Z, Z);
    EXPECT_EQ(Peek(0x1A00), 0x90 ^ 0xA5);
    EXPECT_EQ(Peek(0x19FF), 0x90 ^ 0xA5);
    EXPECT_EQ(GetHL(cpu()), 0x19FE);
    // B = 0 on entry: 256 inputs.
    Program(0x1800, {0xED, 0xBA});
    SetBC(cpu(), 0x0090);
    SetHL(cpu(), 0x1C00);
    h.ports.clear();
    StepLogged(h);
    EXPECT_EQ(h.ports.size(), 256u);
    EXPECT_EQ(h.ports[0].hi, 0x00);
    EXPECT_EQ(h.ports[1].hi, 0xFF);
    EXPECT_EQ(cpu().TStates, static_cast<uint16_t>(256 * 21));
}

TEST_F(KestrelZ80Instructions, RepeatedIoBlocksCountTwoRefreshesPerTransfer) {
    // Each further transfer fetches ED xx again, as LDIR does: R += 2 per transfer.
    for (uint8_t op : {0xB2, 0xBA, 0xB3, 0xBB}) {  // INIR INDR OTIR OTDR
        Program(0x1800, {0xED, op});
        SetBC(cpu(), 0x0390);
        SetHL(cpu(), 0x1A10);
        cpu().R = 0x7C;
        LoggingHooks h;
        EXPECT_EQ(StepLogged(h), 3 * 21u) << std::hex << int{op};
        EXPECT_EQ(cpu().R, 0x7C + 2 * 3) << std::hex << int{op};
    }
    // B = 0: 256 transfers, 512 counts: R wraps back to where it was.
    Program(0x1800, {0xED, 0xB2});
    SetBC(cpu(), 0x0090);
    SetHL(cpu(), 0x1C00);
    cpu().R = 0x15;
    LoggingHooks h;
    StepLogged(h);
    EXPECT_EQ(cpu().R, 0x15);
}

TEST_F(KestrelZ80Instructions, IniFlagsFromInputAndCount) {
    // INI: input 0x90 ^ 0xA5 = 0x35 from port 0x90; k = 0x35 + 0x90 + 1 = 0xC6.
    Program(0x1800, {0xED, 0xA2});
    SetBC(cpu(), 0x0190);
    SetHL(cpu(), 0x1A00);
    LoggingHooks h;
    StepLogged(h);
    // B = 0: Z; N = bit 7 of 0x35 = 0; k <= 255: H, C clear; P/V = parity((0xC6 & 7) ^ 0) = parity(6) even.
    EXPECT_EQ(cpu().F, Z | PV);
    // OUTI: out 0x80, L after the step = 0x01: k = 0x81; B 1 -> 0.
    Poke(0x1A00, {0x80});
    Program(0x1800, {0xED, 0xA3});
    SetBC(cpu(), 0x0190);
    SetHL(cpu(), 0x1A00);
    StepLogged(h);
    EXPECT_EQ(cpu().F, Z | N);                 // parity(1 ^ 0) odd
    // k above 255 sets H and C.
    Poke(0x1A00, {0xFF});
    Program(0x1800, {0xED, 0xA3});
    SetBC(cpu(), 0x0390);
    SetHL(cpu(), 0x1AFF);
    StepLogged(h);                             // k = 0xFF + 0x00 = 0xFF: no carry
    EXPECT_EQ(cpu().F & (H | C), 0);
    // k = 0xFF + 0x01 = 0x100 (L after the step is 0x01) sets both.
    Program(0x1800, {0xED, 0xA3});
    SetHL(cpu(), 0x1A00);
    Poke(0x1A00, {0xFF});
    StepLogged(h);
    EXPECT_EQ(cpu().F & (H | C), H | C);
}

TEST_F(KestrelZ80Instructions, RldRrd) {
    Poke(0x1900, {0x34});
    Program(0x1800, {0xED, 0x6F,               // RLD
                     0xED, 0x67});             // RRD
    SetHL(cpu(), 0x1900);
    cpu().A = 0x12;
    cpu().F = C;
    EXPECT_EQ(Step(), 18u);
    EXPECT_EQ(cpu().A, 0x13);
    EXPECT_EQ(Peek(0x1900), 0x42);
    EXPECT_EQ(cpu().F, C);                     // 0x13: odd parity, no S/Z/5/3
    Step();
    EXPECT_EQ(cpu().A, 0x12);
    EXPECT_EQ(Peek(0x1900), 0x34);
    EXPECT_EQ(cpu().F, PV | C);
}

TEST_F(KestrelZ80Instructions, BitFlags) {
    Program(0x1800, {0xCB, 0x7F});             // BIT 7,A
    cpu().A = 0x80;
    cpu().F = C;
    Step();
    EXPECT_EQ(cpu().F, S | H | C);
    Program(0x1800, {0xCB, 0x6F});             // BIT 5,A
    cpu().A = 0x20;
    Step();
    EXPECT_EQ(cpu().F, F5 | H | C);
    Program(0x1800, {0xCB, 0x47});             // BIT 0,A
    cpu().A = 0x00;
    Step();
    EXPECT_EQ(cpu().F, Z | PV | H | C);
    Program(0x1800, {0xCB, 0x47});             // BIT 0,A with bits 5 and 3 set elsewhere
    cpu().A = 0x29;
    cpu().F = 0;
    Step();
    EXPECT_EQ(cpu().F, H);                     // S, 5 and 3 only from (A AND mask)

    // BIT 3,(HL): bits 5 and 3 from MEMPTR's high byte.
    Program(0x1800, {0x3A, 0x30, 0x28,         // LD A,(0x2830)  MEMPTR = 0x2831
                     0xCB, 0x5E});             // BIT 3,(HL)
    SetHL(cpu(), 0x1900);
    Poke(0x1900, {0x08});
    cpu().F = 0;
    Step();
    EXPECT_EQ(Step(), 12u);
    EXPECT_EQ(cpu().F, F5 | F3 | H);
    EXPECT_EQ(cpu().MEMPTR, 0x2831);           // unchanged by BIT
    Program(0x1800, {0xCB, 0x7E});             // BIT 7,(HL) of 0x80
    Poke(0x1900, {0x80});
    cpu().MEMPTR = 0x0000;
    Step();
    EXPECT_EQ(cpu().F, S | H);
}

TEST_F(KestrelZ80Instructions, ShiftsAndIndexedBitPage) {
    Program(0x1800, {0xCB, 0x30});             // SLL B
    cpu().B = 0x80;
    Step();
    EXPECT_EQ(cpu().B, 0x01);
    EXPECT_EQ(cpu().F, C);

    // RL (IX+5) with the copy into B, in RAM ...
    Program(0x1800, {0xDD, 0xCB, 0x05, 0x10});
    cpu().IX = 0x1900;
    Poke(0x1905, {0x81});
    cpu().F = 0;
    EXPECT_EQ(Step(), 23u);
    EXPECT_EQ(Peek(0x1905), 0x02);
    EXPECT_EQ(cpu().B, 0x02);
    EXPECT_EQ(cpu().F, C);
    EXPECT_EQ(cpu().MEMPTR, 0x1905);
    // ... and in ROM: only B changes.
    Program(0x1800, {0xDD, 0xCB, 0x05, 0x10});
    cpu().IX = 0x0100;
    Poke(0x0105, {0x81});
    Step();
    EXPECT_EQ(Peek(0x0105), 0x81);
    EXPECT_EQ(cpu().B, 0x03);                  // 0x81 rotated left through C = 1

    // SET 0,(IY-1) with the copy into the real H.
    Program(0x1800, {0xFD, 0xCB, 0xFF, 0xC4});
    cpu().IY = 0x1901;
    cpu().H = 0x00;
    Poke(0x1900, {0x10});
    Step();
    EXPECT_EQ(Peek(0x1900), 0x11);
    EXPECT_EQ(cpu().H, 0x11);
    EXPECT_EQ(cpu().IY, 0x1901);

    // BIT 0,(IX+d): bits 5 and 3 from the high byte of IX + d.
    Program(0x1800, {0xDD, 0xCB, 0x00, 0x46});
    cpu().IX = 0x2800;
    Step();
    EXPECT_EQ(cpu().F & (F5 | F3), F5 | F3);
}

TEST_F(KestrelZ80Instructions, IndexHalvesAndRealHL) {
    Program(0x1800, {0xDD, 0x66, 0x02,         // LD H,(IX+2)
                     0xDD, 0x60,               // LD IXH,B
                     0xFD, 0x6C,               // LD IYL,IYH
                     0xDD, 0xEB});             // EX DE,HL (never IX)
    cpu().IX = 0x1900;
    cpu().IY = 0xABCD;
    Poke(0x1902, {0x77});
    cpu().L = 0x55;
    cpu().B = 0x3C;
    SetDE(cpu(), 0x1111);
    Step();
    EXPECT_EQ(cpu().H, 0x77);
    EXPECT_EQ(cpu().IX, 0x1900);
    Step();
    EXPECT_EQ(cpu().IX, 0x3C00);
    Step();
    EXPECT_EQ(cpu().IY, 0xABAB);
    Step();
    EXPECT_EQ(GetDE(cpu()), 0x7755);
    EXPECT_EQ(GetHL(cpu()), 0x1111);
    EXPECT_EQ(cpu().IX, 0x3C00);

    // (IX+d) wraps modulo 65,536.
    Program(0x1800, {0xDD, 0x7E, 0x20});       // LD A,(IX+0x20)
    cpu().IX = 0xFFF0;
    Poke(0x0010, {0x5E});
    Step();
    EXPECT_EQ(cpu().A, 0x5E);
    EXPECT_EQ(cpu().MEMPTR, 0x0010);
}

TEST_F(KestrelZ80Instructions, PrefixSequences) {
    // DD 21 nn nn: LD IX in one call of 14.
    Program(0x1800, {0xDD, 0x21, 0x34, 0x12});
    EXPECT_EQ(Step(), 14u);
    EXPECT_EQ(cpu().IX, 0x1234);
    // DD DD 21 nn nn: a call of 0 for the doubled prefix, then LD HL in 10.
    Program(0x1800, {0xDD, 0xDD, 0x21, 0x78, 0x56});
    cpu().R = 0;
    EXPECT_EQ(Step(), 0u);
    EXPECT_EQ(cpu().PC, 0x1802);
    EXPECT_EQ(cpu().R, 2);
    EXPECT_EQ(Step(), 10u);
    EXPECT_EQ(GetHL(cpu()), 0x5678);
    EXPECT_EQ(cpu().IX, 0x1234);
    // DD FD 21 nn nn loads IX.
    Program(0x1800, {0xDD, 0xFD, 0x21, 0xBC, 0x9A});
    EXPECT_EQ(Step(), 14u);
    EXPECT_EQ(cpu().IX, 0x9ABC);
    EXPECT_TRUE(cpu().PrefixIX);
    EXPECT_TRUE(cpu().PrefixIY);
    // FD DD 21: the DD is consumed with the FD.
    Program(0x1800, {0xFD, 0xDD, 0x21, 0x00, 0x00});
    EXPECT_EQ(Step(), 0u);
    EXPECT_EQ(cpu().PC, 0x1802);
    // DD ED 44 executes NEG.
    Program(0x1800, {0xDD, 0xED, 0x44});
    cpu().A = 1;
    EXPECT_EQ(Step(), 8u);
    EXPECT_EQ(cpu().A, 0xFF);
}

TEST_F(KestrelZ80Instructions, UndefinedEdOpcodes) {
    for (uint8_t op : {uint8_t{0x00}, uint8_t{0x3F}, uint8_t{0x80}, uint8_t{0x9B}, uint8_t{0xA4},
                       uint8_t{0xBF}, uint8_t{0xC0}, uint8_t{0xFF}}) {
        Program(0x1800, {0xED, op});
        cpu().R = 0;
        cpu().A = 0x12;
        cpu().F = 0x34;
        EXPECT_EQ(Step(), 0u);
        EXPECT_EQ(cpu().PC, 0x1802);
        EXPECT_EQ(cpu().R, 2);
        EXPECT_EQ(cpu().A, 0x12);
        EXPECT_EQ(cpu().F, 0x34);
    }
    Program(0x1800, {0xED, 0x77});
    EXPECT_EQ(Step(), 4u);
    EXPECT_EQ(cpu().PC, 0x1802);
}

TEST_F(KestrelZ80Instructions, JumpsAndConditions) {
    Program(0x1800, {0xC2, 0x00, 0x19});       // JP NZ,0x1900 with Z set
    cpu().F = Z;
    EXPECT_EQ(Step(), 10u);
    EXPECT_EQ(cpu().PC, 0x1803);
    EXPECT_EQ(cpu().MEMPTR, 0x1900);
    // ConditionTest over all eight codes.
    m->Cpu.F = Z | PV;
    const bool want[8] = {false, true, true, false, false, true, true, false};
    for (uint8_t cc = 0; cc < 8; ++cc) EXPECT_EQ(ConditionTest(*m, cc), want[cc]) << int(cc);
}

TEST_F(KestrelZ80Instructions, HaltRepeatsUntilLeft) {
    Program(0x1800, {0x76});
    cpu().R = 0;
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(Step(), 4u);
        EXPECT_EQ(cpu().PC, 0x1800);
        EXPECT_TRUE(cpu().Halted);
        EXPECT_EQ(cpu().R, i);
    }
    // FD 76 halts with PC on the 76 byte; later calls run a plain HALT.
    Program(0x1800, {0xFD, 0x76});
    cpu().Halted = false;
    EXPECT_EQ(Step(), 4u);
    EXPECT_EQ(cpu().PC, 0x1801);
    EXPECT_EQ(Step(), 4u);
    EXPECT_EQ(cpu().PC, 0x1801);
}

TEST_F(KestrelZ80Instructions, TStatesWrapModulo65536) {
    for (unsigned a = 0x1800; a < 0x1FFF; ++a) m->MemoryImage[a] = 0x00;
    Program(0x1800, {0x00});
    cpu().TStates = 0;
    for (int i = 0; i < 16385; ++i) {
        ExecuteInstruction(*m);
        if (cpu().PC >= 0x1FF0) cpu().PC = 0x1800;
    }
    EXPECT_EQ(cpu().TStates, 4u);              // 65,540 modulo 65,536
}

}  // namespace
}  // namespace kestrel::test
