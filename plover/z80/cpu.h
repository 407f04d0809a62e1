// plover's Z80 processor core: program-wide register set, the 64 KiB board
// memory with its write-protected ROM area, the memory access primitives,
// reset, interrupt acceptance and the instruction executor.
//
// Registers and memory are members of the one machine record (machine.h); the
// program is single-threaded. The core knows nothing of the window: it reaches
// the outside world only through the seams at the end of this header (ports,
// and one output for its debug lines), which the board and the shell fill and
// tests replace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "plover/z80/machine.h"

#ifndef PLOVER_DEBUG_LEVEL
#define PLOVER_DEBUG_LEVEL 0
#endif

namespace plover {

// Build-time trace level. 0: no debug output. Non-zero: the shell adds its
// register dump and single-stepping. 2 and above: PeekB/PeekW/PokeB/PokeW print
// a trace line each (see DebugLine).
inline constexpr int DebugLevel = PLOVER_DEBUG_LEVEL;

// ---------------------------------------------------------------------------
// Processor state
// ---------------------------------------------------------------------------

// The processor of the machine (machine.h).
inline constexpr Z80RegisterSet& Z80Registers = Machine.Registers;

// 65,536 byte cells, zero at start, never cleared by a reset. The shell loads
// the ROM image and reads the VIO text (4000h-431Fh) directly from here.
inline constexpr auto& BoardMemory = Machine.Memory;

// Writes below RomLimit (BoardRomLimit unless lowered) are silently dropped.
inline constexpr uint32_t& RomLimit = Machine.RomLimit;

// Entry n is true when n has an even number of 1 bits.
extern bool ParityTable[256];
// Entry n is bits 15-8 of (n modulo 65536), for n = 0 to 13FFFh. Built for
// callers that want it; the executor takes high bytes with a shift, which
// gives the same values without the 80 KiB of cache traffic.
extern uint8_t HighByteTable[0x14000];

// F composed from / spread over the eight flags: S Z F5 H F3 PV N CY, bit 7 to 0.
inline uint8_t GetF() {
    const Z80RegisterSet& r = Z80Registers;
    return static_cast<uint8_t>(r.S << 7 | r.Z << 6 | r.F5 << 5 | r.H << 4 | r.F3 << 3 | r.PV << 2 |
                                r.N << 1 | r.CY);
}
inline void SetF(uint8_t f) {
    Z80RegisterSet& r = Z80Registers;
    r.S = f & 0x80;
    r.Z = f & 0x40;
    r.F5 = f & 0x20;
    r.H = f & 0x10;
    r.F3 = f & 0x08;
    r.PV = f & 0x04;
    r.N = f & 0x02;
    r.CY = f & 0x01;
}

// ---------------------------------------------------------------------------
// Memory access. Addresses are taken modulo 65536.
// ---------------------------------------------------------------------------

uint8_t PeekB(uint32_t address);
// Low byte at address, high byte at address + 1 (wrapping, FFFFh -> 0000h).
uint16_t PeekW(uint32_t address);
// Ignored below RomLimit; otherwise stores value AND FFh.
void PokeB(uint32_t address, uint32_t value);
// Two PokeB calls, each protected on its own.
void PokeW(uint32_t address, uint32_t value);

uint8_t FetchByte();   // PeekB(PC), PC + 1
uint16_t FetchWord();  // PeekW(PC), PC + 2
void StackPush(uint16_t value);  // SP - 2, then PokeW(SP, value)
uint16_t StackPop();             // PeekW(SP), then SP + 2

// Power-on state: PC 0, SP FFFFh, everything else 0 and flags clear, RTopBit 80h,
// IFF1/IFF2 clear, IM 0; rebuilds ParityTable and HighByteTable. ID,
// BoardMemory and RomLimit keep their values.
void ResetProcessor();

// ---------------------------------------------------------------------------
// Execution
// ---------------------------------------------------------------------------

// Executes one instruction (or one ignored DD/FD prefix) at PC and returns its
// T-states. The caller has already added 1 to Z80Registers.RCounter for the
// opcode fetch, as the main loop does on every pass.
int ExecuteStep();

// The maskable interrupt, offered by the caller when it chooses: with IFF1
// clear nothing happens and 0 is returned. Otherwise R counts the acknowledge
// cycle, PC is pushed, IFF1 and IFF2 are cleared and the processor jumps to
// 0038h in IM 0 and IM 1 (13 T-states) or through the word at I x 256 + FFh in
// IM 2 (19 T-states); the T-states are returned.
int AcceptInterrupt();

// ---------------------------------------------------------------------------
// Text output
// ---------------------------------------------------------------------------

// Upper-case hexadecimal, no leading zeros ("0" for zero), no prefix or suffix.
std::string HexText(uint32_t number);

// Hands text to DebugOutputHook as one line at the text cursor: whoever draws
// prints it in the current colours, moves the cursor to the next row and
// presents, and if wait is true blocks until a key is pressed.
void DebugLine(std::string_view text, bool wait);

// ---------------------------------------------------------------------------
// Seams filled by the board and the shell; tests replace them. Defaults: ports
// read FFh and ignore writes; debug output goes nowhere.
// ---------------------------------------------------------------------------

// Every IN (all forms) calls ReadPortHook with the low 8 bits of the port
// address; every OUT calls WritePortHook likewise.
extern uint8_t (*ReadPortHook)(uint8_t port);
extern void (*WritePortHook)(uint8_t port, uint8_t value);
// One line of debug output: at the text cursor when row is 0, else at row and
// column (1-based) of the window's 8 x 8 text grid; wait as for DebugLine.
extern void (*DebugOutputHook)(int row, int column, std::string_view text, bool wait);

}  // namespace plover
