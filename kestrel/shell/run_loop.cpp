// kestrel's heartbeat. One pass: (poll for events), execute one instruction,
// refresh the display if the processor has just halted, apply the monitor
// hooks, test the breakpoint, stop if asked to. Unpaced by default; with
// "Real-time speed" the passes run in slices paced to the board's clock
// (real_time.h).
#include "kestrel/shell/run_loop.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstring>

#include "kestrel/board/ppi.h"
#include "kestrel/debug/breakpoint.h"
#include "kestrel/debug/debug_checks.h"
#include "kestrel/debug/trace.h"
#include "kestrel/debugger_ui/disassemble_to_file.h"
#include "kestrel/gui/platform.h"
#include "kestrel/shell/board_view.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/shell/real_time.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

namespace {

using Clock = std::chrono::steady_clock;

// A slice is the number of passes between two polls. It adapts so that one
// slice takes between half a millisecond and one millisecond of host time.
constexpr uint32_t kMinSlice = 16;
constexpr uint32_t kMaxSlice = 1u << 20;
constexpr auto kSliceTooShort = std::chrono::microseconds(500);
constexpr auto kSliceTooLong = std::chrono::microseconds(1000);

// Board time behind real time beyond which a paced slice's sound is old: two
// slices of it.
constexpr int64_t kLateSoundNanos = 2 * Pacer::kSliceNanos;

// The monitor hooks of a pass, after the instruction. Rare work stays out of line.
// The key click at 0x05E4 and the speaker share the sound output: while the
// speaker is attached (real time) the board's TONE bit is heard and the hook
// is silent, so no click sounds twice (speaker_output.h). Otherwise the hook
// beeps and the loop stands still for it; the frame with the TONE lamp that
// the click has just lit is painted first, as no frame timer fires meanwhile.
[[gnu::noinline]] void ApplyMonitorHook(MainWindow& window, MachineRecord& m) {
    if (m.Cpu.PC == kHookBlankDisplay) {
        std::memset(m.DigitSegments, 0, sizeof m.DigitSegments);
        RequestRefresh(m);
    } else if (m.Cpu.PC == kHookBeep && m.Speaker == nullptr) {
        window.Board()->PresentNow();
        platform::Beep(kBeepFrequencyHz, kBeepDurationMs);
    }
}

// The instruction of a pass while tracing: the traced step, its line into the ListingBuffer and,
// at 64,000 bytes, the append to "debug.lst"; then the debugger opens. Say
// first that the trace went to the file and ended, or that the file could not
// be written and the lines are lost.
// Returns true when the debugger opened.
// With `checked` the step reports to the breakpoint list's watchpoints.
[[gnu::noinline]] bool TracePass(MainWindow& window, MachineRecord& m, bool checked) {
    const TraceOutcome outcome = TraceRunLoopStep(m, kDebugListingFile, checked);
    if (outcome == TraceOutcome::Collecting) return false;
    if (outcome == TraceOutcome::WriteFailed) ShowListingWriteError(&window, kDebugListingFile);
    if (outcome == TraceOutcome::Written) ShowTraceWritten(&window, m);
    window.OpenDebugger();
    return true;
}

// One pass after the poll: the instruction, the HALT refresh, the monitor
// hooks and the breakpoints. Returns true when the debugger window opened in
// it (the board stood still meanwhile). A Checked pass runs the executor that
// reports data accesses and tests the breakpoint list and the one-time stop
// (debug_checks.h); a plain pass pays nothing for them.
template <bool Checked>
[[gnu::always_inline]] inline bool RunPass(MainWindow& window, MachineRecord& m) {
    // Was the processor halted before this instruction?
    const bool wasHalted = m.Cpu.Halted;
    bool debuggerOpened = false;
    bool checkHit = false;

    // Execute one instruction. While TraceToFile is set, the traced
    // step with its listing line takes this place.
    if (m.TraceToFile) [[unlikely]] {
        if constexpr (Checked) {
            const CheckStart start = BeginChecked(m);
            debuggerOpened = TracePass(window, m, true);
            checkHit = !debuggerOpened && EndChecked(m, start);
        } else {
            debuggerOpened = TracePass(window, m, false);
        }
    } else if constexpr (Checked) {
        checkHit = ExecuteChecked(m);
    } else {
        ExecuteInstruction(m);
    }

    // The HALT lamp comes on with the refresh after entering HALT.
    if (m.Cpu.Halted && !wasHalted) RequestRefresh(m);

    // Monitor hooks.
    const uint16_t pc = m.Cpu.PC;
    if (pc == kHookBlankDisplay || pc == kHookBeep) [[unlikely]] ApplyMonitorHook(window, m);

    // The breakpoint, while armed; a hit opens the debugger.
    if (m.BreakArmed) [[unlikely]] {
        if (TestBreakpoint(m)) {
            window.OpenDebuggerAtBreakpoint();
            debuggerOpened = true;
        }
    }
    if (checkHit && !debuggerOpened) [[unlikely]] {
        window.OpenDebuggerAtCheck();
        debuggerOpened = true;
    }
    return debuggerOpened;
}

// Passes up to `count`; returns how many ran (fewer when QuitRequested ends
// them, or when the debugger opened: what it armed picks the next slice's loop).
template <bool Checked>
uint32_t RunSliceOf(MainWindow& window, MachineRecord& m, uint32_t count) {
    for (uint32_t pass = 0; pass < count; ++pass) {
        const bool debuggerOpened = RunPass<Checked>(window, m);
        // Leave after this pass when asked to.
        if (m.QuitRequested || debuggerOpened) [[unlikely]] return pass + 1;
    }
    return count;
}

// The loop of a slice is chosen once: the plain one unless a breakpoint of
// the list is enabled or a one-time stop is armed.
uint32_t RunSlice(MainWindow& window, MachineRecord& m, uint32_t count) {
    if (ChecksArmed(m.Checks)) [[unlikely]] return RunSliceOf<true>(window, m, count);
    return RunSliceOf<false>(window, m, count);
}

// Real time: one paced slice, or a sleep while the processor is halted. A
// halted processor with a breakpoint armed or a trace collecting keeps
// running its HALT passes, which those watch. The speaker is attached for as
// long as real time is on, and hears each slice once it has run.
void RunPacedSlice(MainWindow& window, MachineRecord& m, RealTimePacing& pacing, RunStatistics& stats) {
    ++stats.Polls;
    if (!window.Speaker().Attached()) [[unlikely]] window.Speaker().Attach(m, pacing.TStates());
    if (m.Cpu.Halted && !m.BreakArmed && !m.TraceToFile && !ChecksArmed(m.Checks)) {
        pacing.SleepWhileHalted();
        FeedSpeaker(window, pacing.TStates(), false);
        return;
    }
    pacing.AwaitSlice();
    // The loop is chosen after the slice's events: a debugger opened by one
    // may just have armed something.
    const bool checked = ChecksArmed(m.Checks);
    // The board's clock: each pass adds its T-states (the processor's counter
    // is 16 bits and wraps) until the slice's end is reached.
    uint64_t tstates = pacing.TStates();
    const uint64_t end = pacing.SliceEnd();
    bool stoodStill = false;
    while (tstates < end && !stoodStill) {
        const uint16_t before = m.Cpu.TStates;
        stoodStill = checked ? RunPass<true>(window, m) : RunPass<false>(window, m);
        if (!stoodStill) tstates += static_cast<uint16_t>(m.Cpu.TStates - before);
        ++stats.Instructions;
        if (m.QuitRequested) [[unlikely]] break;
    }
    pacing.EndSlice(tstates, stoodStill);
    // A slice run to catch up after the host stood still makes old sound.
    FeedSpeaker(window, pacing.TStates(), pacing.DebtNanos() > kLateSoundNanos);
}

}  // namespace

void RunLoop(MainWindow& window, RunStatistics* statistics) {
    MachineRecord& m = window.Machine();
    uint32_t slice = 1024;
    RunStatistics local;
    RunStatistics& stats = statistics != nullptr ? *statistics : local;
    RealTimePacing& pacing = window.RealTime();
    while (!m.QuitRequested) {
        if (pacing.Enabled()) [[unlikely]] {
            RunPacedSlice(window, m, pacing, stats);
            continue;
        }
        if (window.Speaker().Attached()) [[unlikely]] window.Speaker().Detach(m);
        // Handle what the window system has for us, without waiting.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        ++stats.Polls;
        // An event of this poll belongs to the next pass: it always runs, even
        // when the event asked to quit, so that "the current pass finishes".
        const Clock::time_point start = Clock::now();
        stats.Instructions += RunSlice(window, m, slice);
        const Clock::duration took = Clock::now() - start;
        if (took < kSliceTooShort) slice = std::min(slice * 2, kMaxSlice);
        else if (took > kSliceTooLong) slice = std::max(slice / 2, kMinSlice);
    }
}

}  // namespace kestrel
