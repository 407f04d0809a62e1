#include "kestrel/debug/run_checks.h"

#include "kestrel/debug/breakpoint.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

void DebugChecks::Execute(Machine& m) {
    trace_ = TraceOutcome::Collecting;
    if (m_.TraceToFile) trace_ = TraceRunLoopStep(m_, tracePath_);
    else ExecuteInstruction(m);
}

StopReason DebugChecks::AfterInstruction(Machine& /*m*/) {
    if (trace_ != TraceOutcome::Collecting) return StopReason::TraceFull;
    if (m_.BreakArmed && TestBreakpoint(m_)) return StopReason::Breakpoint;
    return StopReason::None;
}

}  // namespace kestrel
