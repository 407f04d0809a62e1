// The machine as one object: a copy runs on exactly as the original, and
// RunFor stops where its checks and the monitor's beep say.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

#include "kestrel/board/keypad.h"
#include "kestrel/board/run.h"

namespace kestrel {
namespace {

// Keys, the keypad, the digits, the speaker, RAM and R all move.
constexpr uint8_t kBusyLoop[] = {
    0xED, 0x5F,        // 1800 loop: LD A,R
    0x87,              //      ADD A,A       R's bit 6 to bit 7: the TONE toggles
    0xD3, 0x02,        //      OUT (2),A     digit select, TONE
    0xDB, 0x00,        //      IN A,(0)      keypad, takes queued clicks
    0xD3, 0x01,        //      OUT (1),A     segments
    0x77,              //      LD (HL),A
    0x2C,              //      INC L
    0xC3, 0x00, 0x18,  //      JP loop
};

auto Registers(const Z80State& s) {
    return std::tie(s.A, s.F, s.B, s.C, s.D, s.E, s.H, s.L, s.AltA, s.AltF, s.AltB, s.AltC, s.AltD, s.AltE,
                    s.AltH, s.AltL, s.IX, s.IY, s.SP, s.PC, s.MEMPTR, s.I, s.R, s.RBit7, s.IFF, s.IM, s.Halted,
                    s.EiPending, s.TStates);
}

std::vector<SpeakerEdge> Edges(SpeakerCapture capture) {
    std::vector<SpeakerEdge> edges;
    SpeakerEdge e{};
    while (capture.Take(~uint64_t{0}, e)) edges.push_back(e);
    return edges;
}

void ExpectSame(const Machine& a, const Machine& b) {
    EXPECT_TRUE(Registers(a.Cpu) == Registers(b.Cpu));
    EXPECT_EQ(std::memcmp(a.MemoryImage, b.MemoryImage, sizeof a.MemoryImage), 0);
    EXPECT_EQ(std::memcmp(a.KeyColumns, b.KeyColumns, sizeof a.KeyColumns), 0);
    EXPECT_EQ(std::memcmp(a.DigitSegments, b.DigitSegments, sizeof a.DigitSegments), 0);
    EXPECT_EQ(std::tie(a.KeyQueueHead, a.KeyQueueCount, a.PortBLatch, a.PortCLatch, a.PpiControl, a.IoData),
              std::tie(b.KeyQueueHead, b.KeyQueueCount, b.PortBLatch, b.PortCLatch, b.PpiControl, b.IoData));
    EXPECT_EQ(std::tie(a.Clock, a.ClockMark, a.RandomState), std::tie(b.Clock, b.ClockMark, b.RandomState));
    const std::vector<SpeakerEdge> ea = Edges(a.Speaker), eb = Edges(b.Speaker);
    ASSERT_EQ(ea.size(), eb.size());
    for (size_t i = 0; i < ea.size(); ++i) EXPECT_EQ(ea[i].TState, eb[i].TState) << i;
}

std::unique_ptr<Machine> BusyMachine() {
    auto m = std::make_unique<Machine>();
    InitMachine(*m, 12345);
    ResetBoard(*m, true);
    std::memcpy(m->MemoryImage + 0x1800, kBusyLoop, sizeof kBusyLoop);
    m->Cpu.PC = 0x1800;
    m->Cpu.H = 0x19;
    SetSpeakerCapture(*m, true);
    for (KeypadKey key : {KeypadKey::Hex1, KeypadKey::Go, KeypadKey::Plus, KeypadKey::UserKey})
        PressKeypadKey(*m, key);
    return m;
}

TEST(KestrelMachine, ACopyOfARunningMachineRunsOnIdentically) {
    auto m = BusyMachine();
    RunFor(*m, 3001);
    PressKeypadKey(*m, KeypadKey::Hex7);
    auto copy = std::make_unique<Machine>(*m);
    const uint64_t start = m->Clock;
    RunFor(*m, 150000);
    RunFor(*copy, 150000);
    EXPECT_GE(m->Clock, start + 150000);
    EXPECT_GT(m->Speaker.Pending(), 100u);
    ExpectSame(*m, *copy);
}

// Stops before the instruction at Stop and counts what ran after.
struct StopAt : RunChecks {
    uint16_t Stop;
    int After = 0;
    explicit StopAt(uint16_t stop) : Stop(stop) {}
    StopReason BeforeInstruction(Machine& m) override {
        return m.Cpu.PC == Stop ? StopReason::Breakpoint : StopReason::None;
    }
    StopReason AfterInstruction(Machine&) override {
        ++After;
        return StopReason::None;
    }
};

TEST(KestrelMachine, RunForStopsWhereItsChecksSayAndWhereTheMonitorBeeps) {
    auto m = BusyMachine();
    StopAt checks(0x1809);  // LD (HL),A
    RunOutcome out = RunFor(*m, 100000, &checks);
    EXPECT_EQ(out.Reason, StopReason::Breakpoint);
    EXPECT_EQ(m->Cpu.PC, 0x1809);
    EXPECT_EQ(out.Instructions, 5u);
    EXPECT_EQ(checks.After, 5);
    // Without checks the slice runs to its end, in whole instructions.
    const uint64_t before = m->Clock;
    out = RunFor(*m, 410);
    EXPECT_EQ(out.Reason, StopReason::SliceDone);
    EXPECT_GE(m->Clock - before, 410u);
    EXPECT_LT(m->Clock - before, 410u + 11);
    // Reaching the beep hook stops the run only while the speaker is not captured.
    const uint8_t toHook[] = {0x00, 0x00, 0x00, 0x00, 0x18, 0xFE};  // NOP x 4, JR $ at the hook
    std::memcpy(m->MemoryImage + 0x05E0, toHook, sizeof toHook);
    m->Cpu.PC = 0x05E0;
    out = RunFor(*m, 1000);
    EXPECT_EQ(out.Reason, StopReason::SliceDone);
    SetSpeakerCapture(*m, false);
    m->Cpu.PC = 0x05E0;
    out = RunFor(*m, 1000);
    EXPECT_EQ(out.Reason, StopReason::Beep);
    EXPECT_EQ(m->Cpu.PC, 0x05E4);
}

}  // namespace
}  // namespace kestrel
