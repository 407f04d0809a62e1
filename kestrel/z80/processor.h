// The processor's record: registers, the 64 KiB address space with its
// write-enable map, and the seam through which IN and OUT reach the board.
//
// Plain data: value-initialise it (Processor{} or new Processor()) and every
// member is zero. The board's record and the program-wide MachineRecord build
// on it, so every processor operation also takes either of them.
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

// The board's 2 KiB of RAM, the only addresses the processor may write.
inline constexpr uint16_t kRamStart = 0x1800;
inline constexpr uint16_t kRamEnd = 0x1FFF;  // inclusive
inline constexpr uint16_t kRamSize = kRamEnd - kRamStart + 1;
// The monitor ROM, from address 0 on; the processor never writes it.
inline constexpr uint16_t kRomEnd = 0x0FFF;  // inclusive

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

struct Processor;

// One byte of an IN (read = 1) or OUT (write = 1) through IoData; lo and hi
// are the two bytes of the port address.
using PortAccessFn = void (*)(Processor& p, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi);

struct Processor {
    Z80State Cpu;
    uint8_t MemoryImage[65536];              // the 64 KiB address space
    uint8_t WriteEnableMap[65536];           // nonzero: processor writes take effect
    uint8_t IoData;                          // latch of every IN/OUT byte
    PortAccessFn Ports;                      // devices behind IN/OUT; null: no port answers
};

}  // namespace kestrel
