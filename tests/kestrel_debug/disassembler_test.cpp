// The disassembler against hand-worked texts, in both number bases.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {
namespace {

struct Listed {
    std::string Address, Bytes, Text;
    uint16_t Next;
};

class DisassemblerTest : public ::testing::Test {
protected:
    void SetUp() override {
        FillMnemonicTables();
        m = std::make_unique<MachineRecord>();
    }
    Listed At(uint16_t address, std::vector<uint8_t> bytes, uint8_t base = kBaseHex) {
        for (size_t i = 0; i < bytes.size(); ++i)
            m->MemoryImage[static_cast<uint16_t>(address + i)] = bytes[i];
        m->NumberBase = base;
        uint16_t next = DisassembleInstruction(*m, address);
        return {m->AddressText, m->ByteText, m->InstructionText, next};
    }
    std::string Hex(std::vector<uint8_t> bytes) { return At(0x4000, bytes, kBaseHex).Text; }
    std::string Dec(std::vector<uint8_t> bytes) { return At(0x4000, bytes, kBaseDecimal).Text; }
    int Length(std::vector<uint8_t> bytes) { return At(0x4000, bytes).Next - 0x4000; }
    std::unique_ptr<MachineRecord> m;
};

TEST_F(DisassemblerTest, NumberTextsInBothBases) {
    EXPECT_EQ(NumberText(0x05, NumberWidth::Byte, kBaseHex), "05h");
    EXPECT_EQ(NumberText(0xFF, NumberWidth::Byte, kBaseHex), "FFh");
    EXPECT_EQ(NumberText(0x05, NumberWidth::Byte, kBaseDecimal), "005");
    EXPECT_EQ(NumberText(255, NumberWidth::Byte, kBaseDecimal), "255");
    EXPECT_EQ(NumberText(0x1234, NumberWidth::Word, kBaseHex), "1234h");
    EXPECT_EQ(NumberText(0xABCD, NumberWidth::Word, kBaseHex), "ABCDh");
    EXPECT_EQ(NumberText(0x1234, NumberWidth::Word, kBaseDecimal), "04660");
    EXPECT_EQ(NumberText(65535, NumberWidth::Word, kBaseDecimal), "65535");
    EXPECT_EQ(NumberText(0, NumberWidth::Word, kBaseDecimal), "00000");
}

TEST_F(DisassemblerTest, LoadImmediateAtZero) {
    Listed dec = At(0x0000, {0x3E, 0x05}, kBaseDecimal);
    EXPECT_EQ(dec.Address, "00000 0000  ");
    EXPECT_EQ(dec.Bytes, "3E05");
    EXPECT_EQ(dec.Text, "LD A,005");
    EXPECT_EQ(dec.Next, 0x0002);
    Listed hex = At(0x0000, {0x3E, 0x05}, kBaseHex);
    EXPECT_EQ(hex.Address, "00000 0000  ");
    EXPECT_EQ(hex.Text, "LD A,05h");
    EXPECT_EQ(At(0x1800, {0x00}).Address, "06144 1800  ");
    EXPECT_EQ(At(0xFFFF, {0x00}).Address, "65535 FFFF  ");
}

TEST_F(DisassemblerTest, RelativeJumpTargets) {
    EXPECT_EQ(At(0x1000, {0x18, 0xFE}, kBaseDecimal).Text, "JR 04096");
    EXPECT_EQ(At(0x1000, {0x18, 0xFE}, kBaseHex).Text, "JR 1000h");
    EXPECT_EQ(At(0x0000, {0x20, 0x80}, kBaseHex).Text, "JR NZ,FF82h");
    EXPECT_EQ(At(0x0000, {0x20, 0x80}, kBaseDecimal).Text, "JR NZ,65410");
    EXPECT_EQ(At(0x0100, {0x10, 0x10}).Text, "DJNZ 0112h");
    EXPECT_EQ(At(0x0100, {0x38, 0x7F}).Text, "JR C,0181h");
    EXPECT_EQ(At(0xFFF0, {0x18, 0x20}).Text, "JR 0012h");
    // A prefix in front moves the target by its byte.
    EXPECT_EQ(At(0x0100, {0xDD, 0x18, 0x00}).Text, "JR 0103h");
}

TEST_F(DisassemblerTest, IndexedLoadOfImmediate) {
    Listed dec = At(0x4000, {0xDD, 0x36, 0xFE, 0x7F}, kBaseDecimal);
    EXPECT_EQ(dec.Text, "LD (IX-002),127");
    EXPECT_EQ(dec.Bytes, "DD36FE7F");
    EXPECT_EQ(dec.Next, 0x4004);
    EXPECT_EQ(Hex({0xDD, 0x36, 0xFE, 0x7F}), "LD (IX-02h),7Fh");
    EXPECT_EQ(Hex({0xFD, 0x36, 0x80, 0x00}), "LD (IY-80h),00h");
    EXPECT_EQ(Dec({0xFD, 0x36, 0x80, 0x00}), "LD (IY-128),000");
    EXPECT_EQ(Dec({0xFD, 0x7E, 0x7F}), "LD A,(IY+127)");
}

TEST_F(DisassemblerTest, IndexedBitPage) {
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {{0xDD, 0xCB, 0x05, 0xC6}, "SET 0,(IX+05h)"},
        {{0xDD, 0xCB, 0x05, 0xC0}, "SET 0,(IX+05h),B"},
        {{0xDD, 0xCB, 0x05, 0x06}, "RLC (IX+05h)"},
        {{0xDD, 0xCB, 0x05, 0x00}, "RLC (IX+05h),B"},
        {{0xFD, 0xCB, 0xFF, 0x7E}, "BIT 7,(IY-01h)"},
        {{0xFD, 0xCB, 0xFF, 0x78}, "BIT 7,(IY-01h)"},
        {{0xFD, 0xCB, 0xFE, 0x87}, "RES 0,(IY-02h),A"},
        {{0xDD, 0xCB, 0x05, 0x36}, "SLL (IX+05h)"},
        {{0xDD, 0xCB, 0x05, 0x3D}, "SRL (IX+05h),L"},
    };
    for (const auto& [bytes, text] : cases) {
        m->Cpu = Z80State{};
        m->Cpu.A = 0x12;
        m->Cpu.PC = 0x3333;
        m->Cpu.R = 0x44;
        Listed l = At(0x4000, bytes, kBaseHex);
        EXPECT_EQ(l.Text, text);
        EXPECT_EQ(l.Next, 0x4004);
        // Disassembly leaves the processor alone.
        EXPECT_EQ(m->Cpu.A, 0x12);
        EXPECT_EQ(m->Cpu.PC, 0x3333);
        EXPECT_EQ(m->Cpu.R, 0x44);
    }
    EXPECT_EQ(At(0x4000, {0xDD, 0xCB, 0x05, 0x46}).Bytes, "DDCB0546");
    EXPECT_EQ(Dec({0xDD, 0xCB, 0x05, 0xC0}), "SET 0,(IX+005),B");
}

