// The debugger's checks on a running machine: the trace that records every
// instruction into "debug.lst", the breakpoint that stops after the
// instruction that makes it true, and the breakpoint list with its one-time
// stop (breakpoint_list.h). The window hands one to RunFor while a trace
// collects, a breakpoint is armed or the list is (Active), and nothing
// otherwise. A stop of the list is reported as Breakpoint with the list's Hit
// set; a stop of the single breakpoint leaves the Hit empty.
#pragma once

#include "kestrel/board/run.h"
#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/trace.h"

namespace kestrel {

class DebugChecks : public RunChecks {
public:
    explicit DebugChecks(MachineRecord& m, const char* tracePath = kDebugListingFile)
        : m_(m), tracePath_(tracePath) {}

    // Whether RunFor needs this object at all.
    bool Active() const { return m_.TraceToFile != 0 || m_.BreakArmed != 0 || ListArmed(m_.Breakpoints); }
    // How the trace ended, after RunFor stopped with TraceFull.
    TraceOutcome LastTrace() const { return trace_; }

    // While a trace collects, the traced step with its line; the plain one
    // otherwise; either reports to the list while it is armed.
    void Execute(Machine& m) override;
    // TraceFull once the trace has gone to its file, then Breakpoint when the
    // breakpoint is armed and hit, or the list hit.
    StopReason AfterInstruction(Machine& m) override;

private:
    MachineRecord& m_;
    const char* tracePath_;
    TraceOutcome trace_ = TraceOutcome::Collecting;
    bool listHit_ = false;
};

}  // namespace kestrel
