// Differential run against libz80ex (Debian's libz80ex-dev), an independent
// Z80 core: random single instructions on random registers and memory, both
// cores execute one instruction, and every register, the written memory, the
// port writes and the T-states must agree. Only this core's own rules are set
// aside: F5/F3 after BIT, the LD and CP block instructions and SCF/CCF; the
// block I/O flags; HALT; DD/FD 76 and ignored prefixes (not generated); and
// the 9 T-states of LD IXL,B/C/D/E.
#include <z80ex/z80ex.h>

#include <random>
#include <vector>

#include "tests/plover_z80/core_fixture.h"

using namespace plover;

namespace {

uint8_t g_other[65536];
std::vector<uint16_t> g_otherWrites;
std::vector<std::pair<uint8_t, uint8_t>> g_otherPorts;
std::vector<std::pair<uint8_t, uint8_t>> g_ourPorts;

Z80EX_BYTE OtherRead(Z80EX_CONTEXT*, Z80EX_WORD addr, int, void*) { return g_other[addr]; }
void OtherWrite(Z80EX_CONTEXT*, Z80EX_WORD addr, Z80EX_BYTE value, void*) {
    g_other[addr] = value;
    g_otherWrites.push_back(addr);
}
Z80EX_BYTE OtherPortRead(Z80EX_CONTEXT*, Z80EX_WORD port, void*) { return static_cast<uint8_t>((port & 0xFF) ^ 0x5A); }
void OtherPortWrite(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void*) {
    g_otherPorts.emplace_back(static_cast<uint8_t>(port), value);
}
Z80EX_BYTE OtherIntRead(Z80EX_CONTEXT*, void*) { return 0xFF; }

uint8_t OurPortRead(uint8_t port) { return static_cast<uint8_t>(port ^ 0x5A); }
void OurPortWrite(uint8_t port, uint8_t value) { g_ourPorts.emplace_back(port, value); }

// DD/FD second bytes that run on the index register.
bool Indexed(int op) {
    const int ranges[][2] = {{0x09, 0x09}, {0x19, 0x19}, {0x21, 0x26}, {0x29, 0x2E}, {0x34, 0x36}, {0x39, 0x39},
                             {0x44, 0x46}, {0x4C, 0x4E}, {0x54, 0x56}, {0x5C, 0x5E}, {0x60, 0x75}, {0x77, 0x77},
                             {0x7C, 0x7E}, {0x84, 0x86}, {0x8C, 0x8E}, {0x94, 0x96}, {0x9C, 0x9E}, {0xA4, 0xA6},
                             {0xAC, 0xAE}, {0xB4, 0xB6}, {0xBC, 0xBE}, {0xCB, 0xCB}, {0xE1, 0xE1}, {0xE3, 0xE3},
                             {0xE5, 0xE5}, {0xE9, 0xE9}, {0xF9, 0xF9}};
    for (const auto& r : ranges)
        if (op >= r[0] && op <= r[1]) return true;
    return false;
}

struct Case {
    uint8_t bytes[4];
    uint8_t fMask = 0xFF;    // F bits compared
    bool compareT = true;
};

// Draws one instruction this comparison covers.
Case Draw(std::mt19937_64& random) {
    for (;;) {
        Case c;
        for (uint8_t& b : c.bytes) b = static_cast<uint8_t>(random());
        const uint8_t op = c.bytes[0], op2 = c.bytes[1], op4 = c.bytes[3];
        if (op == 0x76) continue;                                       // HALT: no halted state here
        if (op == 0x37 || op == 0x3F) c.fMask = 0xD7;                   // SCF/CCF: F5/F3 from A alone
        if (op == 0xCB && op2 >= 0x40 && op2 < 0x80) c.fMask = 0xD7;    // BIT keeps F5/F3
        if (op == 0xDD || op == 0xFD) {
            if (!Indexed(op2)) continue;                                // ignored prefix, or 76
            if (op2 == 0xCB && op4 >= 0x40 && op4 < 0x80) c.fMask = 0xD7;
            if (op2 >= 0x68 && op2 <= 0x6B) c.compareT = false;        // LD IXL,B..E: 9 T-states
        }
        if (op == 0xED) {
            const int x = op2 >> 6, y = (op2 >> 3) & 7, z = op2 & 7;
            if (x == 2 && y >= 4 && z <= 3) {
                if (z == 0 || z == 1) c.fMask = 0xD7;                    // LD/CP blocks: own F5/F3
                else c.fMask = y >= 6 ? 0x00 : 0x40;                    // block I/O: own Z and N
            }
        }
        return c;
    }
}

using PloverDifferential = plover_test::CoreTest;

TEST_F(PloverDifferential, RandomInstructionsAgreeWithLibz80ex) {
    ReadPortHook = OurPortRead;
    WritePortHook = OurPortWrite;
    RomLimit = 0;
    std::mt19937_64 random(6);
    Z80EX_CONTEXT* other = z80ex_create(OtherRead, nullptr, OtherWrite, nullptr, OtherPortRead, nullptr,
                                        OtherPortWrite, nullptr, OtherIntRead, nullptr);
    for (uint8_t& cell : BoardMemory) cell = static_cast<uint8_t>(random());
    std::copy(std::begin(BoardMemory), std::end(BoardMemory), g_other);

    Z80RegisterSet& r = Z80Registers;
    constexpr int Cases = 300'000;
    int failures = 0, compared = 0;
    for (int n = 0; n < Cases && failures < 10; ++n) {
        const Case c = Draw(random);
        const uint64_t a = random(), b = random(), d = random();
        const uint16_t pc = static_cast<uint16_t>(d >> 48);
        for (int k = 0; k < 4; ++k) {
            BoardMemory[(pc + k) & 0xFFFF] = c.bytes[k];
            g_other[(pc + k) & 0xFFFF] = c.bytes[k];
        }
        // both cores start from the same random state
        plover_test::LoadRandomRegisters(a, b);
        r.IX = static_cast<uint16_t>(d);
        r.IY = static_cast<uint16_t>(d >> 16);
        r.SP = static_cast<uint16_t>(d >> 32);
        r.PC = pc;
        r.I = static_cast<uint8_t>(random());
        const uint8_t rr = static_cast<uint8_t>(random());
        r.RTopBit = rr & 0x80;
        r.RCounter = rr & 0x7F;
        r.IFF1 = random() & 1;
        r.IFF2 = random() & 1;
        r.IM = static_cast<uint8_t>(random() % 3);

        z80ex_reset(other);
        z80ex_set_reg(other, regAF, static_cast<uint16_t>(r.A << 8 | GetF()));
        z80ex_set_reg(other, regBC, static_cast<uint16_t>(r.B << 8 | r.C));
        z80ex_set_reg(other, regDE, r.DE);
        z80ex_set_reg(other, regHL, r.HL);
        z80ex_set_reg(other, regAF_, r.AFAlt);
        z80ex_set_reg(other, regBC_, r.BCAlt);
        z80ex_set_reg(other, regDE_, r.DEAlt);
        z80ex_set_reg(other, regHL_, r.HLAlt);
        z80ex_set_reg(other, regIX, r.IX);
        z80ex_set_reg(other, regIY, r.IY);
        z80ex_set_reg(other, regSP, r.SP);
        z80ex_set_reg(other, regPC, r.PC);
        z80ex_set_reg(other, regI, r.I);
        z80ex_set_reg(other, regR, rr & 0x7F);
        z80ex_set_reg(other, regR7, rr & 0x80);
        z80ex_set_reg(other, regIFF1, r.IFF1);
        z80ex_set_reg(other, regIFF2, r.IFF2);
        z80ex_set_reg(other, regIM, r.IM);

        g_otherWrites.clear();
        g_otherPorts.clear();
        g_ourPorts.clear();
        int otherT = 0;
        do otherT += z80ex_step(other);
        while (z80ex_last_op_type(other) != 0);
        ++r.RCounter;
        const int ourT = ExecuteStep();
        ++compared;

        std::string report;
        auto check = [&](const char* name, unsigned ours, unsigned theirs) {
            if (ours == theirs) return;
            char text[80];
            std::snprintf(text, sizeof text, " %s: 0x%04X, expected 0x%04X", name, ours, theirs);
            report += text;
        };
        const unsigned otherAF = z80ex_get_reg(other, regAF);
        check("A", r.A, otherAF >> 8);
        check("F", GetF() & c.fMask, otherAF & c.fMask);
        check("BC", static_cast<unsigned>(r.B << 8 | r.C), z80ex_get_reg(other, regBC));
        check("DE", r.DE, z80ex_get_reg(other, regDE));
        check("HL", r.HL, z80ex_get_reg(other, regHL));
        check("AF'", r.AFAlt, z80ex_get_reg(other, regAF_));
        check("BC'", r.BCAlt, z80ex_get_reg(other, regBC_));
        check("DE'", r.DEAlt, z80ex_get_reg(other, regDE_));
        check("HL'", r.HLAlt, z80ex_get_reg(other, regHL_));
        check("IX", r.IX, z80ex_get_reg(other, regIX));
        check("IY", r.IY, z80ex_get_reg(other, regIY));
        check("SP", r.SP, z80ex_get_reg(other, regSP));
        check("PC", r.PC, z80ex_get_reg(other, regPC));
        check("I", r.I, z80ex_get_reg(other, regI));
        check("R", (r.RTopBit & 0x80) | (r.RCounter & 0x7F),
              (z80ex_get_reg(other, regR) & 0x7F) | (z80ex_get_reg(other, regR7) & 0x80));
        check("IFF1", r.IFF1, z80ex_get_reg(other, regIFF1) != 0);
        check("IFF2", r.IFF2, z80ex_get_reg(other, regIFF2) != 0);
        check("IM", r.IM, z80ex_get_reg(other, regIM));
        if (c.compareT) check("T-states", static_cast<unsigned>(ourT), static_cast<unsigned>(otherT));
        for (uint16_t address : g_otherWrites) check("memory", BoardMemory[address], g_other[address]);
        if (g_ourPorts != g_otherPorts) report += " port writes differ";
        // now and then the whole memory, for writes the other core did not make
        if ((n & 1023) == 0 && !std::equal(std::begin(BoardMemory), std::end(BoardMemory), g_other))
            report += " memory differs outside the other core's writes";
        if (!report.empty()) {
            ++failures;
            ADD_FAILURE() << "bytes " << std::hex << int(c.bytes[0]) << " " << int(c.bytes[1]) << " "
                          << int(c.bytes[2]) << " " << int(c.bytes[3]) << ":" << report;
            std::copy(std::begin(BoardMemory), std::end(BoardMemory), g_other);
        }
    }
    z80ex_destroy(other);
    std::printf("%d instructions compared with libz80ex\n", compared);
    EXPECT_EQ(compared, Cases);
}

}  // namespace
