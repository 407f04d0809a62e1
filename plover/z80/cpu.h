// plover's Z80 processor core: program-wide register set, the 64 KiB board
// memory with its write-protected ROM area, the memory access primitives,
// reset, and the instruction executor.
//
// Everything is a single program-wide instance; the program is single-threaded.
// The core reaches the outside world only through the seams at the end of this
// header (ports, text output, present, wait for a key), which the board fills
// and tests replace.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

struct Z80RegisterSet {
    // main registers: A, B, C as bytes; DE and HL as pairs (D, E, H, L are their halves)
    uint8_t A, B, C;
    uint16_t DE, HL;
    // the eight bits of F, held apart; only GetF/SetF pack or spread them.
    // Held as bool: the register dump shows a set flag as -1, a clear one as 0.
    bool S, Z, F5, H, F3, PV, N, CY;
    // alternate set, held as whole words (AF' is packed like GetF)
    uint16_t AFAlt, BCAlt, DEAlt, HLAlt;
    // index registers, and ID: the index register in use while a DD/FD
    // instruction runs (loaded from IX or IY before it, copied back after it)
    uint16_t IX, IY, ID;
    uint16_t SP, PC;
    // interrupt vector base
    uint8_t I;
    // R: bit 7 as last loaded by LD R,A, plus a counter of opcode fetches.
    // The counter is unsigned and wraps at 2^32, a multiple of 128, so the low
    // 7 bits that LD A,R reads are exactly those of an unbounded count.
    uint8_t RTopBit;
    uint32_t RCounter;
    // interrupt enable flip-flops and interrupt mode (0, 1 or 2)
    bool IFF1, IFF2;
    uint8_t IM;
};

extern Z80RegisterSet Z80Registers;

// 65,536 byte cells, zero at start, never cleared by a reset. The shell loads
// the ROM image and reads the VIO text (4000h-431Fh) directly from here.
extern uint8_t BoardMemory[65536];

// Writes below RomLimit are silently dropped. BoardRomLimit on the board;
// tools that run CP/M programs lower it to 0.
inline constexpr uint32_t BoardRomLimit = 0x4000;
extern uint32_t RomLimit;

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
// opcode fetch, as the main loop does on every pass. Interrupt acceptance is
// the caller's business (StackPush PC, clear IFF1/IFF2, jump).
int ExecuteStep();

// ---------------------------------------------------------------------------
// Text output
// ---------------------------------------------------------------------------

// Upper-case hexadecimal, no leading zeros ("0" for zero), no prefix or suffix.
std::string HexText(uint32_t number);

// Text cursor and colours of the window's 8 x 8 text grid (159 columns x 71
// rows, counted from 1). The shell sets the colours (VIO redraw) and moves the
// cursor (register dump) through these.
inline constexpr int TextColumns = 159;
inline constexpr int TextRows = 71;
extern int TextRow;
extern int TextColumn;
extern uint8_t TextForeground;
extern uint8_t TextBackground;
void LocateText(int row, int column);

// Prints text as one line at the text cursor in the current colours (through
// TextOutHook), moves the cursor to column 1 of the next row (back to row 1
// after the last row), presents the screen (PresentHook) and, if wait is true,
// blocks until a key is pressed (WaitKeyHook).
void DebugLine(std::string_view text, bool wait);

// ---------------------------------------------------------------------------
// Seams filled by the board (ConnectBoard); tests replace them. Defaults: ports read FFh and
// ignore writes; text output, present and wait-for-key do nothing.
// ---------------------------------------------------------------------------

// Every IN (all forms) calls ReadPortHook with the low 8 bits of the port
// address; every OUT calls WritePortHook likewise.
extern uint8_t (*ReadPortHook)(uint8_t port);
extern void (*WritePortHook)(uint8_t port, uint8_t value);
// Draws text at a row and column (1-based) of the 8 x 8 grid, each character
// cell in fore on back (palette indices); text past column 159 is to be clipped.
extern void (*TextOutHook)(int row, int column, std::string_view text, uint8_t fore, uint8_t back);
// Pushes the framebuffer to the window.
extern void (*PresentHook)();
// Blocks until the user presses a key.
extern void (*WaitKeyHook)();

}  // namespace plover
