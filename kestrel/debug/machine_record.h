// The one program-wide record of the MPF-1B emulator.
//
// Every piece of emulator state lives here, grouped by the layer that owns it:
// the processor's registers and memory (Processor, kestrel/z80), the board's
// latches and digits (Board, kestrel/board), then the debugging engine's
// members and the few the program's run loop and main window keep. Value-
// initialise it (new MachineRecord() or std::make_unique<MachineRecord>()) and
// every member is zero, with the processor's ports leading to the PPI.
// Operations take the record by reference so tests can run several machines
// side by side; the program itself has one. Each layer's operations take the
// part they know, so the executor and the board never see the members below.
#pragma once

#include <cstdint>

#include "kestrel/board/board.h"
#include "kestrel/debug/debug_checks.h"

namespace kestrel {
class SymbolTable;  // symbols.h
}

namespace kestrel {

inline constexpr int kTextSize = 64;         // room for one disassembled/traced text

struct MachineRecord : Board {
    // --- debugging engine: texts, trace, breakpoint ---
    uint8_t NumberBase;                      // 0 decimal, 1 hexadecimal
    char AddressText[kTextSize];             // texts of the last disassembled/traced instruction
    char ByteText[kTextSize];
    char InstructionText[kTextSize];
    uint8_t TraceToFile;                     // 1 while a trace collects lines
    uint8_t ListingBuffer[65536];            // lines waiting for "debug.lst" / "dis.asm"
    uint16_t ListingFill;                    // bytes of ListingBuffer in use
    uint8_t BreakArmed;                      // tested after each run-loop instruction
    uint8_t BreakKind;                       // what is watched (flag, opcode, register code)
    uint16_t BreakValue;                     // reference value of flag and register kinds
    uint16_t BreakFlagMask;                  // bits of F a flag kind watches
    uint8_t BreakOnChange;                   // register kinds: 1 CHANGE, 0 SET
    uint8_t BreakOpcode;                     // opcode of the opcode kind
    uint16_t DisassemblyStart;               // default start of the next "Disassemble to file"
    DebugChecks Checks;                      // breakpoint list, watchpoints, one-time stop
    SymbolTable* Symbols;                    // the program's symbols (owned by the program; null in bare tests)
    uint8_t ShowSymbols;                     // 1: the listing and files name addresses by symbol

    // --- program: run loop and main window ---
    uint8_t QuitRequested;                   // leave the run loop after this pass
    bool WriteProtectRom;                    // check state of "Write Protect ROM"
    int32_t MouseX, MouseY;                  // last keypad click position
};

// "Write Protect ROM" as the memory tools and the loads see it: while it is
// checked they leave the monitor ROM (0000h-0FFFh) alone; only a load at base
// 0, the monitor's own image, replaces it. The processor's writes follow the
// WriteEnableMap whatever it says.
inline bool RomWriteProtected(const MachineRecord& m, uint16_t address) {
    return m.WriteProtectRom && address <= kRomEnd;
}

}  // namespace kestrel
