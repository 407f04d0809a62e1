// "Real-time speed": the run loop's paced mode. The processor runs in slices
// of 5 ms of board time at the board's 1.79 MHz clock (Pacer,
// kestrel/board/pacer.h); between slices the loop sleeps until the next slice
// is due and then handles the window events that came meanwhile, so a click
// waits at most one slice. A halted processor runs no slices at all: the loop
// waits in the window system until the next event, since only events (MONI,
// INTR, RESET, the menus) can end a HALT. Off by default; the run loop is then
// unpaced.
#pragma once

#include <cstdint>

#include "kestrel/board/pacer.h"

namespace kestrel {

class RealTimePacing {
public:
    RealTimePacing() = default;
    RealTimePacing(const RealTimePacing&) = delete;
    RealTimePacing& operator=(const RealTimePacing&) = delete;

    bool Enabled() const { return enabled_; }
    // Turning it on starts the board on time at its next slice.
    void SetEnabled(bool on);

    // The board's clock in T-states at the end of the last paced slice: the
    // processor's T-states in real time, plus the time it spent halted
    // (counted as the NOP cycles a halted Z80 runs). It only grows.
    uint64_t TStates() const { return tstates_; }
    // How far the board was behind real time before the last slice (ns).
    int64_t DebtNanos() const { return pacer_.DebtNanos(); }
    // Board time lost for good to a host that fell too far behind (ns).
    int64_t ForgivenNanos() const { return pacer_.ForgivenNanos(); }

    // --- for the run loop ---
    // Sleeps until the next slice is due, then handles the pending window events.
    void AwaitSlice();
    // Waits in the window system until an event comes; the board's clock
    // then stands where real time has gone.
    void SleepWhileHalted();
    // The count the next slice runs up to.
    uint64_t SliceEnd() const { return tstates_ + pacer_.SliceTStates(); }
    uint32_t SliceTStates() const { return pacer_.SliceTStates(); }
    // The slice ran up to `tstates`. `stoodStill`: the debugger opened
    // inside it, so the board stood still and pacing starts again from here.
    void EndSlice(uint64_t tstates, bool stoodStill);

private:
    SteadyPacingClock clock_;
    Pacer pacer_{clock_};
    bool enabled_ = false;
    bool restart_ = true;
    uint64_t tstates_ = 0;
};

}  // namespace kestrel
