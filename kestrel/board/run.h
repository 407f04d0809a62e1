// Running a machine for a while: RunFor executes instructions until a given
// number of T-states has passed on the machine's clock, or until something
// asks it to stop, and says why it stopped. The window calls it once per
// slice and then handles the reason (beeps, opens the debugger, draws).
//
// After every instruction the board's own rules apply: the HALT lamp is
// redrawn when the processor has just halted, and the monitor's hooks run
// (0x02E1 blanks the digits; 0x05E4 is reported as a beep while the speaker
// does not capture, since the window sounds it).
//
// Debugging is a RunChecks object. Without one RunFor runs a plain loop
// that pays nothing for it; with one it calls the object before and after
// each instruction and lets it run the instruction (a trace does so to
// record what it fetches). The loop is chosen once per call.
#pragma once

#include <cstdint>

#include "kestrel/board/machine.h"

namespace kestrel {

// The monitor's routines that the window takes over: 0x02E1 blanks the
// digits and refreshes the display, 0x05E4 beeps.
inline constexpr uint16_t kHookBlankDisplay = 0x02E1;
inline constexpr uint16_t kHookBeep = 0x05E4;

enum class StopReason : uint8_t {
    None,        // (checks) carry on
    SliceDone,   // the T-states asked for have run
    Beep,        // the monitor's beep at 0x05E4 was reached: sound it, then run on
    Breakpoint,  // the checks found their breakpoint hit
    TraceFull,   // the checks' trace has ended (its buffer went to its file)
};

class RunChecks {
public:
    virtual ~RunChecks() = default;
    // Before the instruction at PC; a reason other than None stops RunFor
    // with the instruction not run.
    virtual StopReason BeforeInstruction(Machine& /*m*/) { return StopReason::None; }
    // Runs the instruction at PC exactly as ExecuteInstruction does.
    virtual void Execute(Machine& m);
    // After the instruction and the board's hooks; a reason other than None
    // stops RunFor.
    virtual StopReason AfterInstruction(Machine& /*m*/) { return StopReason::None; }
};

struct RunOutcome {
    StopReason Reason = StopReason::SliceDone;
    bool Beep = false;          // the last instruction reached the beep hook (as Reason Beep)
    uint64_t Instructions = 0;  // instructions run by this call
};

// Runs `m` until its Clock has moved on by at least `tstates` (whole
// instructions: the last one may end past it), or until a beep or the
// `checks` (nullptr for none) stop it. A halted processor runs its HALT
// cycles like any instruction; a caller that would rather sleep checks
// Cpu.Halted first and lets the time pass with WaitHalted. Allocates nothing.
RunOutcome RunFor(Machine& m, uint64_t tstates, RunChecks* checks = nullptr);

}  // namespace kestrel
