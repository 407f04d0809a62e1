// What plover needs from the host machine, behind one small interface so that
// the board and the main loop run the same with the SDL window or in tests:
// host keys by PC set-1 scan code and the presses not yet read, the real-time
// clock and sleep, and presenting the framebuffer. A host never ends the
// program: a closed window becomes a request (RequestProgramEnd, board.h)
// that the shell's loop takes after the instruction.
// The presses the program has not read yet are the machine's (machine.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "plover/z80/machine.h"

namespace plover {

// PC set-1 scan codes of the host keys that plover looks at.
namespace ScanCode {
inline constexpr int Escape = 1;
inline constexpr int Digit1 = 2, Digit2 = 3, Digit3 = 4, Digit4 = 5, Digit5 = 6;
inline constexpr int Digit6 = 7, Digit7 = 8, Digit8 = 9, Digit9 = 10, Digit0 = 11;
inline constexpr int Q = 16, W = 17, E = 18, R = 19, T = 20, Y = 21, U = 22, I = 23, O = 24, P = 25;
inline constexpr int Enter = 28;
inline constexpr int Control = 29;
inline constexpr int A = 30, S = 31, D = 32, F = 33, G = 34, H = 35, J = 36, K = 37, L = 38;
inline constexpr int Semicolon = 39;
inline constexpr int LeftShift = 42;
inline constexpr int Z = 44, X = 45, C = 46, V = 47, B = 48, N = 49, M = 50;
inline constexpr int Comma = 51, FullStop = 52, Slash = 53;
inline constexpr int RightShift = 54;
inline constexpr int Space = 57;
inline constexpr int F1 = 59;
inline constexpr int F2 = 60;
inline constexpr int F4 = 62;
inline constexpr int F6 = 64;  // saves the machine to the quick slot
inline constexpr int F9 = 67;  // restores it
inline constexpr int CursorUp = 72;
inline constexpr int CursorLeft = 75;
inline constexpr int CursorRight = 77;
inline constexpr int CursorDown = 80;
}  // namespace ScanCode

struct Picture;

class Host {
public:
    virtual ~Host() = default;
    // Opens the 1275 x 574 window (the screen itself is plover::Screen).
    virtual void OpenWindow() = 0;
    // Loads a BMP file into a picture in the screen's format (each colour as
    // the nearest entry of the screen's current palette), clipped to the
    // picture's size. False when the file cannot be read; the picture is then
    // left as it was.
    virtual bool LoadBmp(const std::string& path, Picture& picture) = 0;
    // Whether the host key with this PC set-1 scan code is held now.
    virtual bool KeyHeld(int scanCode) = 0;
    // Whether the key has gone down since the last call for it, and forgets
    // that press: a press that begins and ends between two looks counts once.
    // Presses of keys the program reads are looked for in Presses(), the
    // oldest taken out; the host keeps only those of the others.
    virtual bool TakePress(int scanCode) = 0;
    // Reads and discards pending host key presses (window-system events):
    // presses of keys plover reads go on to Presses().
    virtual void FlushKeyBuffer() = 0;
    // Blocks until a key is pressed. Returns at once when the program's end
    // has been asked for, and asks for it itself (RequestProgramEnd) on
    // Escape or when the window is closed while it waits.
    virtual void WaitForKey() = 0;
    // Real time in milliseconds (any origin; may carry a fraction).
    virtual double NowMillis() = 0;
    // A plain sleep that key presses do not cut short.
    virtual void SleepMillis(double millis) = 0;
    // Called once per emulated frame: a chance to look at window events.
    virtual void FrameBoundary() = 0;
    // The framebuffer should reach the window: within 20 ms (Present) or at
    // once (PresentNow).
    virtual void Present() = 0;
    virtual void PresentNow() = 0;

    // Presses of keys the program reads (not Shift, Control nor the host's
    // own keys such as Escape and F2), as they went down: the machine's one
    // queue, from which the board takes them as the program reads them.
    KeyPressQueue& Presses() { return Machine.Presses; }

protected:
    // Takes out the oldest press of the key from Presses(): true when there was one.
    static bool TakeQueuedPress(int scanCode);
};

// Host keys that act on the emulator rather than reach the program: their
// presses are never queued for it.
bool IsHostControlKey(int scanCode);

// The host in use; the shell or a test sets it before anything runs.
extern Host* ActiveHost;

}  // namespace plover
