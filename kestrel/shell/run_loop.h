// The RunLoop: one instruction per pass, as fast as the host allows.
#pragma once

#include <cstdint>

namespace kestrel {

class MainWindow;

struct RunStatistics {
    uint64_t Instructions = 0;  // instructions executed by the loop
    uint64_t Polls = 0;         // times the window system was polled (or waited for)
};

// Runs passes until QuitRequested is set after one of them. Each pass
// executes one instruction (traced while a trace collects), applies the
// monitor hooks and tests the breakpoint while it is armed. Polling the window system costs far more than an
// instruction, so it happens once per slice of passes, with slices sized to
// take about half a millisecond: no event waits much longer than that.
// While the window's "Real-time speed" is on, slices are instead 5 ms of
// board time each, paced to the board's clock (real_time.h), and a halted
// processor sleeps until the next event.
void RunLoop(MainWindow& window, RunStatistics* statistics = nullptr);

// The monitor hooks for the PC an instruction left: 0x02E1 blanks the
// digits and refreshes the display, 0x05E4 beeps 1000 Hz for 40 ms (silent
// while the speaker is attached in real time: the TONE bit is heard instead).
//
// In real time the window's speaker is attached, and after each paced slice
// (or halted sleep) the loop feeds it the board's clock (speaker_output.h).
inline constexpr uint16_t kHookBlankDisplay = 0x02E1;
inline constexpr uint16_t kHookBeep = 0x05E4;
inline constexpr int kBeepFrequencyHz = 1000;
inline constexpr int kBeepDurationMs = 40;

}  // namespace kestrel
