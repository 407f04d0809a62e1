// The MPF-1B as one object: the processor with its memory, the 8255 PPI
// latches and the keypad's click queue, the six digits, the board's
// free-running clock and the speaker's edge capture timed by it.
//
// Machine is plain data. Everything that decides what the board does next is
// in it, so a copy runs on exactly as the original would. It has one
// initialisation (InitMachine) and one reset (ResetBoard); nothing else fills
// its fields at start-up. What the window shows and how it paces the board
// live outside: the window drives a Machine through RunFor (run.h), the key
// calls (keypad.h) and the resets below, and draws what the latches say.
#pragma once

#include <cstdint>
#include <type_traits>

#include "kestrel/board/speaker.h"
#include "kestrel/z80/processor.h"

namespace kestrel {

struct Machine;

// Called whenever the display must be redrawn. The window fills it; tests
// observe it. Null means nobody is watching.
using RefreshDisplayFn = void (*)(void* context);
// Called by ResetBoard for the state that others keep about the board (the
// debugger's step total). Null means nobody keeps any.
using ResetObserverFn = void (*)(Machine& m);

struct Machine : Processor {
    Machine();  // zero, with Ports set to the PPI

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

    // --- time and sound ---
    // The board's clock in T-states. It only grows: RunFor adds each
    // instruction's T-states, a halted wait adds the NOP cycles it stood for.
    // Cpu.TStates beside it is the processor's own 16-bit counter, which the
    // debugger zeroes.
    uint64_t Clock{};
    uint16_t ClockMark{};                    // Cpu.TStates when Clock was last brought up to date
    bool SpeakerCapturing{};                 // port C bit 7 edges go to Speaker (real time)
    SpeakerCapture Speaker;                  // those edges, timed by Clock

    // --- resets ---
    uint32_t RandomState{};                  // state of the hard reset's RAM filler

    // --- seams to the outside, not board state ---
    RefreshDisplayFn RefreshDisplay{};       // display seam (see above)
    void* RefreshContext{};
    ResetObserverFn ResetObserver{};         // see above
};

// A copy is the whole machine: tests copy it byte for byte.
static_assert(std::is_trivially_copyable_v<Machine>);

// Calls the RefreshDisplay seam when someone has filled it.
inline void RequestRefresh(Machine& m) {
    if (m.RefreshDisplay != nullptr) m.RefreshDisplay(m.RefreshContext);
}

// The board's clock now, including the part of the current instruction that
// the processor's counter has run since Clock was last brought up to date.
inline uint64_t ClockNow(const Machine& m) {
    return m.Clock + static_cast<uint16_t>(m.Cpu.TStates - m.ClockMark);
}

// Brings Clock up to date with the processor's counter. Call it at least
// every 65,536 T-states; RunFor and StepInstruction do after each instruction.
inline void SyncClock(Machine& m) {
    m.Clock += static_cast<uint16_t>(m.Cpu.TStates - m.ClockMark);
    m.ClockMark = m.Cpu.TStates;
}

// The board at power-on, before the ROM is loaded: the processor's memory map
// (InitMemoryMap: all memory 0xFF, only the RAM writable), every KeyColumns
// byte 0xFF, the digit positions (PlaceDigits), the RAM filler seeded with
// `randomSeed`. Registers are left zero (ResetBoard follows the ROM).
void InitMachine(Machine& m, uint32_t randomSeed = 0);

// ResetCpu, tells the ResetObserver, clears the PPI latches and the digits,
// refreshes the display; hard also fills the RAM (kRamStart to kRamEnd) with
// random bytes (from RandomState) and puts 0xFF at 0x1FE5. KeyColumns and
// UserKeyPending survive.
void ResetBoard(Machine& m, bool hard);

// Non-maskable interrupt (MONI key): the processor's TakeNmi, then the six
// digits blank.
void EnterNmi(Machine& m);

// One instruction outside RunFor (the debugger's step, the loaders'
// monitor start-up): ExecuteInstruction, then the clock follows.
void StepInstruction(Machine& m);

// The debugger's zeroing of the processor's counter; the clock runs on.
void ZeroTStates(Machine& m);

// A halted processor waits: the clock moves on by `tstates` as the NOP
// cycles it runs meanwhile would.
void WaitHalted(Machine& m, uint64_t tstates);

// Starts or stops the speaker's edge capture; Start() begins at the clock now.
void SetSpeakerCapture(Machine& m, bool on);

}  // namespace kestrel
