// What the run loop watches for the debugger besides the single breakpoint of
// breakpoint.h: a list of up to 32 execution breakpoints and watchpoints, and
// one one-time stop (step over, step out, run to an address).
//
// The list stays as the user leaves it across debugger openings, runs and
// resets. Entries are numbered from 1 in the order they were added.
//
//   execution breakpoint  stops before the instruction at Start runs
//   watchpoint            stops after the instruction that wrote (or, for
//                         ReadWrite, read or wrote) a byte of Start..End as
//                         data; opcode and operand fetches are not data, the
//                         stack's pushes and pops are
//
// Cost: while ListArmed is false the debugger's checks (run_checks.h) are
// not Active for it and RunFor runs its plain loop; only with something
// armed does the checks object run ExecuteChecked, which reports data
// accesses, and test after each instruction. Lookups go through one bit per
// address, so 32 entries cost what one does.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

struct MachineRecord;

inline constexpr int kMaxBreakEntries = 32;

enum class BreakEntryKind : uint8_t { Execute, Write, ReadWrite };

struct BreakEntry {
    BreakEntryKind Kind = BreakEntryKind::Execute;
    uint16_t Start = 0;  // the address of an execution breakpoint
    uint16_t End = 0;    // last address watched (inclusive); Start for Execute
    bool Enabled = true;
};

// A one-time stop, armed by the debugger as it is left.
enum class StopKind : uint8_t {
    None,
    StepOver,  // PC reaches Address with SP back at (or above) Sp: the CALL/RST has returned
    StepOut,   // a return instruction is taken that leaves SP above Sp
    RunTo,     // PC reaches Address
};

// Why a checked pass stopped.
enum class HitKind : uint8_t { None, Breakpoint, WatchRead, WatchWrite, OneTimeStop };

struct CheckHit {
    HitKind Kind = HitKind::None;
    int Entry = 0;                // 1-based entry number of a breakpoint
    uint16_t Address = 0;         // the breakpoint's address, or the byte accessed
    uint8_t Value = 0;            // the byte read or written
    uint16_t InstructionAt = 0;   // the instruction that made the access
};

struct BreakpointList {
    BreakEntry Entries[kMaxBreakEntries];
    int Count = 0;
    int EnabledCount = 0;
    // One bit per address, derived from the enabled entries.
    uint8_t ExecuteMap[8192] = {};
    uint8_t ReadMap[8192] = {};
    uint8_t WriteMap[8192] = {};

    StopKind Stop = StopKind::None;
    uint16_t StopAddress = 0;
    uint16_t StopSp = 0;
    uint16_t StopFrom = 0;        // PC when the stop was armed
    uint64_t StopTStates = 0;     // T-states run since the stop was armed
    StopKind LastStop = StopKind::None;  // the kind of the stop that hit last
    uint16_t StopCallTarget = 0;  // step over: the CALL's target (RST: its address)
    uint8_t StopOpcode = 0;       // step over: the CALL or RST opcode

    CheckHit Hit;                 // the last hit, until the next checked pass
};

// --- the list: the Breakpoints window calls these ---

// Adds an entry (Start <= End for watchpoints); false when the list is full
// or the range is reversed.
bool AddBreakEntry(BreakpointList& c, const BreakEntry& entry);
// Replaces entry `index` (0-based); false for a bad index or range.
bool EditBreakEntry(BreakpointList& c, int index, const BreakEntry& entry);
void RemoveBreakEntry(BreakpointList& c, int index);
void EnableBreakEntry(BreakpointList& c, int index, bool enabled);
// The index of the execution breakpoint at `address`, or -1.
int FindExecuteEntry(const BreakpointList& c, uint16_t address);
// Removes the execution breakpoint at `address` if there is one, adds one
// otherwise (the code view's margin). False when the list is full.
bool ToggleExecuteEntry(BreakpointList& c, uint16_t address);

// --- one-time stops: decided here, armed as the debugger is left ---

// Step over: for a CALL, CALL cc or RST at PC arms a stop at the next
// instruction and returns true (the debugger then leaves to run it); for any
// other instruction arms nothing and returns false (the debugger steps it as
// STEP does).
bool ArmStepOver(MachineRecord& m);
void ArmStepOut(MachineRecord& m);
void ArmRunTo(MachineRecord& m, uint16_t address);
void DisarmOneTimeStop(MachineRecord& m);

// --- the run loop ---

inline bool ListArmed(const BreakpointList& c) { return c.EnabledCount > 0 || c.Stop != StopKind::None; }

// One instruction with the data-access reports, then the tests: watchpoints
// hit during it, the one-time stop, an execution breakpoint at the new PC.
// Returns true on a hit (then in m.Breakpoints.Hit; a one-time stop is disarmed).
bool ExecuteChecked(MachineRecord& m);

// The same around another executor (the traced one of a trace): what
// EndChecked needs of the state before the instruction, and the data-access
// report that executor's hooks give.
struct CheckStart {
    uint16_t Pc, Sp, TStates;
    bool WasReturn;
};
CheckStart BeginChecked(MachineRecord& m);
bool EndChecked(MachineRecord& m, const CheckStart& start);
void NoteDataAccess(BreakpointList& c, bool write, uint16_t address, uint8_t value, uint16_t pc);

// The reason of a hit as the debugger's listing shows it, numbers in the base
// of NumberBase: "Breakpoint 2 at 1820h", "Write to 1900h: 3Ch by the
// instruction at 1804h", "Read from 1900h: 3Ch by the instruction at 1804h",
// "Stepped over CALL 1820h: 153 T-states", "Stepped out to 1806h: 40 T-states",
// "Ran to 1810h: 12 T-states".
std::string CheckHitText(const MachineRecord& m, const CheckHit& hit);

}  // namespace kestrel
