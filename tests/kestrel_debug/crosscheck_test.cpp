// The traced step against the plain step and the disassembler, for every
// opcode in every prefix context with a few operand values.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "equivalence.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/trace.h"
#include "kestrel/z80/cpu.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {
namespace {

constexpr uint16_t kCode = 0x1900;  // in RAM, so self-modifying writes take effect

struct Context {
    const char* Name;
    std::vector<uint8_t> Prefix;  // bytes before the opcode
    bool OpcodeLast;              // DD CB d op: the displacement precedes op
};

// Operand bytes that follow the opcode (or precede it, for DD CB / FD CB).
const uint8_t kOperands[4][3] = {
    {0x00, 0x00, 0x00},
    {0x05, 0x34, 0x1A},
    {0xFE, 0xFF, 0x80},
    {0x80, 0x19, 0x7F},
};

bool IsJumpText(const char* text) {
    for (const char* mnemonic : {"JP ", "JR ", "DJNZ ", "CALL ", "RET", "RST ", "HALT"}) {
        if (std::strncmp(text, mnemonic, std::strlen(mnemonic)) == 0) return true;
    }
    return false;
}

class CrossCheck : public ::testing::Test {
protected:
    void SetUp() override {
        FillMnemonicTables();
        start = std::make_unique<MachineRecord>();
        plain = std::make_unique<MachineRecord>();
        traced = std::make_unique<MachineRecord>();
        listed = std::make_unique<MachineRecord>();
        InitMachine(*start);
    }

    // A register state with pointers into RAM and the rest from the generator.
    void Randomise(std::mt19937& rng) {
        Z80State& s = start->Cpu;
        auto byte = [&rng] { return static_cast<uint8_t>(rng()); };
        s.A = byte(); s.F = byte(); s.B = byte(); s.C = byte(); s.D = 0x1A; s.E = byte();
        s.H = 0x1B; s.L = byte();
        s.AltA = byte(); s.AltF = byte(); s.AltB = byte(); s.AltC = byte();
        s.AltD = byte(); s.AltE = byte(); s.AltH = byte(); s.AltL = byte();
        s.IX = static_cast<uint16_t>(0x1C00 | byte());
        s.IY = static_cast<uint16_t>(0x1D00 | byte());
        s.SP = static_cast<uint16_t>(0x1E80 + (byte() & 0x3F));
        s.MEMPTR = static_cast<uint16_t>(rng());
        s.I = byte();
        s.R = byte();
        s.RBit7 = byte() & 0x80;
        s.IFF = (byte() & 1) ? 4 : 0;
        s.IM = byte() % 3;
        s.Halted = false;
        s.EiPending = false;
        s.TStates = static_cast<uint16_t>(rng());
        for (unsigned a = 0x1800; a < 0x2000; ++a) start->MemoryImage[a] = byte();
    }

