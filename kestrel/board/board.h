// The MPF-1B board around the processor: the 8255 PPI latches, the keypad
// columns, the six digits with their positions in the board view, and the
// board-level resets and interrupt entries.
//
// Board builds on the processor's record; a value-initialised Board is all
// zero except the processor's Ports seam, which leads to the PPI (ppi.h).
#pragma once

#include <cstdint>

#include "kestrel/z80/processor.h"

namespace kestrel {

// Called whenever the display must be redrawn. The GUI fills it; tests
// observe it. Null means nobody is watching.
using RefreshDisplayFn = void (*)(void* context);

class SpeakerCapture;  // speaker.h

struct Board : Processor {
    Board();  // zero, with Ports set to the PPI

    // --- 8255 PPI, keypad and display latches ---
    uint8_t KeyColumns[6]{};                 // active low, 0xFF = no key in that column
    bool UserKeyPending{};                   // USER KEY clicked, not yet read
    // Clicks waiting for the one shown in KeyColumns to be read (ClickKey, ppi.h).
    static constexpr int kKeyQueueSize = 32;
    uint8_t KeyQueueColumn[kKeyQueueSize]{};
    uint8_t KeyQueuePattern[kKeyQueueSize]{};
    uint8_t KeyQueueHead{};                  // index of the oldest waiting click
    uint8_t KeyQueueCount{};
    uint8_t PortBLatch{};                    // last segment pattern written to port B
    uint8_t PortCLatch{};                    // digit select / column select / TONE (bit 7)
    uint8_t PpiControl{};                    // last mode-set word
    uint8_t DigitSegments[6]{};              // latched pattern per digit, 0 = rightmost
    uint8_t DigitX[6]{};                     // x of each digit in the board view (display.h)
    RefreshDisplayFn RefreshDisplay{};       // display seam (see above)
    void* RefreshContext{};
    SpeakerCapture* Speaker{};               // records port C bit 7 edges while set (real time)

    // --- resets ---
    uint32_t StepTStateTotal{};              // the debugger's accumulated T-states; ResetBoard zeroes it
    uint32_t RandomState{};                  // state of the hard reset's RAM filler
};

// Calls the RefreshDisplay seam when someone has filled it.
inline void RequestRefresh(Board& m) {
    if (m.RefreshDisplay != nullptr) m.RefreshDisplay(m.RefreshContext);
}

// Sets up a board as start-up does for memory, keypad and display: the
// processor's memory map (InitMemoryMap), every KeyColumns byte 0xFF and the
// digit positions (PlaceDigits). Registers are left alone (call ResetBoard or
// ResetCpu as needed).
void InitBoard(Board& m);

// ResetCpu, clears the debugger's step total, the PPI latches and the digits,
// refreshes the display; hard also fills the RAM (kRamStart to kRamEnd) with
// random bytes (from RandomState) and puts 0xFF at 0x1FE5. KeyColumns and
// UserKeyPending survive.
void ResetBoard(Board& m, bool hard);

// Non-maskable interrupt (MONI key): the processor's TakeNmi, then the six
// digits blank.
void EnterNmi(Board& m);

}  // namespace kestrel
