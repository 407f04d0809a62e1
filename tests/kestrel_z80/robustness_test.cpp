// Random memory, random registers, random interrupt and NMI requests: the
// core must never crash or trip a sanitizer, and no byte outside the board's
// RAM (0x1800-0x1FFF) may ever change.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>

#include "kestrel/board/machine.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

void Randomise(Machine& m, std::mt19937& rng) {
    for (unsigned a = 0; a < 65536; a += 4) {
        const uint32_t v = rng();
        std::memcpy(&m.MemoryImage[a], &v, 4);
    }
    Z80State& s = m.Cpu;
    auto byte = [&] { return static_cast<uint8_t>(rng()); };
    auto word = [&] { return static_cast<uint16_t>(rng()); };
    s.A = byte(); s.F = byte(); s.B = byte(); s.C = byte();
    s.D = byte(); s.E = byte(); s.H = byte(); s.L = byte();
    s.AltA = byte(); s.AltF = byte(); s.AltB = byte(); s.AltC = byte();
    s.AltD = byte(); s.AltE = byte(); s.AltH = byte(); s.AltL = byte();
    s.IX = word(); s.IY = word(); s.SP = word(); s.PC = word(); s.MEMPTR = word();
    s.I = byte(); s.R = byte(); s.RBit7 = byte() & 0x80;
    s.IFF = (rng() & 1) ? flag::PV : 0;
    s.IM = static_cast<uint8_t>(rng() % 3);
    s.Halted = (rng() & 15) == 0;
    s.EiPending = false;
    s.TStates = word();
    for (auto& k : m.KeyColumns) k = byte();
    m.UserKeyPending = rng() & 1;
    m.PortCLatch = byte();
    m.IoData = byte();
}

TEST(KestrelZ80Robustness, RandomStatesNeverWriteOutsideRam) {
    auto m = std::make_unique<Machine>();
    auto outside = std::make_unique<uint8_t[]>(65536);
    InitMachine(*m);
    int refreshes = 0;
    m->RefreshDisplay = [](void* c) { ++*static_cast<int*>(c); };
    m->RefreshContext = &refreshes;
    std::mt19937 rng(20261207);

    constexpr int kSegments = 250;
    constexpr int kPerSegment = 60000;
    uint64_t executed = 0, interrupts = 0, nmis = 0, halts = 0;
    for (int seg = 0; seg < kSegments; ++seg) {
        Randomise(*m, rng);
        std::memcpy(outside.get(), m->MemoryImage, 65536);
        for (int i = 0; i < kPerSegment; ++i) {
            const uint32_t dice = rng() & 0x3FF;
            if (dice < 3) {
                interrupts += AcceptInterrupt(*m);
            } else if (dice == 3 || (m->Cpu.Halted && (dice & 0x3F) == 0x3F)) {
                // NMIs come more often while halted, so that random code keeps running.
                EnterNmi(*m);
                ++nmis;
            }
            ExecuteInstruction(*m);
            halts += m->Cpu.Halted;
        }
        executed += kPerSegment;
        for (unsigned a = 0; a < 65536; ++a) {
            if (a >= 0x1800 && a <= 0x1FFF) continue;
            ASSERT_EQ(m->MemoryImage[a], outside[a]) << "address " << a << " changed in segment " << seg;
        }
    }
    std::printf("robustness: %llu instructions, %llu interrupts accepted, %llu NMIs, %llu halted steps, "
                "%d display refreshes\n",
                static_cast<unsigned long long>(executed), static_cast<unsigned long long>(interrupts),
                static_cast<unsigned long long>(nmis), static_cast<unsigned long long>(halts), refreshes);
    EXPECT_GE(executed, 10000000u);
    EXPECT_GT(interrupts, 0u);
    EXPECT_GT(nmis, 0u);
}

}  // namespace
}  // namespace kestrel
