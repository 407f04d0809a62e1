// kestrel's Z80 processor core: memory primitives, the instruction step,
// interrupt entries and the two resets.
//
// Every operation works on one Processor record (or a record built on it).
// The memory primitives are inline because every instruction uses them; the
// executor itself lives in execute_impl.h (one source for the plain and the
// traced step).
#pragma once

#include <cstdint>

#include "kestrel/z80/processor.h"

namespace kestrel {

// --- memory (the processor's view) ---------------------------------------

inline uint8_t ReadByte(const Processor& m, uint16_t address) {
    return m.MemoryImage[address];
}

// Little-endian; a word at 0xFFFF takes its high byte from 0x0000.
inline uint16_t ReadWord(const Processor& m, uint16_t address) {
    return static_cast<uint16_t>(m.MemoryImage[address] |
                                 (m.MemoryImage[static_cast<uint16_t>(address + 1)] << 8));
}

// Stores only where the WriteEnableMap allows; a refused write is silent.
// Branch-free: the byte stored is either the new value or the old one.
inline void WriteByte(Processor& m, uint16_t address, uint8_t value) {
    uint8_t& cell = m.MemoryImage[address];
    cell = m.WriteEnableMap[address] ? value : cell;
}

// SP moves by two even where both writes are refused.
inline void PushWord(Processor& m, uint16_t value) {
    m.Cpu.SP = static_cast<uint16_t>(m.Cpu.SP - 1);
    WriteByte(m, m.Cpu.SP, static_cast<uint8_t>(value >> 8));
    m.Cpu.SP = static_cast<uint16_t>(m.Cpu.SP - 1);
    WriteByte(m, m.Cpu.SP, static_cast<uint8_t>(value));
}

inline uint16_t PopWord(Processor& m) {
    uint16_t value = ReadWord(m, m.Cpu.SP);
    m.Cpu.SP = static_cast<uint16_t>(m.Cpu.SP + 2);
    return value;
}

// --- register pairs --------------------------------------------------------

inline uint16_t GetBC(const Z80State& s) { return static_cast<uint16_t>(s.B << 8 | s.C); }
inline uint16_t GetDE(const Z80State& s) { return static_cast<uint16_t>(s.D << 8 | s.E); }
inline uint16_t GetHL(const Z80State& s) { return static_cast<uint16_t>(s.H << 8 | s.L); }
inline uint16_t GetAF(const Z80State& s) { return static_cast<uint16_t>(s.A << 8 | s.F); }
inline void SetBC(Z80State& s, uint16_t v) { s.B = static_cast<uint8_t>(v >> 8); s.C = static_cast<uint8_t>(v); }
inline void SetDE(Z80State& s, uint16_t v) { s.D = static_cast<uint8_t>(v >> 8); s.E = static_cast<uint8_t>(v); }
inline void SetHL(Z80State& s, uint16_t v) { s.H = static_cast<uint8_t>(v >> 8); s.L = static_cast<uint8_t>(v); }
inline void SetAF(Z80State& s, uint16_t v) { s.A = static_cast<uint8_t>(v >> 8); s.F = static_cast<uint8_t>(v); }

// Condition codes cc 0-7: NZ Z NC C PO PE P M.
inline bool ConditionTest(const Processor& m, uint8_t cc) {
    static constexpr uint8_t kMask[4] = {flag::Z, flag::C, flag::PV, flag::S};
    bool set = (m.Cpu.F & kMask[(cc >> 1) & 3]) != 0;
    return (cc & 1) ? set : !set;
}

// --- execution ---------------------------------------------------------------

// Executes exactly one instruction at PC (a whole repeating block instruction
// included; a doubled index prefix DD DD / FD FD / FD DD is consumed alone) and
// adds its T-states to Cpu.TStates. IN and OUT go through Ports. Never fails.
void ExecuteInstruction(Processor& m);

// Maskable interrupt request (INTR key). Refused while IFF is 0 or right after
// EI; returns whether it was accepted. Leaves a HALT, pushes PC and jumps to
// 0x0038 (modes 0 and 1) or through the word at I*256+0xFF (mode 2). Charges
// no T-states and keeps IFF as it was.
bool AcceptInterrupt(Processor& m);

// The processor's part of the non-maskable interrupt: leaves a HALT, pushes PC
// and jumps to 0x0066. IFF, IM, R, MEMPTR and TStates are unchanged. The
// board's EnterNmi adds what the MONI key does to the display.
void TakeNmi(Processor& m);

// Zeroes every register, IFF, IM, Halted and TStates.
void ResetCpu(Processor& m);

// The memory map as start-up sets it: all memory 0xFF, WriteEnableMap 1 for
// the RAM (kRamStart to kRamEnd) and 0 elsewhere. Registers are left alone.
void InitMemoryMap(Processor& m);

}  // namespace kestrel
