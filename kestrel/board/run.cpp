// The run loop of a machine: one plain and one checked instance of the same
// pass.
#include "kestrel/board/run.h"

#include <algorithm>
#include <cstring>

#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

// The monitor hooks of the PC an instruction has left. Returns whether the
// window must beep. Rare work stays out of line.
[[gnu::noinline]] bool ApplyMonitorHook(Machine& m) {
    if (m.Cpu.PC == kHookBlankDisplay) {
        std::memset(m.DigitSegments, 0, sizeof m.DigitSegments);
        RequestRefresh(m);
        return false;
    }
    return !m.SpeakerCapturing;
}

// One instruction and the board's rules after it. Returns true when RunFor
// must stop; `outcome` then says why.
template <bool kChecked>
[[gnu::always_inline]] inline bool Step(Machine& m, RunChecks* checks, RunOutcome& outcome) {
    if constexpr (kChecked) {
        const StopReason before = checks->BeforeInstruction(m);
        if (before != StopReason::None) [[unlikely]] {
            outcome.Reason = before;
            return true;
        }
    }
    const bool wasHalted = m.Cpu.Halted;
    if constexpr (kChecked) {
        checks->Execute(m);
        SyncClock(m);  // the checks may read the clock
    } else {
        ExecuteInstruction(m);
    }
    ++outcome.Instructions;

    // The HALT lamp comes on with the refresh after entering HALT.
    if (m.Cpu.Halted && !wasHalted) RequestRefresh(m);
    const uint16_t pc = m.Cpu.PC;
    if (pc == kHookBlankDisplay || pc == kHookBeep) [[unlikely]] {
        outcome.Beep = ApplyMonitorHook(m);
    }
    if constexpr (kChecked) {
        const StopReason after = checks->AfterInstruction(m);
        if (after != StopReason::None) [[unlikely]] {
            outcome.Reason = after;
            return true;
        }
    }
    if (outcome.Beep) [[unlikely]] {
        outcome.Reason = StopReason::Beep;
        return true;
    }
    return false;
}

// The plain loop counts time in the processor's 16-bit counter and brings
// Clock up to date once per chunk of at most this many T-states (the board's
// ports read the clock through ClockNow, which adds what the counter has run
// since); the checked loop does so after every instruction.
constexpr uint64_t kClockChunkTStates = uint64_t{1} << 15;

template <bool kChecked>
RunOutcome Run(Machine& m, uint64_t end, RunChecks* checks) {
    RunOutcome outcome;
    while (m.Clock < end) {
        const auto chunk = static_cast<uint16_t>(kChecked ? 1 : std::min(end - m.Clock, kClockChunkTStates));
        const uint16_t mark = m.Cpu.TStates;
        bool stop = false;
        do {
            stop = Step<kChecked>(m, checks, outcome);
        } while (!stop && static_cast<uint16_t>(m.Cpu.TStates - mark) < chunk);
        SyncClock(m);
        if (stop) return outcome;
    }
    return outcome;
}

}  // namespace

void RunChecks::Execute(Machine& m) { ExecuteInstruction(m); }

RunOutcome RunFor(Machine& m, uint64_t tstates, RunChecks* checks) {
    SyncClock(m);  // someone may have run the processor since
    const uint64_t end = m.Clock + tstates;
    if (checks != nullptr) return Run<true>(m, end, checks);
    return Run<false>(m, end, nullptr);
}

}  // namespace kestrel
