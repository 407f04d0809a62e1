// The one program-wide record of the MPF-1B emulator.
//
// Every piece of emulator state lives here, grouped by subsystem. The record is
// plain data: value-initialise it (MachineRecord{} or new MachineRecord()) and
// every member is zero. Operations of the core take the record by reference so
// tests can run several machines side by side; the program itself has one.
#pragma once

#include <cstdint>

namespace kestrel {

// Flag bits of F.
namespace flag {
inline constexpr uint8_t S = 0x80;   // sign
inline constexpr uint8_t Z = 0x40;   // zero
inline constexpr uint8_t F5 = 0x20;  // bit 5, undocumented copy
inline constexpr uint8_t H = 0x10;   // half carry
inline constexpr uint8_t F3 = 0x08;  // bit 3, undocumented copy
inline constexpr uint8_t PV = 0x04;  // parity / overflow
inline constexpr uint8_t N = 0x02;   // subtract
inline constexpr uint8_t C = 0x01;   // carry
}  // namespace flag

// Processor registers and the executor's decode scratch.
struct Z80State {
    uint8_t A, F, B, C, D, E, H, L;          // main set, pairs formed on demand
    uint8_t AltA, AltF, AltB, AltC, AltD, AltE, AltH, AltL;  // A' F' B' C' D' E' H' L'
    uint16_t IX, IY;                         // index registers (halves = high/low byte)
    uint16_t SP, PC;                         // wrap modulo 65,536
    uint16_t MEMPTR;                         // internal WZ register
    uint8_t I;                               // interrupt vector base
    uint8_t R;                               // refresh counter, all 8 bits count
    uint8_t RBit7;                           // 0 or 0x80: bit 7 last loaded by LD R,A
    uint8_t IFF;                             // single interrupt flip-flop: 0 or 4 (the P/V bit)
    uint8_t IM;                              // interrupt mode 0, 1 or 2
    bool Halted;                             // in the HALT state
    bool EiPending;                          // EI just executed: no maskable interrupt yet
    uint16_t TStates;                        // T-state counter, wraps modulo 65,536

    // Decode scratch of the instruction being executed.
    uint8_t Opcode;                          // current opcode byte
    int8_t Displacement;                     // d of an indexed instruction
    bool PrefixIX;                           // the instruction began with DD
    bool PrefixIY;                           // an FD followed
};

// Called by the PPI model whenever the display must be redrawn. The GUI fills it;
// tests observe it. Null means nobody is watching.
using RefreshDisplayFn = void (*)(void* context);

inline constexpr int kTextSize = 64;         // room for one disassembled/traced text

struct MachineRecord {
    // --- processor and memory ---
    Z80State Cpu;
    uint8_t MemoryImage[65536];              // the 64 KiB address space
    uint8_t WriteEnableMap[65536];           // nonzero: processor writes take effect
    uint8_t IoData;                          // latch of every IN/OUT byte

    // --- board: 8255 PPI, keypad and display latches ---
    uint8_t KeyColumns[6];                   // active low, 0xFF = no key in that column
    bool UserKeyPending;                     // USER KEY clicked, not yet read
    uint8_t PortBLatch;                      // last segment pattern written to port B
    uint8_t PortCLatch;                      // digit select / column select / TONE (bit 7)
    uint8_t PpiControl;                      // last mode-set word
    uint8_t DigitSegments[6];                // latched pattern per digit, 0 = rightmost
    uint8_t DigitX[6];                       // x of each digit in the board view
    RefreshDisplayFn RefreshDisplay;         // display seam (see above)
    void* RefreshContext;

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
    uint32_t StepTStateTotal;                // debugger's accumulated T-states
    uint16_t DisassemblyStart;               // default start of the next "Disassemble to file"

    // --- shell ---
    uint8_t QuitRequested;                   // leave the run loop after this pass
    bool WriteProtectRom;                    // check state of "Write Protect ROM"
    int32_t MouseX, MouseY;                  // last keypad click position
    uint32_t RandomState;                    // state of the hard reset's RAM filler
};

}  // namespace kestrel
