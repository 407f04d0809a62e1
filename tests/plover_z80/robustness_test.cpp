// Ten million instructions from random memory and random register states,
// with interrupts accepted at random moments as the main loop accepts them.
// Run under the sanitizers: no report, and no byte below 4000h ever changes.
#include <random>
#include <vector>

#include "tests/plover_z80/core_fixture.h"

using namespace plover;

namespace {

int g_messages = 0;
void CountText(int, int, std::string_view, bool) { ++g_messages; }

using PloverRobustness = plover_test::CoreTest;

TEST_F(PloverRobustness, TenMillionRandomInstructionsLeaveTheRomAlone) {
    DebugOutputHook = CountText;
    std::mt19937_64 random(20261207);
    for (uint8_t& cell : BoardMemory) cell = static_cast<uint8_t>(random());
    const std::vector<uint8_t> rom(BoardMemory, BoardMemory + 0x4000);

    Z80RegisterSet& r = Z80Registers;
    auto randomise = [&] {
        const uint64_t a = random(), b = random(), c = random();
        plover_test::LoadRandomRegisters(a, b);
        r.IX = static_cast<uint16_t>(c);
        r.IY = static_cast<uint16_t>(c >> 16);
        r.SP = static_cast<uint16_t>(c >> 32);
        r.PC = static_cast<uint16_t>(c >> 48);
        r.I = static_cast<uint8_t>(b >> 8);
        r.IM = static_cast<uint8_t>((c >> 40) % 3);
    };

    constexpr uint64_t Instructions = 10'000'000;
    uint64_t tstates = 0, accepted = 0;
    int badTStates = 0;
    uint64_t nextShuffle = 0;
    for (uint64_t n = 0; n < Instructions; ++n) {
        if (n == nextShuffle) {
            randomise();
            // new random code now and then, so loops that settled get broken up
            for (int k = 0; k < 64; ++k) PokeB(0x4000 + random() % 0xC000, static_cast<uint32_t>(random()));
            nextShuffle = n + 1 + random() % 4000;
        }
        if ((random() & 0x3FF) == 0 && r.IFF1) {  // the periodic interrupt, as the main loop offers it
            StackPush(r.PC);
            r.IFF1 = r.IFF2 = false;
            r.PC = r.IM == 2 ? PeekW(r.I * 256u + 0xFF) : 0x0038;
            ++accepted;
        }
        ++r.RCounter;
        const int t = ExecuteStep();
        if (t < 0 || t > 23 || (t > 0 && t < 4)) ++badTStates;
        tstates += static_cast<uint64_t>(t);
    }
    EXPECT_EQ(badTStates, 0);
    EXPECT_TRUE(std::equal(rom.begin(), rom.end(), BoardMemory)) << "a byte below 4000h changed";
    EXPECT_GT(accepted, 0u);
    std::printf("%llu instructions, %llu T-states, %llu interrupts, %d unknown-opcode messages\n",
                static_cast<unsigned long long>(Instructions), static_cast<unsigned long long>(tstates),
                static_cast<unsigned long long>(accepted), g_messages);
}

}  // namespace
