// plover's graphics layer, SDL half: the window and SDL's software renderer
// (no GPU driver is loaded), the presenter that converts only the changed
// region of the index framebuffer and presents at most once per 20 ms, host
// keys by PC set-1 scan code with presses remembered until they are looked
// at and queued in order for the board, the real-time clock and sleep.
#pragma once

#include <SDL.h>

#include <array>
#include <chrono>
#include <cstdint>

#include "plover/board/host.h"
#include "plover/shell/window_fit.h"
#include "plover/video/screen.h"
#include "plover/z80/messages.h"

namespace plover {

// The SDL key of a PC set-1 scan code that plover reads (UNKNOWN otherwise).
SDL_Scancode SdlScancodeForSet1(int scanCode);

// The language of plover's messages from the user's preferred locales: as
// POSIX orders them for messages, LC_ALL or else LC_MESSAGES first (this SDL
// reads neither), then SDL's list (LANG, then LANGUAGE).
Language PreferredMessageLanguage();

class SdlHost : public Host {
public:
    SdlHost();
    ~SdlHost() override;

    // Window size at opening: the framebuffer's times scale (1 to
    // MaxWindowScale), or the largest that fits the screen (said on standard
    // error). The window can be resized, not below 1x; the picture takes the
    // largest size that fits with its aspect kept (window_fit.h).
    void SetWindowScale(int scale) { windowScale_ = scale; }

    void OpenWindow() override;
    bool LoadBmp(const std::string& path, Picture& picture) override;
    bool KeyHeld(int scanCode) override;
    bool TakePress(int scanCode) override;
    void FlushKeyBuffer() override;
    void WaitForKey() override;
    double NowMillis() override;
    void SleepMillis(double millis) override;
    void FrameBoundary() override;
    void Present() override;
    void PresentNow() override;
    // Closes the window and leaves SDL: the last thing before the program ends.
    void CloseWindow();

    SDL_Window* Window() const { return window_; }

    // Presents made so far (for the measurement tool and tests).
    uint64_t PresentCount() const { return presents_; }

    // Shortest time between two presents.
    static constexpr double PresentInterval = 20.0;

private:
    [[noreturn]] static void FailStart(const char* reason);
    void PumpIfDue();
    void DrainEvents();
    void NoteWindowEvent(const SDL_WindowEvent& event);
    void NoteKeyDown(const SDL_KeyboardEvent& event);
    WindowOpening ChooseOpening() const;
    void FitToWindow();
    void CopyToWindow(const ScreenRect& rect);
    void PresentChanges();
    void PresentIfDue();

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int windowScale_ = 1;
    PicturePlace place_;  // where the picture goes in the window
    std::array<uint32_t, 256> texturePalette_{};
    // a press since TakePress looked, of each key that is not queued for the program
    std::array<bool, 128> presses_{};
    bool queueFullReported_ = false;
    bool exposed_ = false;  // the window needs the picture again, changed or not
    std::chrono::steady_clock::time_point origin_;
    double lastPump_ = -1e9;
    double lastPresent_ = -1e9;
    bool presentWanted_ = false;
    uint64_t presents_ = 0;
};

}  // namespace plover
