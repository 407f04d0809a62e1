// The debugger's checks on a running machine: the trace that records every
// instruction into "debug.lst" and the breakpoint that stops after the
// instruction that makes it true. The window hands one to RunFor while a
// trace collects or a breakpoint is armed (Active), and nothing otherwise.
#pragma once

#include "kestrel/board/run.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/trace.h"

namespace kestrel {

class DebugChecks : public RunChecks {
public:
    explicit DebugChecks(MachineRecord& m, const char* tracePath = kDebugListingFile)
        : m_(m), tracePath_(tracePath) {}

    // Whether RunFor needs this object at all.
    bool Active() const { return m_.TraceToFile != 0 || m_.BreakArmed != 0; }
    // How the trace ended, after RunFor stopped with TraceFull.
    TraceOutcome LastTrace() const { return trace_; }

    // While a trace collects, the traced step with its line; the plain one otherwise.
    void Execute(Machine& m) override;
    // TraceFull once the trace has gone to its file, then Breakpoint when armed and hit.
    StopReason AfterInstruction(Machine& m) override;

private:
    MachineRecord& m_;
    const char* tracePath_;
    TraceOutcome trace_ = TraceOutcome::Collecting;
};

}  // namespace kestrel