TEST_F(DisassemblerTest, PrefixOnlyWhereHLIsNamed) {
    EXPECT_EQ(Hex({0xDD, 0x01, 0x34, 0x12}), "LD BC,1234h");
    EXPECT_EQ(Hex({0xDD, 0x21, 0x34, 0x12}), "LD IX,1234h");
    EXPECT_EQ(Hex({0xDD, 0xE5}), "PUSH IX");
    EXPECT_EQ(Hex({0xDD, 0xC5}), "PUSH BC");
    EXPECT_EQ(Hex({0xDD, 0x23}), "INC IX");
    EXPECT_EQ(Hex({0xDD, 0x03}), "INC BC");
    EXPECT_EQ(Hex({0xDD, 0x66, 0x05}), "LD H,(IX+05h)");
    EXPECT_EQ(Hex({0xDD, 0x74, 0x05}), "LD (IX+05h),H");
    EXPECT_EQ(Hex({0xDD, 0x64}), "LD IXh,IXh");
    EXPECT_EQ(Hex({0xDD, 0x65}), "LD IXh,IXl");
    EXPECT_EQ(Hex({0xFD, 0x45}), "LD B,IYl");
    EXPECT_EQ(Hex({0xFD, 0x70, 0xFE}), "LD (IY-02h),B");
    EXPECT_EQ(Hex({0xFD, 0x75, 0xFE}), "LD (IY-02h),L");
    EXPECT_EQ(Hex({0xDD, 0x76}), "HALT");
    EXPECT_EQ(Length({0xDD, 0x76}), 2);
    EXPECT_EQ(Hex({0xDD, 0x3E, 0x05}), "LD A,05h");
    EXPECT_EQ(Length({0xDD, 0x3E, 0x05}), 3);
    EXPECT_EQ(Hex({0xDD, 0x09}), "ADD IX,BC");
    EXPECT_EQ(Hex({0xDD, 0x29}), "ADD IX,IX");
    EXPECT_EQ(Hex({0xFD, 0x39}), "ADD IY,SP");
    EXPECT_EQ(Hex({0xDD, 0xEB}), "EX DE,HL");
    EXPECT_EQ(Hex({0xFD, 0xE3}), "EX (SP),IY");
    EXPECT_EQ(Hex({0xDD, 0xF9}), "LD SP,IX");
    EXPECT_EQ(Hex({0xDD, 0x22, 0x00, 0x18}), "LD (1800h),IX");
    EXPECT_EQ(Hex({0xFD, 0x2A, 0x00, 0x18}), "LD IY,(1800h)");
    EXPECT_EQ(Hex({0xDD, 0x34, 0x01}), "INC (IX+01h)");
    EXPECT_EQ(Hex({0xFD, 0x2C}), "INC IYl");
    EXPECT_EQ(Hex({0xDD, 0x26, 0x99}), "LD IXh,99h");
    EXPECT_EQ(Hex({0xDD, 0x84}), "ADD A,IXh");
    EXPECT_EQ(Hex({0xFD, 0xBE, 0x05}), "CP (IY+05h)");
    EXPECT_EQ(Hex({0xFD, 0xE1}), "POP IY");
    EXPECT_EQ(Hex({0xDD, 0xF1}), "POP AF");
    // ED ignores the index prefix.
    EXPECT_EQ(Hex({0xDD, 0xED, 0x6B, 0x00, 0x18}), "LD HL,(1800h)");
    EXPECT_EQ(Length({0xDD, 0xED, 0x6B, 0x00, 0x18}), 5);
}

