// The debugging engine's record: the machine (Machine, kestrel/board) with
// what the debugger and the memory tools keep beside it.
//
// The Machine part is the emulated board and nothing else; the members below
// are the tools' own state (texts of the last disassembled instruction, the
// trace, the breakpoint, the step total, the number base, "Write Protect
// ROM"), which a copy of the machine does not need. Value-initialise it (new
// MachineRecord() or std::make_unique<MachineRecord>()): every member is
// zero, the processor's ports lead to the PPI and a board reset clears the
// step total. Operations take the record by reference so tests can run
// several side by side; the program itself has one.
#pragma once

#include <cstdint>

#include "kestrel/board/machine.h"
#include "kestrel/debug/breakpoint_list.h"

namespace kestrel {

class SymbolTable;  // symbols.h

inline constexpr int kTextSize = 64;         // room for one disassembled/traced text

struct MachineRecord : Machine {
    MachineRecord();  // zero, with the board reset's observer set (ClearStepTotalOnReset)

    // --- debugging engine: texts, trace, breakpoint, step total ---
    uint8_t NumberBase{};                    // 0 decimal, 1 hexadecimal
    char AddressText[kTextSize]{};           // texts of the last disassembled/traced instruction
    char ByteText[kTextSize]{};
    char InstructionText[kTextSize]{};
    uint8_t TraceToFile{};                   // 1 while a trace collects lines
    uint8_t ListingBuffer[65536]{};          // lines waiting for "debug.lst" / "dis.asm"
    uint16_t ListingFill{};                  // bytes of ListingBuffer in use
    uint8_t BreakArmed{};                    // tested after each run-loop instruction
    uint8_t BreakKind{};                     // what is watched (flag, opcode, register code)
    uint16_t BreakValue{};                   // reference value of flag and register kinds
    uint16_t BreakFlagMask{};                // bits of F a flag kind watches
    uint8_t BreakOnChange{};                 // register kinds: 1 CHANGE, 0 SET
    uint8_t BreakOpcode{};                   // opcode of the opcode kind
    uint16_t DisassemblyStart{};             // default start of the next "Disassemble to file"
    uint32_t StepTStateTotal{};              // the debugger's accumulated T-states; ResetBoard zeroes it
    BreakpointList Breakpoints;              // breakpoint list, watchpoints, one-time stop
    SymbolTable* Symbols{};                  // the program's symbols (owned by the program; null in bare tests)
    uint8_t ShowSymbols{};                   // 1: the listing and files name addresses by symbol

    // --- memory tools ---
    bool WriteProtectRom{};                  // check state of "Write Protect ROM"
};

// The board reset's observer of every MachineRecord: the step total becomes 0.
inline void ClearStepTotalOnReset(Machine& m) { static_cast<MachineRecord&>(m).StepTStateTotal = 0; }

inline MachineRecord::MachineRecord() { ResetObserver = &ClearStepTotalOnReset; }

// "Write Protect ROM" as the memory tools and the loads see it: while it is
// checked they leave the monitor ROM (0000h-0FFFh) alone; only a load at base
// 0, the monitor's own image, replaces it. The processor's writes follow the
// WriteEnableMap whatever it says.
inline bool RomWriteProtected(const MachineRecord& m, uint16_t address) {
    return m.WriteProtectRom && address <= kRomEnd;
}

}  // namespace kestrel
