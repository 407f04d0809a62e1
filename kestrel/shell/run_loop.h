// The RunLoop: the window driving its machine, as fast as the host allows
// or in real time.
#pragma once

#include <cstdint>

#include "kestrel/board/run.h"

namespace kestrel {

class MainWindow;

struct RunStatistics {
    uint64_t Instructions = 0;  // instructions executed by the loop
    uint64_t Polls = 0;         // times the window system was polled (or waited for)
};

// Runs the window's machine in slices (RunFor, kestrel/board/run.h) until
// the window's QuitRequested is set after one of them. The debugger's checks
// (the trace, the breakpoint) are given to RunFor only while one is active;
// a breakpoint hit or a full trace opens the debugger between two runs, and
// a beep of the monitor sounds there too. Polling the window system costs
// far more than an instruction, so it happens once per slice, with slices
// sized to take about half a millisecond: no event waits much longer than that.
// While the window's "Real-time speed" is on, slices are instead 5 ms of
// board time each, paced to the board's clock (real_time.h), and a halted
// processor sleeps until the next event.
void RunLoop(MainWindow& window, RunStatistics* statistics = nullptr);

// The monitor's beep at 0x05E4 (kHookBeep): 1000 Hz for 40 ms, silent while
// the speaker captures in real time (the TONE bit is heard instead).
//
// In real time the window's speaker is attached, and after each paced slice
// (or halted sleep) the loop feeds it what the slice played (speaker_output.h).
inline constexpr int kBeepFrequencyHz = 1000;
inline constexpr int kBeepDurationMs = 40;

}  // namespace kestrel