TEST_F(DisassemblerTest, BothPrefixesAndDoubledPrefixes) {
    Listed both = At(0x4000, {0xDD, 0xFD, 0x21, 0x00, 0x00});
    EXPECT_EQ(both.Text, "LD IX,0000h");
    EXPECT_EQ(both.Next, 0x4005);
    EXPECT_EQ(Hex({0xFD, 0xDD, 0x21, 0x00, 0x00}), "DB FDh,DDh");
    EXPECT_EQ(Length({0xFD, 0xDD, 0x21}), 2);
    EXPECT_EQ(Hex({0xDD, 0xDD}), "DB DDh,DDh");
    EXPECT_EQ(Dec({0xDD, 0xDD}), "DB 221,221");
    EXPECT_EQ(Hex({0xFD, 0xFD}), "DB FDh,FDh");
    Listed triple = At(0x4000, {0xDD, 0xFD, 0xFD, 0x00});
    EXPECT_EQ(triple.Text, "DB DDh,FDh,FDh");
    EXPECT_EQ(triple.Bytes, "DDFDFD");
    EXPECT_EQ(triple.Next, 0x4003);
    EXPECT_EQ(Hex({0xDD, 0xFD, 0xDD}), "DB DDh,FDh,DDh");
}

TEST_F(DisassemblerTest, EdGroup) {
    EXPECT_EQ(Hex({0xED, 0x00}), "ERROR ED X=0:X=3");
    EXPECT_EQ(Hex({0xED, 0xFF}), "ERROR ED X=0:X=3");
    EXPECT_EQ(Length({0xED, 0xFF}), 2);
    EXPECT_EQ(Hex({0xED, 0x80}), "ERROR ED X=2 Z>3 Y<4");
    EXPECT_EQ(Hex({0xED, 0xA4}), "ERROR ED X=2 Z>3 Y<4");
    EXPECT_EQ(Hex({0xED, 0xB0}), "LDIR");
    EXPECT_EQ(Hex({0xED, 0xBB}), "OTDR");
    EXPECT_EQ(Hex({0xED, 0xA1}), "CPI");
    EXPECT_EQ(Hex({0xED, 0x4C}), "NEG");
    EXPECT_EQ(Hex({0xED, 0x44}), "NEG");
    EXPECT_EQ(Hex({0xED, 0x55}), "RETN");
    EXPECT_EQ(Hex({0xED, 0x4D}), "RETI");
    EXPECT_EQ(Hex({0xED, 0x4E}), "IM 0/1");
    EXPECT_EQ(Hex({0xED, 0x5E}), "IM 2");
    EXPECT_EQ(Hex({0xED, 0x70}), "IN (HL),(C)");
    EXPECT_EQ(Hex({0xED, 0x71}), "OUT (C),(HL)");
    EXPECT_EQ(Hex({0xED, 0x78}), "IN A,(C)");
    EXPECT_EQ(Hex({0xED, 0x42}), "SBC HL,BC");
    EXPECT_EQ(Hex({0xED, 0x7A}), "ADC HL,SP");
    EXPECT_EQ(Hex({0xED, 0x63, 0x34, 0x12}), "LD (1234h),HL");
    EXPECT_EQ(Hex({0xED, 0x7B, 0x34, 0x12}), "LD SP,(1234h)");
    EXPECT_EQ(Dec({0xED, 0x7B, 0x34, 0x12}), "LD SP,(04660)");
    EXPECT_EQ(Hex({0xED, 0x57}), "LD A,I");
    EXPECT_EQ(Hex({0xED, 0x6F}), "RLD");
    EXPECT_EQ(Hex({0xED, 0x77}), "NOP");
}

