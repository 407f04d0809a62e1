// A headless MPF-1 Plus for exercising the monitor ROM: plover's processor
// core, the board's ports, the frame-paced loop with its 20 ms interrupt, and
// a model of the board refresh that samples the display latches every 101
// passes of the loop, the way the program's own refresh does.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pfw {

// Host keys by PC set-1 scan code.
namespace key {
inline constexpr int Escape = 1, Enter = 28, Control = 29, LeftShift = 42, Space = 57, F4 = 62;
inline constexpr int Up = 72, Left = 75, Right = 77, Down = 80;
}  // namespace key

// The monitor's documented RAM.
inline constexpr uint16_t TicksAddress = 0xFF00;
inline constexpr uint16_t VioAddress = 0x4000;

// Keys a character is typed with: scan code, and whether Shift or Control is
// needed. Letters, digits, space, the punctuation of the keyboard and its
// Shift and Control characters, and '\n' for Enter.
struct Stroke {
    int scancode;
    bool shift;
    bool control = false;
};
Stroke StrokeFor(char c);

// Lit segments of a character as the board's character set draws it (bit n
// is segment n + 1), and the character a pattern shows ('~' for none).
uint16_t PatternOf(char c);
char CharacterOf(uint16_t pattern);

class MonitorRig {
public:
    // Loads the monitor image into 0000h-1FFFh, clears the RAM and resets.
    MonitorRig();
    ~MonitorRig();

    // Runs the main loop for at least this many T-states.
    void RunTStates(long tstates);
    void RunFrames(int frames) { RunTStates(frames * 35000L); }

    // The processor reset F2 gives at a frame boundary, whatever runs.
    void ResetProcessor();

    // Host key state: held or released.
    void HoldKey(int scancode, bool held);
    // Presses and releases one key, long enough for the monitor to see each.
    void TapKey(int scancode, int modifier = 0);
    // Types text: letters, digits, space, the punctuation of the keyboard
    // (with Shift where needed) and '\n' for Enter.
    void Type(std::string_view text);
    // Types text as presses that each go down and up between two
    // instructions (Shift with them where needed), gapTStates apart: faster
    // than any scan of the keyboard.
    void TypeQuickly(std::string_view text, long gapTStates);

    // One row of the VIO screen, 40 characters; the blinking cursor (an
    // inverted space) reads as a space.
    std::string VioRow(int row) const;
    // The raw byte of a VIO cell.
    uint8_t VioCell(int row, int column) const;
    // The row holding the cursor-less text that begins with prefix, or -1.
    int FindRow(std::string_view prefix) const;

    // Lit segments of display digit 1-20 as last sampled by the refresh:
    // bit n is segment n + 1.
    uint16_t DigitPattern(int digit) const { return digits_[digit - 1]; }
    // Number of samples that found the digit selected since the last
    // ClearSampleCounts.
    long DigitSamples(int digit) const { return samples_[digit - 1]; }
    // Samples that found the digit selected with a pattern different from the
    // one it showed before: a picture that is not steady.
    long DigitChanges(int digit) const { return changes_[digit - 1]; }
    void ClearSampleCounts() {
        samples_.fill(0);
        changes_.fill(0);
    }
    long Refreshes() const { return refreshes_; }
    // The 20 digits read back as characters through the fourteen-segment
    // shapes of the board's character set; '~' for a pattern that is none.
    std::string DisplayText() const;
    // Lines the core printed into the window (unknown opcodes).
    const std::vector<std::string>& PrintedLines() const;

    uint8_t Peek(uint16_t address) const;
    void Poke(uint16_t address, uint8_t value);
    uint16_t Ticks() const;
    uint16_t PC() const;
    long Interrupts() const { return interrupts_; }
    long long TotalTStates() const { return total_; }

private:
    void Refresh();

    long cycle_counter_ = -35000;
    int refresh_counter_ = 0;
    long refreshes_ = 0;
    long interrupts_ = 0;
    long long total_ = 0;
    std::array<uint16_t, 20> digits_{};
    std::array<long, 20> samples_{};
    std::array<long, 20> changes_{};
};

}  // namespace pfw
