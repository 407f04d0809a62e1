// Inline forms of the memory primitives for the executor. At DebugLevel 0 a
// read is an index into BoardMemory and a write is an index and one comparison
// with RomLimit; at 2 and above each access also prints its trace line.
#pragma once

#include "plover/z80/cpu.h"

namespace plover::detail {

void TracePeekB(uint32_t address, uint8_t value);
void TracePeekW(uint32_t address, uint16_t value);
void TracePokeB(uint32_t address, uint8_t value);
void TracePokeW(uint32_t address, uint16_t value);

inline uint8_t ReadB(uint32_t address) {
    address &= 0xFFFF;
    const uint8_t value = BoardMemory[address];
    if constexpr (DebugLevel >= 2) TracePeekB(address, value);
    return value;
}

inline uint16_t ReadW(uint32_t address) {
    const uint16_t value = static_cast<uint16_t>(ReadB(address) | (ReadB(address + 1) << 8));
    if constexpr (DebugLevel >= 2) TracePeekW(address & 0xFFFF, value);
    return value;
}

inline void WriteB(uint32_t address, uint32_t value) {
    address &= 0xFFFF;
    if (address < RomLimit) return;
    BoardMemory[address] = static_cast<uint8_t>(value);
    if constexpr (DebugLevel >= 2) TracePokeB(address, static_cast<uint8_t>(value));
}

inline void WriteW(uint32_t address, uint32_t value) {
    WriteB(address, value & 0xFF);
    WriteB(address + 1, (value >> 8) & 0xFF);
    if constexpr (DebugLevel >= 2) {
        // the word now stored, as read back from the two cells
        const uint32_t a = address & 0xFFFF;
        TracePokeW(a, static_cast<uint16_t>(BoardMemory[a] | (BoardMemory[(a + 1) & 0xFFFF] << 8)));
    }
}

}  // namespace plover::detail