TEST_F(DisassemblerTest, UnprefixedSamples) {
    EXPECT_EQ(Dec({0xC7}), "RST 000");
    EXPECT_EQ(Hex({0xC7}), "RST 00h");
    EXPECT_EQ(Dec({0xFF}), "RST 056");
    EXPECT_EQ(Hex({0xFF}), "RST 38h");
    EXPECT_EQ(Hex({0xE9}), "JP HL");
    EXPECT_EQ(Hex({0xDD, 0xE9}), "JP IX");
    EXPECT_EQ(Hex({0x08}), "EX AF,AF'");
    EXPECT_EQ(Hex({0xCB, 0x30}), "SLL B");
    EXPECT_EQ(Hex({0xCB, 0x7E}), "BIT 7,(HL)");
    EXPECT_EQ(Hex({0xCB, 0x3F}), "SRL A");
    EXPECT_EQ(Hex({0xCB, 0x36}), "SLL (HL)");
    EXPECT_EQ(Hex({0xCB, 0xD1}), "SET 2,C");
    EXPECT_EQ(Hex({0x76}), "HALT");
    EXPECT_EQ(Hex({0x66}), "LD H,(HL)");
    EXPECT_EQ(Hex({0x80}), "ADD A,B");
    EXPECT_EQ(Hex({0x96}), "SUB (HL)");
    EXPECT_EQ(Hex({0xC6, 0x05}), "ADD A,05h");
    EXPECT_EQ(Dec({0xD6, 0x05}), "SUB 005");
    EXPECT_EQ(Hex({0xFE, 0xFF}), "CP FFh");
    EXPECT_EQ(Hex({0xD3, 0x02}), "OUT (02h),A");
    EXPECT_EQ(Hex({0xDB, 0x00}), "IN A,(00h)");
    EXPECT_EQ(Hex({0xC2, 0x00, 0xA0}), "JP NZ,A000h");
    EXPECT_EQ(Hex({0xFC, 0x34, 0x12}), "CALL M,1234h");
    EXPECT_EQ(Hex({0xCD, 0x34, 0x12}), "CALL 1234h");
    EXPECT_EQ(Hex({0xE0}), "RET PO");
    EXPECT_EQ(Hex({0xF5}), "PUSH AF");
    EXPECT_EQ(Hex({0x32, 0x00, 0x18}), "LD (1800h),A");
    EXPECT_EQ(Hex({0x0A}), "LD A,(BC)");
    EXPECT_EQ(Hex({0x27}), "DAA");
    EXPECT_EQ(Hex({0xF3}), "DI");
}

