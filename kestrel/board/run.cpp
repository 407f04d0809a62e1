// The run loop of a machine: one plain and one checked instance of the same
// pass.
#include "kestrel/board/run.h"

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

template <bool kChecked>
RunOutcome Run(Machine& m, uint64_t end, RunChecks* checks) {
    RunOutcome outcome;
    while (m.Clock < end) {
        if constexpr (kChecked) {
            const StopReason before = checks->BeforeInstruction(m);
            if (before != StopReason::None) [[unlikely]] {
                outcome.Reason = before;
                return outcome;
            }
        }
        const bool wasHalted = m.Cpu.Halted;
        if constexpr (kChecked) checks->Execute(m);
        else ExecuteInstruction(m);
        SyncClock(m);
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
                return outcome;
            }
        }
        if (outcome.Beep) [[unlikely]] {
            outcome.Reason = StopReason::Beep;
            return outcome;
        }
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
