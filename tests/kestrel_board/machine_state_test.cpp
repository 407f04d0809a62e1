// Save states: a restored machine runs on as the saved one did; every kind of
// unusable file is refused with its reason and the machine left alone, also
// for 100,000 mutated files.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "kestrel/board/keypad.h"
#include "kestrel/board/machine_state.h"
#include "kestrel/board/run.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

constexpr uint8_t kProgram[] = {
    0xFB,              // 1800      EI
    0xED, 0x5F,        // loop:     LD A,R
    0x87,              //           ADD A,A      the TONE toggles
    0xD3, 0x02,        //           OUT (2),A
    0xDB, 0x00,        //           IN A,(0)     takes queued clicks
    0xD3, 0x01,        //           OUT (1),A
    0x77,              //           LD (HL),A
    0x2C,              //           INC L
    0xC3, 0x01, 0x18,  //           JP loop
};

std::unique_ptr<Machine> Running() {
    auto m = std::make_unique<Machine>();
    InitMachine(*m, 777);
    ResetBoard(*m, true);
    std::memcpy(m->MemoryImage + 0x1800, kProgram, sizeof kProgram);
    m->Cpu.PC = 0x1800;
    m->Cpu.H = 0x19;
    m->Cpu.IM = 1;
    for (KeypadKey key : {KeypadKey::Hex4, KeypadKey::Addr, KeypadKey::UserKey}) PressKeypadKey(*m, key);
    RunFor(*m, 20000);
    PressKeypadKey(*m, KeypadKey::Go);
    return m;
}

void Steps(Machine& m, int n) {
    for (int i = 0; i < n; ++i) {
        StepInstruction(m);
        if (i == n / 2) AcceptInterrupt(m);
    }
}

TEST(KestrelState, ARestoredMachineRunsTheSameInstructionsAsTheSavedOne) {
    auto m = Running();
    const std::vector<uint8_t> saved = SaveMachineState(*m);
    Steps(*m, 5000);
    auto other = std::make_unique<Machine>();
    InitMachine(*other);
    std::string reason;
    ASSERT_TRUE(LoadMachineState(*other, saved.data(), saved.size(), reason)) << reason;
    Steps(*other, 5000);
    EXPECT_EQ(other->Clock, m->Clock);
    EXPECT_EQ(other->Cpu.TStates, m->Cpu.TStates);
    EXPECT_EQ(std::memcmp(other->DigitSegments, m->DigitSegments, 6), 0);
    EXPECT_EQ(std::memcmp(other->MemoryImage, m->MemoryImage, 65536), 0);
    EXPECT_TRUE(SaveMachineState(*other) == SaveMachineState(*m));
}

// Puts the payload's CRC right again after a change behind it.
void FixChecksum(std::vector<uint8_t>& file) {
    if (file.size() < kStateHeaderSize) return;
    const uint32_t crc = Crc32(file.data() + kStateHeaderSize, file.size() - kStateHeaderSize);
    for (int i = 0; i < 4; ++i) file[16 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

struct Refusal {
    const char* name;
    void (*spoil)(std::vector<uint8_t>&);
    const char* reason;
};

// Payload offsets: 16 8-bit registers, 5 words, I, R, RBit7, IFF, IM, Halted.
constexpr size_t kImOffset = kStateHeaderSize + 16 + 10 + 4;
constexpr size_t kHaltedOffset = kImOffset + 1;

const Refusal kRefusals[] = {
    {"empty", [](auto& f) { f.clear(); }, "not a kestrel state file"},
    {"text", [](auto& f) { f.assign({'h', 'e', 'l', 'l', 'o', '\n'}); }, "not a kestrel state file"},
    {"other board", [](auto& f) { std::memcpy(f.data(), "PLOVERST", 8); },
     "a state of the other program, plover (MPF-1 Plus), not of this board"},
    {"unknown tag", [](auto& f) { f[5] = 'X'; }, "not a kestrel state file"},
    {"later version", [](auto& f) { f[8] = 2; }, "written by a later version of kestrel (state format 2)"},
    {"short header", [](auto& f) { f.resize(12); }, "truncated"},
    {"truncated", [](auto& f) { f.resize(f.size() - 100); }, "truncated"},
    {"longer", [](auto& f) { f.push_back(0); }, "damaged (bytes after the end)"},
    {"flipped bit", [](auto& f) { f[kStateHeaderSize + 4000] ^= 0x10; }, "damaged (checksum does not match)"},
    {"bad IM", [](auto& f) { f[kImOffset] = 3, FixChecksum(f); }, "damaged (impossible interrupt mode)"},
    {"bad flag", [](auto& f) { f[kHaltedOffset] = 2, FixChecksum(f); }, "damaged (impossible flag)"},
    {"short payload", [](auto& f) { f.resize(f.size() - 1), f[12] -= 1, FixChecksum(f); },
     "damaged (wrong length for its version)"},
};

TEST(KestrelState, EveryUnusableFileIsRefusedWithItsReasonAndTheMachineKept) {
    auto m = Running();
    const std::vector<uint8_t> good = SaveMachineState(*m);
    for (const Refusal& r : kRefusals) {
        std::vector<uint8_t> file = good;
        r.spoil(file);
        std::string reason;
        EXPECT_FALSE(LoadMachineState(*m, file.data(), file.size(), reason)) << r.name;
        EXPECT_EQ(reason, r.reason) << r.name;
        EXPECT_TRUE(SaveMachineState(*m) == good) << r.name;
    }
}

TEST(KestrelState, MutatedFilesNeverCrashAndNeverChangeTheMachineWhenRefused) {
    auto m = Running();
    const std::vector<uint8_t> good = SaveMachineState(*m);
    auto reference = std::make_unique<Machine>(*m);
    std::mt19937 random(20261208);
    int accepted = 0, fixed = 0;
    for (int i = 0; i < 100000; ++i) {
        std::vector<uint8_t> file = good;
        const int kind = random() % 20;
        if (kind == 0) file.resize(random() % (file.size() + 1));
        else if (kind == 1) file.insert(file.end(), random() % 64, static_cast<uint8_t>(random()));
        const int flips = 1 + random() % 8;
        for (int k = 0; k < flips && !file.empty(); ++k) {
            // Half the changes hit the header and the registers, where the parsing is.
            const size_t span = random() % 2 ? std::min<size_t>(file.size(), 64) : file.size();
            file[random() % span] ^= static_cast<uint8_t>(1u << (random() % 8));
        }
        if (random() % 4 == 0) {
            FixChecksum(file);
            ++fixed;
        }
        std::string reason;
        if (LoadMachineState(*m, file.data(), file.size(), reason)) {
            ++accepted;
            std::memcpy(static_cast<void*>(m.get()), reference.get(), sizeof(Machine));
            continue;
        }
        ASSERT_FALSE(reason.empty());
        ASSERT_EQ(std::memcmp(static_cast<const void*>(m.get()), reference.get(), sizeof(Machine)), 0)
            << "file " << i << " refused (" << reason << ") but the machine changed";
    }
    // Some mutations with the checksum put right are states a machine can hold.
    EXPECT_GT(accepted, 0);
    EXPECT_GT(fixed, 20000);
}

}  // namespace
}  // namespace kestrel