// The documented examples with their texts in both bases, side by side.
TEST_F(DisassemblerTest, DocumentedExamplesInBothBases) {
    struct Row {
        std::vector<uint8_t> Bytes;
        const char* Hex;
        const char* Decimal;
        int Length;
    };
    const std::vector<Row> rows = {
        {{0x3E, 0x05}, "LD A,05h", "LD A,005", 2},
        {{0xDD, 0x36, 0xFE, 0x7F}, "LD (IX-02h),7Fh", "LD (IX-002),127", 4},
        {{0xDD, 0xCB, 0x05, 0xC6}, "SET 0,(IX+05h)", "SET 0,(IX+005)", 4},
        {{0xDD, 0xCB, 0x05, 0xC0}, "SET 0,(IX+05h),B", "SET 0,(IX+005),B", 4},
        {{0xDD, 0xCB, 0x05, 0x06}, "RLC (IX+05h)", "RLC (IX+005)", 4},
        {{0xDD, 0xCB, 0x05, 0x00}, "RLC (IX+05h),B", "RLC (IX+005),B", 4},
        {{0xFD, 0xCB, 0xFF, 0x7E}, "BIT 7,(IY-01h)", "BIT 7,(IY-001)", 4},
        {{0xDD, 0x01, 0x34, 0x12}, "LD BC,1234h", "LD BC,04660", 4},
        {{0xDD, 0x21, 0x34, 0x12}, "LD IX,1234h", "LD IX,04660", 4},
        {{0xDD, 0xE5}, "PUSH IX", "PUSH IX", 2},
        {{0xDD, 0xC5}, "PUSH BC", "PUSH BC", 2},
        {{0xDD, 0x23}, "INC IX", "INC IX", 2},
        {{0xDD, 0x03}, "INC BC", "INC BC", 2},
        {{0xDD, 0x66, 0x05}, "LD H,(IX+05h)", "LD H,(IX+005)", 3},
        {{0xDD, 0x74, 0x05}, "LD (IX+05h),H", "LD (IX+005),H", 3},
        {{0xDD, 0x64}, "LD IXh,IXh", "LD IXh,IXh", 2},
        {{0xFD, 0x45}, "LD B,IYl", "LD B,IYl", 2},
        {{0xDD, 0x76}, "HALT", "HALT", 2},
        {{0xDD, 0xFD, 0x21, 0x00, 0x00}, "LD IX,0000h", "LD IX,00000", 5},
        {{0xDD, 0x3E, 0x05}, "LD A,05h", "LD A,005", 3},
        {{0xED, 0x00}, "ERROR ED X=0:X=3", "ERROR ED X=0:X=3", 2},
        {{0xED, 0xFF}, "ERROR ED X=0:X=3", "ERROR ED X=0:X=3", 2},
        {{0xED, 0x80}, "ERROR ED X=2 Z>3 Y<4", "ERROR ED X=2 Z>3 Y<4", 2},
        {{0xED, 0xA4}, "ERROR ED X=2 Z>3 Y<4", "ERROR ED X=2 Z>3 Y<4", 2},
        {{0xED, 0xB0}, "LDIR", "LDIR", 2},
        {{0xED, 0x4C}, "NEG", "NEG", 2},
        {{0xED, 0x55}, "RETN", "RETN", 2},
        {{0xED, 0x4D}, "RETI", "RETI", 2},
        {{0xED, 0x4E}, "IM 0/1", "IM 0/1", 2},
        {{0xED, 0x70}, "IN (HL),(C)", "IN (HL),(C)", 2},
        {{0xC7}, "RST 00h", "RST 000", 1},
        {{0xFF}, "RST 38h", "RST 056", 1},
        {{0xE9}, "JP HL", "JP HL", 1},
        {{0xDD, 0xE9}, "JP IX", "JP IX", 2},
        {{0x08}, "EX AF,AF'", "EX AF,AF'", 1},
        {{0xCB, 0x30}, "SLL B", "SLL B", 2},
        {{0xCB, 0x7E}, "BIT 7,(HL)", "BIT 7,(HL)", 2},
        {{0xDD, 0xDD}, "DB DDh,DDh", "DB 221,221", 2},
        {{0xDD, 0xFD, 0xFD}, "DB DDh,FDh,FDh", "DB 221,253,253", 3},
    };
    for (const Row& row : rows) {
        Listed hex = At(0x4000, row.Bytes, kBaseHex);
        Listed dec = At(0x4000, row.Bytes, kBaseDecimal);
        EXPECT_EQ(hex.Text, row.Hex);
        EXPECT_EQ(dec.Text, row.Decimal);
        EXPECT_EQ(hex.Next, 0x4000 + row.Length) << row.Hex;
        EXPECT_EQ(dec.Next, 0x4000 + row.Length) << row.Hex;
        EXPECT_EQ(hex.Bytes, dec.Bytes);
        EXPECT_EQ(hex.Bytes.size(), 2u * row.Length) << row.Hex;
        EXPECT_EQ(hex.Address, "16384 4000  ");
    }
}

