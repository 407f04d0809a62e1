// Everything the emulated MPF-1 Plus is, in one plain record: the processor,
// the 64 KiB of memory with its ROM limit, the board's output latches, the
// keyboard matrix with the presses the program has not read yet, and where
// the machine stands in its frame of the periodic interrupt. Copy it and you
// have the machine as it was; nothing of the window lives here.
//
// The record sits at the bottom of the layers so that the core, the board and
// the main loop all work on the one instance. Each of them keeps its
// program-wide names (Z80Registers, BoardMemory, DigitSelect, CycleCounter,
// ...) as references to its members, bound at compile time, so an access
// costs what an access to a plain global costs.
#pragma once

#include <array>
#include <cstdint>

namespace plover {

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

    bool operator==(const Z80RegisterSet&) const = default;
};

// A host key going down (auto-repeat is no press), with the modifier keys held
// at that moment, so that a press taken later still reads as typed.
struct KeyPress {
    uint8_t ScanCode = 0;
    bool Shift = false;
    bool Control = false;

    bool operator==(const KeyPress&) const = default;
};

// Key presses the emulated program has not seen yet, oldest first: a fixed
// ring, so nothing is allocated while keys are typed and read.
class KeyPressQueue {
public:
    static constexpr int Capacity = 64;

    // False when the ring is full: the press is not kept (the host says so).
    bool Push(const KeyPress& press) {
        if (size_ == Capacity) return false;
        ring_[(head_ + size_) % Capacity] = press;
        ++size_;
        return true;
    }
    int Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    // 0 is the oldest.
    const KeyPress& operator[](int index) const { return ring_[(head_ + index) % Capacity]; }
    // Takes out one press; the others keep their order.
    void Remove(int index) {
        if (index < 0 || index >= size_) return;
        if (index == 0) {
            head_ = (head_ + 1) % Capacity;
            --size_;
            return;
        }
        for (int i = index; i + 1 < size_; ++i) ring_[(head_ + i) % Capacity] = ring_[(head_ + i + 1) % Capacity];
        --size_;
        if (size_ == 0) head_ = 0;
    }
    void Clear() { head_ = size_ = 0; }
    // The same presses in the same order, wherever the ring holds them.
    bool operator==(const KeyPressQueue& other) const {
        if (size_ != other.size_) return false;
        for (int i = 0; i < size_; ++i)
            if (!((*this)[i] == other[i])) return false;
        return true;
    }

private:
    std::array<KeyPress, Capacity> ring_{};
    int head_ = 0;
    int size_ = 0;
};

inline constexpr int KeyColumnCount = 20;

// What the keyboard matrix remembers between two reads (keyboard.cpp says
// how each member is used).
struct KeyMatrixState {
    uint64_t Reads = 0;
    // the number of the latest read of each column, and whether it found a key
    std::array<uint64_t, KeyColumnCount + 1> LastRead{};
    std::array<bool, KeyColumnCount + 1> ReadDown{};
    int FrontReadsElsewhere = 0;  // reads of other columns since the front's own
    bool FrontShown = false;      // the oldest press has been read down in its column
    // held keys kept up until they are released, by scan code
    std::array<bool, 128> Suppressed{};
    // the key taken last, until its column reads without it
    int UpOwed = 0;
    // port 82h answers with the modifiers of ModifierPress while this is set
    bool ModifiersFromPress = false;
    KeyPress ModifierPress;

    bool operator==(const KeyMatrixState&) const = default;
};

// Writes below the ROM limit are silently dropped: BoardRomLimit on the board;
// tools that run CP/M programs lower it to 0.
inline constexpr uint32_t BoardRomLimit = 0x4000;

struct MachineState {
    // processor and memory (plover/z80), each on cache lines of its own as
    // when they were separate globals
    alignas(64) Z80RegisterSet Registers;
    alignas(64) uint8_t Memory[65536];
    alignas(64) uint32_t RomLimit = BoardRomLimit;
    // output latches of ports 80h-82h and 90h-91h (plover/board)
    uint32_t DigitSelect;
    uint16_t SegmentLatch;
    // keyboard matrix and the presses not read yet (plover/board)
    KeyMatrixState Matrix;
    KeyPressQueue Presses;
    // place in the frame and in the board's refresh cycle (plover/shell's main loop)
    int64_t CycleCounter;   // T-states of the current frame, counting up towards 0
    uint64_t TotalCycles;   // T-states executed since start-up, interrupts included
    int RefreshCounter;     // passes since the last board refresh
    uint32_t RefreshCount;  // board refreshes so far (the VIO is drawn on every 32nd)

    bool operator==(const MachineState&) const = default;
};

// The one machine of the program.
extern MachineState Machine;

}  // namespace plover
