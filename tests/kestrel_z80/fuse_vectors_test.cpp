// Runs every FUSE core test vector on kestrel's executor and compares
// registers, MEMPTR, R, I, IFF, IM, HALT, memory and T-states.
//
// The vectors describe a real Z80. Where kestrel's core deliberately behaves
// otherwise, the vector is listed in kExcused with the rule that explains it,
// and only the fields that rule touches may differ; every other field of an
// excused vector, and every field of every other vector, must match exactly.
//
// The vectors run through ExecuteWith, the executor behind ExecuteInstruction,
// with a Port hook in place of the board's PortAccess.
// Harness conventions (as in the program that produced the vectors): memory
// is filled with DE AD BE EF repeated before the vector's bytes are loaded,
// a port read returns the high byte of the port address, and instructions
// run until at least the vector's T-state count has passed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kestrel/z80/cpu.h"
#include "kestrel/z80/execute_impl.h"
#include "tests/support/fuse_vectors.h"
#include "tests/support/test_material.h"

namespace kestrel {
namespace {

// Fields compared, one bit each.
enum Field : uint32_t {
    kAF = 1u << 0, kBC = 1u << 1, kDE = 1u << 2, kHL = 1u << 3,
    kAF2 = 1u << 4, kBC2 = 1u << 5, kDE2 = 1u << 6, kHL2 = 1u << 7,
    kIX = 1u << 8, kIY = 1u << 9, kSP = 1u << 10, kPC = 1u << 11, kMEMPTR = 1u << 12,
    kI = 1u << 13, kR = 1u << 14, kIFF1 = 1u << 15, kIFF2 = 1u << 16, kIM = 1u << 17,
    kHALT = 1u << 18, kT = 1u << 19, kMEM = 1u << 20,
};
constexpr const char* kFieldNames[] = {"AF", "BC", "DE", "HL", "AF'", "BC'", "DE'", "HL'",
                                       "IX", "IY", "SP", "PC", "MEMPTR", "I", "R", "IFF1",
                                       "IFF2", "IM", "HALT", "T-states", "memory"};

struct Rule {
    const char* text;
    uint32_t mayDiffer;  // fields this rule explains
};

// The core's own rules where it departs from the real processor.
const Rule kPrefixFree{
    "an index prefix charges no T-states of its own: the IXH/IXL/IYH/IYL forms "
    "take the unprefixed count",
    kT};
const Rule kPrefixFreeRunsOn{
    "an index prefix before an opcode that uses neither H, L nor (HL) charges "
    "nothing, so the harness (which runs until the vector's T-state count) "
    "executes further instructions",
    kAF | kBC | kDE | kHL | kIX | kIY | kSP | kPC | kMEMPTR | kR | kT | kMEM};
const Rule kBlockRepeat{
    "repeating block instructions run their whole loop in one call at 21 "
    "T-states per iteration (the last included), with the core's own MEMPTR "
    "and R rules for the loop",
    kAF | kBC | kDE | kHL | kPC | kMEMPTR | kR | kT | kMEM};
const Rule kInputFlags{"input instructions leave F unchanged", kAF};
const Rule kInOutMemptr{"IN r,(C) and OUT (C),r set MEMPTR (to BC + 1) only for r = A", kMEMPTR};
const Rule kSingleIff{"a single IFF: there is no IFF2 to restore; RETN and RETI set IFF", kIFF1 | kIFF2};
const Rule kRetnMemptr{"only ED 4D sets MEMPTR to the return address; the other RETN/RETI forms leave it", kMEMPTR};
const Rule kImUndefined{"IM with y = 1 or 5 (ED 4E, ED 6E) leaves the mode unchanged", kIM};
const Rule kJrCcMemptr{"JR cc leaves MEMPTR unchanged, taken or not", kMEMPTR};
const Rule kRetCcMemptr{"RET cc leaves MEMPTR unchanged, taken or not", kMEMPTR};
const Rule kBitRegister{"BIT n,r takes S, bit 5 and bit 3 from (r AND mask), not from r", kAF};
const Rule kIndexedCbR{"DD CB d op and FD CB d op count R three times (DD, CB and op)", kR};
const Rule kScfCcf{"SCF and CCF take bits 5 and 3 from A alone", kAF};

// An excused vector, or with a trailing '*' every vector whose name begins so
// (such a row also admits vectors that match exactly).
struct Excuse {
    const char* name;
    const Rule* rule;
    const Rule* also = nullptr;
};

const Excuse kExcused[] = {
        {"20_1", &kJrCcMemptr}, {"28_2", &kJrCcMemptr}, {"30_1", &kJrCcMemptr}, {"38_2", &kJrCcMemptr},
        {"37_1", &kScfCcf}, {"3f", &kScfCcf},
        {"c0_1", &kRetCcMemptr}, {"c8_2", &kRetCcMemptr}, {"d0_1", &kRetCcMemptr}, {"d8_2", &kRetCcMemptr},
        {"e0_1", &kRetCcMemptr}, {"e8_2", &kRetCcMemptr}, {"f0_1", &kRetCcMemptr}, {"f8_2", &kRetCcMemptr},
        {"cb40", &kBitRegister}, {"cb42", &kBitRegister}, {"cb44", &kBitRegister}, {"cb45", &kBitRegister},
        {"cb47_1", &kBitRegister}, {"cb48", &kBitRegister}, {"cb49", &kBitRegister}, {"cb4a", &kBitRegister},
        {"cb4b", &kBitRegister}, {"cb4c", &kBitRegister}, {"cb4d", &kBitRegister}, {"cb4f_1", &kBitRegister},
        {"cb50", &kBitRegister}, {"cb51", &kBitRegister}, {"cb52", &kBitRegister}, {"cb53", &kBitRegister},
        {"cb54", &kBitRegister}, {"cb55", &kBitRegister}, {"cb57_1", &kBitRegister}, {"cb57", &kBitRegister},
        {"cb59", &kBitRegister}, {"cb5b", &kBitRegister}, {"cb5f_1", &kBitRegister}, {"cb60", &kBitRegister},
        {"cb61", &kBitRegister}, {"cb63", &kBitRegister}, {"cb64", &kBitRegister}, {"cb65", &kBitRegister},
        {"cb67_1", &kBitRegister}, {"cb68", &kBitRegister}, {"cb69", &kBitRegister}, {"cb6d", &kBitRegister},
        {"cb6f_1", &kBitRegister}, {"cb71", &kBitRegister}, {"cb72", &kBitRegister}, {"cb73", &kBitRegister},
        {"cb74", &kBitRegister}, {"cb75", &kBitRegister}, {"cb77_1", &kBitRegister}, {"cb78", &kBitRegister},
        {"cb79", &kBitRegister}, {"cb7a", &kBitRegister}, {"cb7b", &kBitRegister}, {"cb7d", &kBitRegister},
        {"cb7f_1", &kBitRegister}, {"cb7f", &kBitRegister},
        {"dd00", &kPrefixFreeRunsOn}, {"ddfd00", &kPrefixFreeRunsOn},
        {"dd24", &kPrefixFree}, {"dd25", &kPrefixFree}, {"dd26", &kPrefixFree}, {"dd2c", &kPrefixFree},
        {"dd2d", &kPrefixFree}, {"dd2e", &kPrefixFree}, {"dd44", &kPrefixFree}, {"dd45", &kPrefixFree},
        {"dd4c", &kPrefixFree}, {"dd4d", &kPrefixFree}, {"dd54", &kPrefixFree}, {"dd55", &kPrefixFree},
        {"dd5c", &kPrefixFree}, {"dd5d", &kPrefixFree}, {"dd60", &kPrefixFree}, {"dd61", &kPrefixFree},
        {"dd62", &kPrefixFree}, {"dd63", &kPrefixFree}, {"dd64", &kPrefixFree}, {"dd65", &kPrefixFree},
        {"dd67", &kPrefixFree}, {"dd68", &kPrefixFree}, {"dd69", &kPrefixFree}, {"dd6a", &kPrefixFree},
        {"dd6b", &kPrefixFree}, {"dd6c", &kPrefixFree}, {"dd6d", &kPrefixFree}, {"dd6f", &kPrefixFree},
        {"dd7c", &kPrefixFree}, {"dd7d", &kPrefixFree}, {"dd84", &kPrefixFree}, {"dd85", &kPrefixFree},
        {"dd8c", &kPrefixFree}, {"dd8d", &kPrefixFree}, {"dd94", &kPrefixFree}, {"dd95", &kPrefixFree},
        {"dd9c", &kPrefixFree}, {"dd9d", &kPrefixFree}, {"dda4", &kPrefixFree}, {"dda5", &kPrefixFree},
        {"ddac", &kPrefixFree}, {"ddad", &kPrefixFree}, {"ddb4", &kPrefixFree}, {"ddb5", &kPrefixFree},
        {"ddbc", &kPrefixFree}, {"ddbd", &kPrefixFree}, {"fd24", &kPrefixFree}, {"fd25", &kPrefixFree},
        {"fd26", &kPrefixFree}, {"fd2c", &kPrefixFree}, {"fd2d", &kPrefixFree}, {"fd2e", &kPrefixFree},
        {"fd44", &kPrefixFree}, {"fd45", &kPrefixFree}, {"fd4c", &kPrefixFree}, {"fd4d", &kPrefixFree},
        {"fd54", &kPrefixFree}, {"fd55", &kPrefixFree}, {"fd5c", &kPrefixFree}, {"fd5d", &kPrefixFree},
        {"fd60", &kPrefixFree}, {"fd61", &kPrefixFree}, {"fd62", &kPrefixFree}, {"fd63", &kPrefixFree},
        {"fd64", &kPrefixFree}, {"fd65", &kPrefixFree}, {"fd67", &kPrefixFree}, {"fd68", &kPrefixFree},
        {"fd69", &kPrefixFree}, {"fd6a", &kPrefixFree}, {"fd6b", &kPrefixFree}, {"fd6c", &kPrefixFree},
        {"fd6d", &kPrefixFree}, {"fd6f", &kPrefixFree}, {"fd7c", &kPrefixFree}, {"fd7d", &kPrefixFree},
        {"fd84", &kPrefixFree}, {"fd85", &kPrefixFree}, {"fd8c", &kPrefixFree}, {"fd8d", &kPrefixFree},
        {"fd94", &kPrefixFree}, {"fd95", &kPrefixFree}, {"fd9c", &kPrefixFree}, {"fd9d", &kPrefixFree},
        {"fda4", &kPrefixFree}, {"fda5", &kPrefixFree}, {"fdac", &kPrefixFree}, {"fdad", &kPrefixFree},
        {"fdb4", &kPrefixFree}, {"fdb5", &kPrefixFree}, {"fdbc", &kPrefixFree}, {"fdbd", &kPrefixFree},
        {"ed40", &kInputFlags, &kInOutMemptr}, {"ed48", &kInputFlags, &kInOutMemptr},
        {"ed50", &kInputFlags, &kInOutMemptr}, {"ed58", &kInputFlags, &kInOutMemptr},
        {"ed60", &kInputFlags, &kInOutMemptr}, {"ed68", &kInputFlags, &kInOutMemptr},
        {"ed41", &kInOutMemptr}, {"ed49", &kInOutMemptr}, {"ed51", &kInOutMemptr}, {"ed59", &kInOutMemptr},
        {"ed61", &kInOutMemptr}, {"ed69", &kInOutMemptr}, {"ed70", &kInOutMemptr}, {"ed71", &kInOutMemptr},
        {"ed45", &kRetnMemptr}, {"ed65", &kRetnMemptr}, {"ed75", &kRetnMemptr}, {"ed7d", &kRetnMemptr},
        {"ed4d", &kSingleIff},
        {"ed4e", &kImUndefined},
        {"ed55", &kRetnMemptr, &kSingleIff}, {"ed5d", &kRetnMemptr, &kSingleIff},
        {"ed6d", &kRetnMemptr, &kSingleIff},
        {"ed78", &kInputFlags},
        {"edb0", &kBlockRepeat}, {"edb0_1", &kBlockRepeat}, {"edb0_2", &kBlockRepeat}, {"edb1", &kBlockRepeat},
        {"edb1_1", &kBlockRepeat}, {"edb1_2", &kBlockRepeat}, {"edb2", &kBlockRepeat}, {"edb2_1", &kBlockRepeat},
        {"edb3", &kBlockRepeat}, {"edb3_1", &kBlockRepeat}, {"edb8", &kBlockRepeat}, {"edb8_1", &kBlockRepeat},
        {"edb8_2", &kBlockRepeat}, {"edb9", &kBlockRepeat}, {"edb9_1", &kBlockRepeat}, {"edb9_2", &kBlockRepeat},
        {"edba", &kBlockRepeat}, {"edba_1", &kBlockRepeat}, {"edbb", &kBlockRepeat}, {"edbb_1", &kBlockRepeat},
        {"ddcb*", &kIndexedCbR}, {"fdcb*", &kIndexedCbR},
};

using z80test::fuse::Vector;

// Ports answer with the high byte of their address.
struct FuseHooks {
    void Fetched(uint8_t) {}
    void Port(Processor& m, uint8_t read, uint8_t, uint8_t, uint8_t hi) {
        if (read) m.IoData = hi;
    }
};

void FillPattern(uint8_t* memory) {
    static constexpr uint8_t kPattern[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    for (unsigned a = 0; a < 65536; ++a) memory[a] = kPattern[a & 3];
}

struct Outcome {
    uint32_t differs = 0;
    std::string report;
};

Outcome RunVector(Processor& m, const Vector& in, const Vector& want) {
    FillPattern(m.MemoryImage);
    for (auto& e : m.WriteEnableMap) e = 1;
    z80test::fuse::Apply(in.memory, m.MemoryImage);
    Z80State& s = m.Cpu;
    const z80test::fuse::State& i = in.state;
    SetAF(s, i.af); SetBC(s, i.bc); SetDE(s, i.de); SetHL(s, i.hl);
    s.AltA = i.af2 >> 8; s.AltF = i.af2 & 0xFF;
    s.AltB = i.bc2 >> 8; s.AltC = i.bc2 & 0xFF;
    s.AltD = i.de2 >> 8; s.AltE = i.de2 & 0xFF;
    s.AltH = i.hl2 >> 8; s.AltL = i.hl2 & 0xFF;
    s.IX = i.ix; s.IY = i.iy; s.SP = i.sp; s.PC = i.pc; s.MEMPTR = i.memptr;
    s.I = static_cast<uint8_t>(i.i);
    s.R = static_cast<uint8_t>(i.r);
    s.RBit7 = static_cast<uint8_t>(i.r & 0x80);
    s.IFF = i.iff1 ? flag::PV : 0;
    s.IM = static_cast<uint8_t>(i.im);
    s.Halted = i.halted != 0;
    s.EiPending = false;
    s.TStates = 0;
    m.IoData = 0;

    FuseHooks hooks;
    uint64_t elapsed = 0;
    for (int guard = 0; elapsed < i.tstates && guard < 1000; ++guard) {
        const uint16_t before = s.TStates;
        ExecuteWith(m, hooks);
        elapsed += static_cast<uint16_t>(s.TStates - before);
    }

    // Expected memory: the initial image with the vector's changes applied.
    static uint8_t expected[65536];
    FillPattern(expected);
    z80test::fuse::Apply(in.memory, expected);
    z80test::fuse::Apply(want.memory, expected);

    const z80test::fuse::State& w = want.state;
    const unsigned got[] = {GetAF(s), GetBC(s), GetDE(s), GetHL(s),
                            static_cast<unsigned>(s.AltA << 8 | s.AltF), static_cast<unsigned>(s.AltB << 8 | s.AltC),
                            static_cast<unsigned>(s.AltD << 8 | s.AltE), static_cast<unsigned>(s.AltH << 8 | s.AltL),
                            s.IX, s.IY, s.SP, s.PC, s.MEMPTR,
                            s.I, static_cast<unsigned>((s.R & 0x7F) | s.RBit7),
                            s.IFF ? 1u : 0u, s.IFF ? 1u : 0u, s.IM, s.Halted ? 1u : 0u,
                            static_cast<unsigned>(elapsed)};
    const unsigned exp[] = {w.af, w.bc, w.de, w.hl, w.af2, w.bc2, w.de2, w.hl2, w.ix, w.iy, w.sp, w.pc, w.memptr,
                            w.i, w.r, w.iff1, w.iff2, w.im, w.halted, w.tstates};
    Outcome o;
    char buf[96];
    for (int f = 0; f < 20; ++f) {
        if (got[f] != exp[f]) {
            o.differs |= 1u << f;
            std::snprintf(buf, sizeof buf, " %s: 0x%04X, expected 0x%04X;", kFieldNames[f], got[f], exp[f]);
            o.report += buf;
        }
    }
    for (unsigned a = 0; a < 65536; ++a) {
        if (m.MemoryImage[a] != expected[a]) {
            if (!(o.differs & kMEM)) {
                std::snprintf(buf, sizeof buf, " memory 0x%04X: 0x%02X, expected 0x%02X;", a, m.MemoryImage[a], expected[a]);
                o.report += buf;
            }
            o.differs |= kMEM;
        }
    }
    return o;
}

TEST(KestrelZ80Fuse, EveryVectorMatchesOrIsExcusedByARule) {
    Z80_TEST_MATERIAL(inputsPath, "fuse-tests.in");
    Z80_TEST_MATERIAL(expectedPath, "fuse-tests.expected");
    const auto inputs = z80test::fuse::ReadInputs(inputsPath);
    const auto expected = z80test::fuse::ReadExpected(expectedPath);
    ASSERT_EQ(inputs.size(), 1356u);
    ASSERT_EQ(expected.size(), inputs.size());

    auto m = std::make_unique<Processor>();
    int matched = 0, excusedCount = 0;
    std::set<std::string> used;
    for (size_t k = 0; k < inputs.size(); ++k) {
        const std::string& name = inputs[k].name;
        ASSERT_EQ(name, expected[k].name);
        const Outcome o = RunVector(*m, inputs[k], expected[k]);
        const Excuse* excuse = nullptr;
        for (const auto& e : kExcused) {
            const std::string pattern = e.name;
            const bool wildcard = !pattern.empty() && pattern.back() == '*';
            if (wildcard ? name.rfind(pattern.substr(0, pattern.size() - 1), 0) == 0 : name == pattern) {
                excuse = &e;
                used.insert(pattern);
                if (!wildcard) {
                    EXPECT_NE(o.differs, 0u) << "vector " << name << " matches now: drop it from the table";
                }
                break;
            }
        }
        if (o.differs == 0) {
            ++matched;
            continue;
        }
        if (excuse == nullptr) {
            ADD_FAILURE() << "vector " << name << ":" << o.report;
            continue;
        }
        // Only the fields that the excusing rules name may differ.
        const uint32_t allowed = excuse->rule->mayDiffer | (excuse->also ? excuse->also->mayDiffer : 0);
        if ((o.differs & ~allowed) != 0) {
            ADD_FAILURE() << "vector " << name << " (excused: " << excuse->rule->text << ") also differs:" << o.report;
            continue;
        }
        ++excusedCount;
    }
    for (const auto& e : kExcused) EXPECT_TRUE(used.count(e.name)) << "excused vector " << e.name << " does not exist";
    std::printf("FUSE vectors: %zu run, %d matched exactly, %d excused by a rule of the core\n", inputs.size(),
                matched, excusedCount);
    EXPECT_EQ(matched + excusedCount, static_cast<int>(inputs.size()));
}

}  // namespace
}  // namespace kestrel
