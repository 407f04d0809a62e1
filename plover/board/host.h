// What plover needs from the host machine, behind one small interface so that
// the board and the main loop run the same with the SDL window or in tests:
// host keys by PC set-1 scan code, the real-time clock and sleep, presenting
// the framebuffer, and ending the program.
#pragma once

#include <cstdint>
#include <string>

namespace plover {

// PC set-1 scan codes of the host keys that plover looks at.
namespace ScanCode {
inline constexpr int Escape = 1;
inline constexpr int Enter = 28;
inline constexpr int Control = 29;
inline constexpr int LeftShift = 42;
inline constexpr int RightShift = 54;
inline constexpr int Space = 57;
inline constexpr int F1 = 59;
inline constexpr int F2 = 60;
inline constexpr int F4 = 62;
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
    virtual bool TakePress(int scanCode) = 0;
    // Reads and discards pending host key presses.
    virtual void FlushKeyBuffer() = 0;
    // Blocks until a key is pressed.
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
    // Closes what is open and ends the program with status 0.
    [[noreturn]] virtual void EndProgram() = 0;
};

// The host in use; the shell or a test sets it before anything runs.
extern Host* ActiveHost;

}  // namespace plover