TEST_F(DisassemblerTest, WrapsPastTheTopOfMemory) {
    m->MemoryImage[0xFFFF] = 0x21;
    m->MemoryImage[0x0000] = 0x34;
    m->MemoryImage[0x0001] = 0x12;
    m->NumberBase = kBaseHex;
    uint16_t next = DisassembleInstruction(*m, 0xFFFF);
    EXPECT_STREQ(m->InstructionText, "LD HL,1234h");
    EXPECT_STREQ(m->ByteText, "213412");
    EXPECT_EQ(next, 0x0002);
}

// Every instruction form: its length against hand counts by group.
TEST_F(DisassemblerTest, LengthsOfEveryFirstByte) {
    // Lengths of unprefixed opcodes 0x00-0xFF (CB, DD, ED, FD counted with a NOP after).
    const int kLength[256] = {
        1, 3, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 2, 1,  // 00
        2, 3, 1, 1, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1, 2, 1,  // 10
        2, 3, 3, 1, 1, 1, 2, 1, 2, 1, 3, 1, 1, 1, 2, 1,  // 20
        2, 3, 3, 1, 1, 1, 2, 1, 2, 1, 3, 1, 1, 1, 2, 1,  // 30
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 40
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 50
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 60
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 70
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 80
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 90
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // A0
        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // B0
        1, 1, 3, 3, 3, 1, 2, 1, 1, 1, 3, 2, 3, 3, 2, 1,  // C0
        1, 1, 3, 2, 3, 1, 2, 1, 1, 1, 3, 2, 3, 2, 2, 1,  // D0
        1, 1, 3, 1, 3, 1, 2, 1, 1, 1, 3, 1, 3, 2, 2, 1,  // E0
        1, 1, 3, 1, 3, 1, 2, 1, 1, 1, 3, 1, 3, 2, 2, 1,  // F0
    };
    for (int op = 0; op < 256; ++op) {
        // After CB, ED, DD or FD comes 00: CB 00 (RLC B) and ED 00 take 2,
        // DD 00 and FD 00 (NOP after an ignored prefix) take 2.
        EXPECT_EQ(Length({static_cast<uint8_t>(op), 0x00, 0x00, 0x00, 0x00}), kLength[op])
            << "opcode " << op;
    }
}

}  // namespace
}  // namespace kestrel
