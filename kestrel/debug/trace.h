// Traced execution and the trace listing "debug.lst".
//
// TracedStep is the plain instruction step with its texts: it runs the one
// executor (ExecuteWith in kestrel/z80/execute_impl.h) with hooks that record
// each byte as it is fetched, and disassembles the recorded bytes into
// AddressText, ByteText and InstructionText. Registers, memory, MEMPTR, R,
// ports and T-states therefore change exactly as under ExecuteInstruction.
//
// While TraceToFile is set the run loop composes one 95-character line per
// instruction into the ListingBuffer and appends the buffer to "debug.lst"
// once it holds 64,000 bytes:
//   START 14:05:09 06/12/2026
//   <48 spaces>SZ5H3PNC  A  BC   DE   HL   IX   IY   SP  MEMPTR
//   06144 1800  3E05          LD A,05h              01000100 05 1234 0000 1800 0000 0000 1FF0  0000
//   ...
//   (empty line)
#pragma once

#include <cstdint>
#include <ctime>

#include "kestrel/debug/listing_file.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

inline constexpr int kTraceLineLength = 97;        // 95 characters and "\r\n"
inline constexpr uint16_t kTraceFlushLevel = 64000;  // the buffer is written at this fill
inline constexpr char kTraceHeader[] =
    "                                                "
    "SZ5H3PNC  A  BC   DE   HL   IX   IY   SP  MEMPTR\r\n";

// Executes the instruction at PC exactly as ExecuteInstruction does and fills
// AddressText (from PC before the step), ByteText (the bytes as fetched) and
// InstructionText (numbers in NumberBase). Adds the T-states to Cpu.TStates.
// Tests no breakpoint and accepts no interrupt. Allocation-free.
void TracedStep(MachineRecord& m);
// TracedStep reporting data accesses to the breakpoint list's watchpoints
// (breakpoint_list.h), for a trace while the list is armed.
void TracedStepWatching(MachineRecord& m);

// Writes the trace line of the last traced instruction: the three texts cut
// or padded to 48 columns, then F in binary and A, BC, DE, HL, IX, IY, SP,
// MEMPTR in hex, and "\r\n". Returns kTraceLineLength. No terminator.
int ComposeTraceLine(const MachineRecord& m, char* line);

// Starts a trace: the start line and column header at the start of the
// ListingBuffer (discarding lines not yet written), ListingFill after them,
// TraceToFile = 1.
void BeginTrace(MachineRecord& m);
void BeginTrace(MachineRecord& m, const std::tm& when);

// Ends a trace: "\r\n" after the last line, the buffer appended to the file
// (created if needed), TraceToFile = 0. Returns whether every byte reached the
// file; on a failure the lines are lost. The caller opens the debugger either
// way and reports a failure.
bool FlushTraceBuffer(MachineRecord& m, const char* path = kDebugListingFile);

// What one traced pass of the run loop ended with.
enum class TraceOutcome : uint8_t {
    Collecting,   // the line is in the buffer; carry on
    Written,      // the buffer reached 64,000 bytes and went to the file: open the debugger
    WriteFailed,  // as Written, but the file could not be written: report it, open the debugger
};

// One traced pass of the run loop: TracedStep, ComposeTraceLine, the line
// into the ListingBuffer, and FlushTraceBuffer once 64,000 bytes or more are
// collected. `watching`: the step reports data accesses to the watchpoints.
TraceOutcome TraceRunLoopStep(MachineRecord& m, const char* path = kDebugListingFile, bool watching = false);

}  // namespace kestrel
