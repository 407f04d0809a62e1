// kestrel's heartbeat: poll the window system, run the machine for a slice
// (RunFor), handle why it stopped (a beep, the debugger), repeat until the
// window asks to quit. Unpaced by default; with "Real-time speed" the slices
// are paced to the board's clock (real_time.h).
#include "kestrel/shell/run_loop.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>

#include "kestrel/board/run.h"
#include "kestrel/debug/run_checks.h"
#include "kestrel/debugger_ui/disassemble_to_file.h"
#include "kestrel/gui/platform.h"
#include "kestrel/shell/board_view.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/shell/real_time.h"

namespace kestrel {

namespace {

using Clock = std::chrono::steady_clock;

// An unpaced slice is the board time between two polls. It adapts so that
// one slice takes between half a millisecond and one millisecond of host
// time, starting from a few hundred instructions.
constexpr uint64_t kFirstSliceTStates = 4096;
constexpr uint64_t kMinSliceTStates = 64;
constexpr uint64_t kMaxSliceTStates = uint64_t{1} << 22;
constexpr auto kSliceTooShort = std::chrono::microseconds(500);
constexpr auto kSliceTooLong = std::chrono::microseconds(1000);

// Board time behind real time beyond which a paced slice's sound is old: two
// slices of it.
constexpr int64_t kLateSoundNanos = 2 * Pacer::kSliceNanos;

// What a stop of RunFor asks of the window. Returns true when the debugger
// opened (the board stood still meanwhile).
// The key click at 0x05E4 and the speaker share the sound output: while the
// speaker captures (real time) RunFor reports no beep, so no click sounds
// twice (speaker_output.h). Otherwise the loop stands still for the beep; the
// frame with the TONE lamp that the click has just lit is painted first, as
// no frame timer fires meanwhile. A trace that has ended says first that its
// lines went to the file, or that the file could not be written.
[[gnu::noinline]] bool HandleStop(MainWindow& window, const RunOutcome& outcome, const DebugChecks& checks) {
    MachineRecord& m = window.Machine();
    if (outcome.Beep) {
        window.Board()->PresentNow();
        platform::Beep(kBeepFrequencyHz, kBeepDurationMs);
    }
    if (outcome.Reason == StopReason::TraceFull) {
        if (checks.LastTrace() == TraceOutcome::WriteFailed) ShowListingWriteError(&window, kDebugListingFile);
        if (checks.LastTrace() == TraceOutcome::Written) ShowTraceWritten(&window, m);
        window.OpenDebugger();
        return true;
    }
    if (outcome.Reason == StopReason::Breakpoint) {
        if (m.Breakpoints.Hit.Kind != HitKind::None) window.OpenDebuggerAtCheck();
        else window.OpenDebuggerAtBreakpoint();
        return true;
    }
    return false;
}

// Runs `tstates` of board time, handling every stop on the way, unless the
// debugger opens or the window asks to quit. A quit asked for in the poll
// before lets one instruction run: the pass it came in finishes. Returns
// whether the debugger opened.
bool RunSlice(MainWindow& window, DebugChecks& checks, uint64_t tstates, RunStatistics& stats) {
    MachineRecord& m = window.Machine();
    if (window.QuitRequested()) [[unlikely]] tstates = 1;
    const uint64_t end = m.Clock + tstates;
    while (m.Clock < end) {
        const RunOutcome outcome = RunFor(m, end - m.Clock, checks.Active() ? &checks : nullptr);
        stats.Instructions += outcome.Instructions;
        if (outcome.Reason == StopReason::SliceDone) return false;
        if (HandleStop(window, outcome, checks)) return true;
        if (window.QuitRequested()) [[unlikely]] return false;
    }
    return false;
}

// Real time: one paced slice, or a sleep while the processor is halted and
// nothing watches it. The speaker captures for as long as real time is on,
// and hears each slice once it has run.
void RunPacedSlice(MainWindow& window, DebugChecks& checks, RealTimePacing& pacing, RunStatistics& stats) {
    MachineRecord& m = window.Machine();
    ++stats.Polls;
    if (!window.Speaker().Attached()) [[unlikely]] window.Speaker().Attach();
    if (m.Cpu.Halted && !checks.Active()) {
        const uint64_t before = pacing.TStates();
        pacing.SleepWhileHalted();
        WaitHalted(m, pacing.TStates() - before);
        window.Speaker().Feed(false);
        return;
    }
    pacing.AwaitSlice();
    const uint64_t start = m.Clock;
    const bool stoodStill = RunSlice(window, checks, pacing.SliceTStates(), stats);
    pacing.EndSlice(pacing.TStates() + (m.Clock - start), stoodStill);
    // A slice run to catch up after the host stood still makes old sound.
    window.Speaker().Feed(pacing.DebtNanos() > kLateSoundNanos);
}

}  // namespace

void RunLoop(MainWindow& window, RunStatistics* statistics) {
    uint64_t slice = kFirstSliceTStates;
    RunStatistics local;
    RunStatistics& stats = statistics != nullptr ? *statistics : local;
    RealTimePacing& pacing = window.RealTime();
    DebugChecks checks(window.Machine());
    while (!window.QuitRequested()) {
        if (pacing.Enabled()) [[unlikely]] {
            RunPacedSlice(window, checks, pacing, stats);
            continue;
        }
        if (window.Speaker().Attached()) [[unlikely]] window.Speaker().Detach();
        // Handle what the window system has for us, without waiting.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        ++stats.Polls;
        // An event of this poll belongs to the next slice: it always runs,
        // even when the event asked to quit.
        const Clock::time_point start = Clock::now();
        RunSlice(window, checks, slice, stats);
        const Clock::duration took = Clock::now() - start;
        if (took < kSliceTooShort) slice = std::min(slice * 2, kMaxSliceTStates);
        else if (took > kSliceTooLong) slice = std::max(slice / 2, kMinSliceTStates);
    }
}

}  // namespace kestrel
