// Runs every FUSE core test vector on plover's core and compares registers,
// I, R, the interrupt flip-flops, IM, T-states, memory and port writes.
// Differences are excused only where one of plover's own rules explains them;
// all those rules are in the one table below. MEMPTR is not compared: plover's
// register set has no such register.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "plover/z80/cpu.h"
#include "tests/support/fuse_vectors.h"
#include "tests/support/test_material.h"

using namespace plover;

namespace {

enum Field : unsigned {
    FieldA = 1u << 0,
    FieldF53 = 1u << 1,    // only bits 5 and 3 of F
    FieldFOther = 1u << 2, // any other bit of F
    FieldBC = 1u << 3,
    FieldDE = 1u << 4,
    FieldHL = 1u << 5,
    FieldAlt = 1u << 6,    // AF' BC' DE' HL'
    FieldIX = 1u << 7,
    FieldIY = 1u << 8,
    FieldSP = 1u << 9,
    FieldPC = 1u << 10,
    FieldI = 1u << 11,
    FieldR = 1u << 12,
    FieldIFF = 1u << 13,
    FieldIM = 1u << 14,
    FieldHalted = 1u << 15,
    FieldTStates = 1u << 16,
    FieldMemory = 1u << 17,
    FieldPorts = 1u << 18,
};

struct Excuse {
    std::vector<std::string> prefixes;  // vectors whose names begin with one of these
    unsigned fields;                    // the fields that may differ
    const char* rule;                   // the rule of this core that explains them
};

// The one table of excused differences. A vector named here may still match
// exactly (when, say, F5 and F3 happen to agree); each rule must excuse at least
// one vector, so the table cannot go stale.
const std::vector<Excuse>& Excuses() {
    static const std::vector<Excuse> table = {
        {{"cb4", "cb5", "cb6", "cb7", "ddcb4", "ddcb5", "ddcb6", "ddcb7", "fdcb4", "fdcb5", "fdcb6", "fdcb7"},
         FieldF53,
         "BIT leaves F5 and F3 unchanged"},
        {{"eda0", "eda8", "edb0", "edb8"},
         FieldF53,
         "LDI/LDD leave F5 and F3 unchanged; LDIR/LDDR take them from the byte copied"},
        {{"eda1", "eda9", "edb1", "edb9"},
         FieldF53,
         "CPI/CPD/CPIR/CPDR take F5 and F3 from the byte compared"},
        {{"eda2", "eda3", "edaa", "edab", "edb2", "edb3", "edba", "edbb"},
         FieldF53 | FieldFOther,
         "INI/IND/OUTI/OUTD change only Z and N; INIR/INDR/OTIR/OTDR set Z and N on every pass"},
        {{"37", "3f"},
         FieldF53,
         "SCF and CCF take F5 and F3 from A alone"},
        {{"76"},
         FieldPC | FieldHalted | FieldR | FieldTStates,
         "HALT takes 4 T-states and has no halted state: execution goes on with the next instruction"},
        {{"dd68", "dd69", "dd6a", "dd6b", "fd68", "fd69", "fd6a", "fd6b"},
         FieldTStates,
         "LD IXL,B/C/D/E (and IYL) take 9 T-states"},
    };
    return table;
}

const Excuse* ExcuseFor(const std::string& name) {
    for (const Excuse& x : Excuses())
        for (const std::string& prefix : x.prefixes)
            if (name.compare(0, prefix.size(), prefix) == 0) return &x;
    return nullptr;
}

using z80test::fuse::State;
using z80test::fuse::Vector;

// The expected side of a vector as the port seams replay it: the values read,
// in order, and the (port, value) pairs written.
struct Expected {
    const Vector* result = nullptr;
    std::deque<uint8_t> portReads;
    std::vector<std::pair<uint8_t, uint8_t>> portWrites;
};

Expected ExpectedFrom(const Vector& result) {
    Expected e;
    e.result = &result;
    for (const z80test::fuse::PortEvent& p : result.ports) {
        if (p.write)
            e.portWrites.emplace_back(static_cast<uint8_t>(p.port & 0xFF), p.value);
        else
            e.portReads.push_back(p.value);
    }
    return e;
}

std::deque<uint8_t>* g_portReads;
std::vector<std::pair<uint8_t, uint8_t>>* g_portWrites;

uint8_t VectorPortRead(uint8_t) {
    if (g_portReads->empty()) return 0xFF;
    const uint8_t v = g_portReads->front();
    g_portReads->pop_front();
    return v;
}
void VectorPortWrite(uint8_t port, uint8_t value) { g_portWrites->emplace_back(port, value); }

struct Outcome {
    unsigned fields = 0;
    std::string report;
};

void Note(Outcome& o, unsigned field, const char* name, unsigned got, unsigned want) {
    if (got == want) return;
    o.fields |= field;
    char text[96];
    std::snprintf(text, sizeof text, "  %s: 0x%04X, expected 0x%04X\n", name, got, want);
    o.report += text;
}

Outcome RunVector(const Vector& v, Expected& e) {
    static uint8_t expectedMemory[65536];
    std::fill(std::begin(BoardMemory), std::end(BoardMemory), 0);
    z80test::fuse::Apply(v.memory, BoardMemory);
    std::copy(std::begin(BoardMemory), std::end(BoardMemory), expectedMemory);
    z80test::fuse::Apply(e.result->memory, expectedMemory);

    ResetProcessor();
    Z80RegisterSet& r = Z80Registers;
    const State& s = v.state;
    r.A = s.af >> 8; SetF(s.af & 0xFF);
    r.B = s.bc >> 8; r.C = s.bc & 0xFF;
    r.DE = s.de; r.HL = s.hl;
    r.AFAlt = s.af2; r.BCAlt = s.bc2; r.DEAlt = s.de2; r.HLAlt = s.hl2;
    r.IX = s.ix; r.IY = s.iy; r.SP = s.sp; r.PC = s.pc;
    r.I = s.i;
    r.RTopBit = s.r & 0x80;
    r.RCounter = s.r & 0x7F;
    r.IFF1 = s.iff1; r.IFF2 = s.iff2; r.IM = s.im;

    std::vector<std::pair<uint8_t, uint8_t>> writes;
    g_portReads = &e.portReads;
    g_portWrites = &writes;
    unsigned t = 0;
    while (t < s.tstates) {
        ++r.RCounter;
        t += ExecuteStep();
    }

    Outcome o;
    const State& x = e.result->state;
    Note(o, FieldA, "A", r.A, x.af >> 8);
    Note(o, FieldF53, "F bits 5,3", GetF() & 0x28, x.af & 0x28);
    Note(o, FieldFOther, "F other bits", GetF() & 0xD7, x.af & 0xD7);
    Note(o, FieldBC, "BC", r.B << 8 | r.C, x.bc);
    Note(o, FieldDE, "DE", r.DE, x.de);
    Note(o, FieldHL, "HL", r.HL, x.hl);
    Note(o, FieldAlt, "AF'", r.AFAlt, x.af2);
    Note(o, FieldAlt, "BC'", r.BCAlt, x.bc2);
    Note(o, FieldAlt, "DE'", r.DEAlt, x.de2);
    Note(o, FieldAlt, "HL'", r.HLAlt, x.hl2);
    Note(o, FieldIX, "IX", r.IX, x.ix);
    Note(o, FieldIY, "IY", r.IY, x.iy);
    Note(o, FieldSP, "SP", r.SP, x.sp);
    Note(o, FieldPC, "PC", r.PC, x.pc);
    Note(o, FieldI, "I", r.I, x.i);
    Note(o, FieldR, "R", (r.RTopBit & 0x80) | (r.RCounter & 0x7F), x.r);
    Note(o, FieldIFF, "IFF1", r.IFF1, x.iff1);
    Note(o, FieldIFF, "IFF2", r.IFF2, x.iff2);
    Note(o, FieldIM, "IM", r.IM, x.im);
    Note(o, FieldHalted, "halted", 0, x.halted);
    Note(o, FieldTStates, "T-states", t, x.tstates);
    for (unsigned a = 0; a < 65536; ++a) {
        if (BoardMemory[a] != expectedMemory[a]) {
            char text[96];
            std::snprintf(text, sizeof text, "  memory %04X: 0x%02X, expected 0x%02X\n", a, BoardMemory[a],
                          expectedMemory[a]);
            o.report += text;
            o.fields |= FieldMemory;
        }
    }
    if (writes != e.portWrites) {
        o.fields |= FieldPorts;
        o.report += "  port writes differ\n";
    }
    return o;
}

class PortSeams : public ::testing::Test {
protected:
    void SetUp() override {
        savedRead = ReadPortHook;
        savedWrite = WritePortHook;
        savedLimit = RomLimit;
        ReadPortHook = VectorPortRead;
        WritePortHook = VectorPortWrite;
        RomLimit = 0;  // the vectors place code and data anywhere
    }
    void TearDown() override {
        ReadPortHook = savedRead;
        WritePortHook = savedWrite;
        RomLimit = savedLimit;
    }
    uint8_t (*savedRead)(uint8_t);
    void (*savedWrite)(uint8_t, uint8_t);
    uint32_t savedLimit;
};

using PloverFuse = PortSeams;

TEST_F(PloverFuse, EveryVectorMatchesOrIsExcusedByARule) {
    Z80_TEST_MATERIAL(inputsPath, "fuse-tests.in");
    Z80_TEST_MATERIAL(expectedPath, "fuse-tests.expected");
    const std::vector<Vector> inputs = z80test::fuse::ReadInputs(inputsPath);
    const std::vector<Vector> results = z80test::fuse::ReadExpected(expectedPath);
    ASSERT_EQ(inputs.size(), 1356u);
    ASSERT_EQ(results.size(), 1356u);
    std::map<std::string, Expected> expected;
    for (const Vector& r : results) expected[r.name] = ExpectedFrom(r);

    int matched = 0, excused = 0;
    std::map<const Excuse*, int> uses;
    for (const Vector& v : inputs) {
        auto it = expected.find(v.name);
        ASSERT_NE(it, expected.end()) << v.name;
        const Outcome o = RunVector(v, it->second);
        if (o.fields == 0) {
            ++matched;
            continue;
        }
        const Excuse* x = ExcuseFor(v.name);
        if (x && (o.fields & ~x->fields) == 0) {
            ++excused;
            ++uses[x];
            continue;
        }
        ADD_FAILURE() << "vector " << v.name << " differs:\n" << o.report;
    }
    for (const Excuse& x : Excuses()) {
        EXPECT_GT(uses[&x], 0) << "no vector needs the excuse: " << x.rule;
        std::printf("excused %3d: %s\n", uses[&x], x.rule);
    }
    std::printf("FUSE vectors: %d matched, %d excused, %zu total\n", matched, excused, inputs.size());
    EXPECT_EQ(matched + excused, static_cast<int>(inputs.size()));
}

}  // namespace