    std::unique_ptr<MachineRecord> start, plain, traced, listed;
};

TEST_F(CrossCheck, EveryOpcodeInEveryPrefixContext) {
    const std::vector<Context> contexts = {
        {"unprefixed", {}, false}, {"CB", {0xCB}, false},       {"ED", {0xED}, false},
        {"DD", {0xDD}, false},     {"FD", {0xFD}, false},       {"DD CB d", {0xDD, 0xCB}, true},
        {"FD CB d", {0xFD, 0xCB}, true},
    };
    std::mt19937 rng(20261207);
    int checked = 0, nonJumps = 0;
    for (const Context& context : contexts) {
        for (int op = 0; op < 256; ++op) {
            for (int set = 0; set < 4; ++set) {
                Randomise(rng);
                // Lay the instruction out at kCode.
                std::vector<uint8_t> bytes = context.Prefix;
                if (context.OpcodeLast) {
                    bytes.push_back(kOperands[set][0]);
                    bytes.push_back(static_cast<uint8_t>(op));
                } else {
                    bytes.push_back(static_cast<uint8_t>(op));
                    bytes.insert(bytes.end(), kOperands[set], kOperands[set] + 3);
                }
                for (size_t i = 0; i < bytes.size(); ++i)
                    start->MemoryImage[kCode + i] = bytes[i];
                start->Cpu.PC = kCode;
                start->NumberBase = (set & 1) ? kBaseDecimal : kBaseHex;

                *plain = *start;
                *traced = *start;
                *listed = *start;
                ExecuteInstruction(*plain);
                TracedStep(*traced);
                const uint16_t next = DisassembleInstruction(*listed, kCode);
                const int length = static_cast<uint16_t>(next - kCode);

                SCOPED_TRACE(std::string(context.Name) + " opcode " + std::to_string(op) +
                             " operand set " + std::to_string(set) + ": " + traced->ByteText +
                             " " + traced->InstructionText);
                // The traced step changes the machine exactly as the plain step.
                EXPECT_EQ(testing::CompareMachines(*plain, *traced), "");
                // Its texts are the disassembler's for the same bytes.
                EXPECT_STREQ(traced->AddressText, listed->AddressText);
                EXPECT_STREQ(traced->ByteText, listed->ByteText);
                const bool inHl = context.Name == std::string("ED") && op == 0x70;
                const bool outHl = context.Name == std::string("ED") && op == 0x71;
                if (inHl) {
                    EXPECT_STREQ(traced->InstructionText, "IN ,(C)");
                    EXPECT_STREQ(listed->InstructionText, "IN (HL),(C)");
                } else if (outHl) {
                    EXPECT_STREQ(traced->InstructionText, "OUT (C),");
                    EXPECT_STREQ(listed->InstructionText, "OUT (C),(HL)");
                } else {
                    EXPECT_STREQ(traced->InstructionText, listed->InstructionText);
                }
                // Bytes consumed: what the step fetched is the disassembler's
                // length, and a step that does not jump moves PC by it.
                EXPECT_EQ(static_cast<int>(std::strlen(traced->ByteText)), 2 * length);
                if (!IsJumpText(listed->InstructionText)) {
                    EXPECT_EQ(plain->Cpu.PC, static_cast<uint16_t>(kCode + length));
                    ++nonJumps;
                }
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 7 * 256 * 4);
    EXPECT_GT(nonJumps, 6000);
}

// The same from the other side: the traced step's T-states for a few
// instructions whose counts the Zilog manual gives.
TEST_F(CrossCheck, TracedTStatesOfManualExamples) {
    struct Case {
        std::vector<uint8_t> Bytes;
        uint16_t TStates;
    };
    const std::vector<Case> cases = {
        {{0x00}, 4},                     // NOP
        {{0x3E, 0x05}, 7},               // LD A,n
        {{0xDD, 0x21, 0x34, 0x12}, 14},  // LD IX,nn
        {{0xDD, 0x7E, 0x05}, 19},        // LD A,(IX+d)
        {{0xFD, 0xCB, 0x05, 0x46}, 20},  // BIT 0,(IY+d)
        {{0xCB, 0x06}, 15},              // RLC (HL)
        {{0xED, 0x44}, 8},               // NEG
        {{0xED, 0x5B, 0x00, 0x19}, 20},  // LD DE,(nn)
        {{0xCD, 0x00, 0x19}, 17},        // CALL nn
    };
    for (const Case& c : cases) {
        InitMachine(*traced);
        ResetCpu(*traced);
        traced->Cpu.SP = 0x1F00;
        SetHL(traced->Cpu, 0x1A00);
        for (size_t i = 0; i < c.Bytes.size(); ++i) traced->MemoryImage[0x1800 + i] = c.Bytes[i];
        traced->Cpu.PC = 0x1800;
        traced->Cpu.TStates = 0;
        TracedStep(*traced);
        EXPECT_EQ(traced->Cpu.TStates, c.TStates) << traced->InstructionText;
    }
}

}  // namespace
}  // namespace kestrel
