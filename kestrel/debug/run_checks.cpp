#include "kestrel/debug/run_checks.h"

#include "kestrel/debug/breakpoint.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

void DebugChecks::Execute(Machine& m) {
    trace_ = TraceOutcome::Collecting;
    const bool list = ListArmed(m_.Breakpoints);
    if (m_.TraceToFile) {
        const CheckStart start = BeginChecked(m_);
        trace_ = TraceRunLoopStep(m_, tracePath_, list);
        listHit_ = list && EndChecked(m_, start);
    } else if (list) {
        listHit_ = ExecuteChecked(m_);
    } else {
        ExecuteInstruction(m);
    }
}

StopReason DebugChecks::AfterInstruction(Machine& /*m*/) {
    const bool listHit = listHit_;
    listHit_ = false;
    if (trace_ != TraceOutcome::Collecting) return StopReason::TraceFull;
    if (m_.BreakArmed && TestBreakpoint(m_)) {
        m_.Breakpoints.Hit.Kind = HitKind::None;  // the single breakpoint speaks for this stop
        return StopReason::Breakpoint;
    }
    return listHit ? StopReason::Breakpoint : StopReason::None;
}

}  // namespace kestrel
