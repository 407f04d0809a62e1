// Real-time pacing of the board: the processor's T-states held against the
// host's monotonic clock. No GUI and no sleeping here: the Pacer says how long
// to wait before the next slice of emulation, the run loop does the waiting.
// The clock is a seam, so tests drive the arithmetic with simulated time.
#pragma once

#include <cstdint>

namespace kestrel {

// The board's clock: its 3.579545 MHz crystal divided by two.
inline constexpr double kBoardClockHz = 3579545.0 / 2.0;  // 1,789,772.5 Hz

// Monotonic time in nanoseconds from an arbitrary origin.
class PacingClock {
public:
    virtual ~PacingClock() = default;
    virtual int64_t NowNanos() = 0;
};

// The host's std::chrono::steady_clock.
class SteadyPacingClock final : public PacingClock {
public:
    int64_t NowNanos() override;
};

// Keeps a 64-bit T-state count in step with real time. The count's board time
// is measured from an anchor (a count and the host time it belonged to), so
// rounding in one slice never adds up to a slower or faster clock.
//
// When the host falls behind (a busy machine, a blocking beep, a dialog), the
// board runs slices back to back to catch up, but never more than
// kDebtLimitNanos of it: older debt is forgiven by moving the anchor.
class Pacer {
public:
    // Board time per slice: the run loop looks at the host between slices.
    // Each slice costs the host a wake-up and a poll of the window system,
    // so slices are as long as a click may wait unseen.
    static constexpr int64_t kSliceNanos = 5'000'000;
    // The most the board may be behind real time and still catch up, as plover does.
    static constexpr int64_t kDebtLimitNanos = 48'000'000;

    explicit Pacer(PacingClock& clock, double clockHz = kBoardClockHz, int64_t sliceNanos = kSliceNanos);

    // The board at `tstates` is on time now.
    void Restart(uint64_t tstates);

    // T-states of one slice (8,949 for kSliceNanos at 1.79 MHz).
    uint32_t SliceTStates() const { return sliceTStates_; }

    // The board has run up to `tstates`: nanoseconds to wait before its next
    // slice is due, 0 when it is due now. Bounds the debt first.
    int64_t WaitBefore(uint64_t tstates);

    // How far the board was behind real time at the last WaitBefore (0 when
    // it was ahead or on time), at most kDebtLimitNanos.
    int64_t DebtNanos() const { return debt_; }

    // All the time forgiven so far: how much the board has fallen behind the
    // host's clock for good.
    int64_t ForgivenNanos() const { return forgiven_; }

    // The count that real time has reached now: where a board that has
    // been halted (sleeping, no instructions run) stands when it wakes.
    uint64_t TStatesNow();

    double ClockHz() const { return clockHz_; }

private:
    // Host time at which the board reaches `tstates`.
    int64_t DueNanos(uint64_t tstates) const;

    PacingClock& clock_;
    double clockHz_;
    uint32_t sliceTStates_;
    int64_t anchorNanos_ = 0;
    uint64_t anchorTStates_ = 0;
    int64_t debt_ = 0;
    int64_t forgiven_ = 0;
};

}  // namespace kestrel
