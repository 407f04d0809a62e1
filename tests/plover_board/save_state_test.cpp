// Save states: every refusal with its message and the machine left alone, a
// save that fails keeping the good file, and mutated files by the hundred
// thousand (run under the sanitizers in the sanitizer tree).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <random>

#include "plover/board/save_state.h"
#include "plover/z80/cpu.h"
#include "plover/z80/messages.h"
#include "tests/plover_support/scratch_dir.h"

namespace plover {
namespace {

// A machine with something in every part of the record.
void FillMachine(uint32_t seed) {
    std::mt19937 random(seed);
    for (uint8_t& cell : BoardMemory) cell = static_cast<uint8_t>(random());
    Z80Registers.PC = 0x4321;
    Z80Registers.IM = 2;
    Z80Registers.CY = true;
    Machine.DigitSelect = 0xFFFFFE;
    Machine.SegmentLatch = 0x1234;
    Machine.Matrix.Reads = 99;
    Machine.Matrix.LastRead[3] = 98;
    Machine.Presses.Clear();
    Machine.Presses.Push({30, true, false});
    Machine.CycleCounter = -1234;
    Machine.TotalCycles = 123456789;
}

void SetLittle32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void FixChecksum(std::vector<uint8_t>& bytes) {
    SetLittle32(bytes, 14, Crc32(bytes.data() + StateHeaderSize, bytes.size() - StateHeaderSize));
}

TEST(SaveState, Crc32OfTheStandardCheckString) {
    const char* check = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
}

TEST(SaveState, EveryRefusalSaysWhyAndLeavesTheMachineAlone) {
    MessageLanguage = Language::Spanish;
    ScratchDir dir;
    FillMachine(1);
    const std::vector<uint8_t> good = EncodeState(Machine);
    // the offset of IM in the payload: A B C DE HL, 8 flags, 9 words, I R RCounter IFF1 IFF2
    constexpr size_t ImAt = StateHeaderSize + 7 + 8 + 18 + 6 + 2;
    ASSERT_EQ(good[ImAt], 2);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    auto with = [&](auto change) {
        std::vector<uint8_t> bytes = good;
        change(bytes);
        return bytes;
    };
    const std::vector<Case> cases = {
        {"text", {'h', 'o', 'l', 'a'}, "no es un estado de plover"},
        {"kestrel", {'Z', '8', '0', 'S', 'K', 'S', 'T', 'R', 1, 0}, "es un estado de kestrel, no de plover"},
        {"later", with([](auto& b) { b[8] = 2; }), "es de una version posterior (formato 2; esta lee hasta el 1)"},
        {"short", with([](auto& b) { b.pop_back(); }), "esta cortado"},
        {"long", with([](auto& b) { b.push_back(0); }), "esta danado (length)"},
        {"flipped", with([](auto& b) { b[StateHeaderSize + 100] ^= 1; }), "esta danado (checksum)"},
        {"im3", with([&](auto& b) { b[ImAt] = 3, FixChecksum(b); }), "esta danado (IM)"},
        {"presses", with([&](auto& b) { b[b.size() - 28] = 65, FixChecksum(b); }), "esta danado (key presses)"},
    };
    FillMachine(2);
    const auto before = std::make_unique<MachineState>(Machine);
    for (const Case& c : cases) {
        const std::string path = dir.Write(c.name, c.bytes);
        const StateResult result = LoadState(path);
        EXPECT_FALSE(result.Ok()) << c.name;
        EXPECT_NE(StateMessage(result, path, false).find(c.message), std::string::npos)
            << c.name << ": " << StateMessage(result, path, false);
        EXPECT_TRUE(Machine == *before) << c.name;
    }
    const StateResult missing = LoadState(dir.File("none"));
    EXPECT_EQ(StateMessage(missing, "none", false), "no se puede leer el estado \"none\": No such file or directory");
    EXPECT_TRUE(LoadState(dir.Write("good", good)).Ok());
    EXPECT_EQ(Machine.Registers.IM, 2);
    EXPECT_EQ(Machine.Presses[0], (KeyPress{30, true, false}));
}

TEST(SaveState, AFailedSaveLeavesTheGoodFileInPlace) {
    ScratchDir dir;
    FillMachine(3);
    const std::string path = dir.File("plover.state");
    ASSERT_TRUE(SaveState(path).Ok());
    ASSERT_TRUE(SaveState(path).Ok());  // over an existing state
    const auto saved = std::make_unique<MachineState>(Machine);
    ASSERT_EQ(::mkdir((path + ".part").c_str(), 0700), 0);  // where the new state would be written
    FillMachine(4);
    const StateResult failed = SaveState(path);
    EXPECT_EQ(failed.Fault, StateFault::Unwritable);
    EXPECT_TRUE(LoadState(path).Ok());
    EXPECT_TRUE(Machine == *saved);
}

// Random byte changes, cuts and growths of a good state, a quarter of them
// with the checksum made right again so that the members behind it are
// checked: no crash, and every refusal leaves the machine as it was.
TEST(SaveState, HundredThousandMutatedStatesAreRefusedOrTakenWhole) {
    FillMachine(5);
    const std::vector<uint8_t> good = EncodeState(Machine);
    const auto before = std::make_unique<MachineState>(Machine);
    std::mt19937 random(20261208);
    int taken = 0, refusedBehindChecksum = 0;
    for (int n = 0; n < 100000; ++n) {
        std::vector<uint8_t> bytes = good;
        const int kind = static_cast<int>(random() % 8);
        if (kind == 0) {
            bytes.resize(random() % bytes.size());
        } else if (kind == 1) {
            bytes.resize(bytes.size() + 1 + random() % 8, static_cast<uint8_t>(random()));
        } else {
            // mostly where the header and the small members are, now and then in memory
            const size_t span = random() % 4 == 0 ? bytes.size() : StateHeaderSize + 120;
            for (int i = 1 + static_cast<int>(random() % 3); i > 0; --i) bytes[random() % span] ^= 1 << (random() % 8);
        }
        const bool fixed = n % 4 == 0 && bytes.size() >= StateHeaderSize;
        if (fixed) FixChecksum(bytes);
        const StateResult result = DecodeState(bytes, Machine);
        if (result.Ok()) {
            ++taken;
            Machine = *before;
            continue;
        }
        if (fixed && result.Detail != "checksum") ++refusedBehindChecksum;
        ASSERT_TRUE(Machine == *before) << "mutant " << n << " refused for " << result.Detail << " but changed the machine";
    }
    EXPECT_GT(refusedBehindChecksum, 1000);  // the members' own checks were reached
    EXPECT_GT(taken, 0);                      // and changes within range are taken
}

}  // namespace
}  // namespace plover
