// Real-time pacing under a simulated clock: the board's 1.79 MHz rate over
// slices and imperfect sleeps, the waits it asks for, the debt bound when the
// host stalls, and where a halted board stands when it wakes.
#include <gtest/gtest.h>

#include <cstdint>

#include "kestrel/board/pacer.h"

namespace kestrel {
namespace {

class SimulatedClock final : public PacingClock {
public:
    int64_t NowNanos() override { return now; }
    void Advance(int64_t nanos) { now += nanos; }
    int64_t now = 0;
};

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSliceHostNanos = 100'000;  // what one slice costs the host

class KestrelPacer : public ::testing::Test {
protected:
    // One slice: its T-states, then its host time; returns the wait asked for.
    int64_t Slice(uint32_t extra = 0) {
        tstates += pacer.SliceTStates() + extra;
        clock.Advance(kSliceHostNanos);
        return pacer.WaitBefore(tstates);
    }
    SimulatedClock clock;
    Pacer pacer{clock, kBoardClockHz, 2 * kMs};  // slices of 2 ms keep the figures short
    uint64_t tstates = 0;
};

TEST_F(KestrelPacer, SlicesOfTwoMillisecondsAtTheBoardClock) {
    EXPECT_EQ(kBoardClockHz, 1789772.5);
    EXPECT_EQ(pacer.SliceTStates(), 3580u);
    // 3,580 T-states are 2,000,254 ns of board time; the slice took 0.1 ms.
    EXPECT_EQ(Slice(), 1'900'254);
    // An exact sleep: the next slice asks for the same again.
    clock.Advance(1'900'254);
    EXPECT_EQ(Slice(), 1'900'254);
    // Waking 0.3 ms late is taken off the next wait, not lost (three slices
    // are 6,000,763 ns of board time, not three times 2,000,254).
    clock.Advance(1'900'254 + 300'000);
    EXPECT_EQ(Slice(), 1'600'255);
    EXPECT_EQ(pacer.DebtNanos(), 0);
}

TEST_F(KestrelPacer, RateHoldsOverTenSecondsOfCoarseLateSleeps) {
    // Sleeps in whole milliseconds, rounded up, each woken 0.15 ms late;
    // slices overshoot by up to 20 T-states as instructions do.
    uint32_t n = 0;
    while (clock.now < 10'000 * kMs) {
        const int64_t wait = Slice(++n % 21);
        if (wait > 0) clock.Advance((wait + kMs - 1) / kMs * kMs + 150'000);
    }
    const double rate = static_cast<double>(tstates) / (static_cast<double>(clock.now) / 1e9);
    EXPECT_NEAR(rate, 1789772.5, 1789772.5 * 0.001);
    EXPECT_EQ(pacer.DebtNanos(), 0);
}

TEST_F(KestrelPacer, AStallLeavesAtMost48MillisecondsToCatchUp) {
    tstates += pacer.SliceTStates();
    clock.Advance(200 * kMs);
    EXPECT_EQ(pacer.WaitBefore(tstates), 0);
    EXPECT_EQ(pacer.DebtNanos(), 48 * kMs);
    EXPECT_EQ(pacer.ForgivenNanos(), 200 * kMs - 2'000'254 - 48 * kMs);
    // Slices then run back to back, each about 1.9 ms nearer, until the 26th
    // is ahead again: 26 slices are 52,006,610 ns of board time, 2.6 ms of host.
    EXPECT_EQ(Slice(), 0);
    EXPECT_EQ(pacer.DebtNanos(), 46'099'746);
    for (int k = 2; k <= 25; ++k) ASSERT_EQ(Slice(), 0) << k;
    EXPECT_EQ(Slice(), 1'406'610);
    EXPECT_EQ(pacer.DebtNanos(), 0);
}

TEST_F(KestrelPacer, DebtWithinTheLimitIsCaughtUpInFull) {
    tstates += pacer.SliceTStates();
    clock.Advance(30 * kMs);
    EXPECT_EQ(pacer.WaitBefore(tstates), 0);
    EXPECT_EQ(pacer.DebtNanos(), 27'999'746);
    EXPECT_EQ(pacer.ForgivenNanos(), 0);
    // Nothing was forgiven: the count still follows the first anchor.
    while (Slice() == 0) {
    }
    clock.now = 100 * kMs;
    EXPECT_EQ(pacer.TStatesNow(), 178'977u);  // 0.1 s at 1,789,772.5 Hz, whole T-states
}

TEST_F(KestrelPacer, AHaltedBoardWakesWhereRealTimeHasGone) {
    clock.now = 5 * kMs;
    pacer.Restart(1000);
    EXPECT_EQ(pacer.TStatesNow(), 1000u);
    clock.Advance(10 * kMs);
    EXPECT_EQ(pacer.TStatesNow(), 1000u + 17'897u);
    // From there the board is on time: a slice asks for its full board time.
    tstates = pacer.TStatesNow();
    // 17,897.725 rounded down leaves it 404 ns behind, taken off the wait.
    EXPECT_EQ(Slice(), 2'000'254 - kSliceHostNanos - 405);
}

}  // namespace
}  // namespace kestrel
