// plover's graphics layer, SDL half: the window, the presenter that pushes
// only the changed region of the index framebuffer and at most once per 20 ms,
// host keys by PC set-1 scan code, the real-time clock and sleep.
#pragma once

#include <SDL.h>

#include <array>
#include <chrono>
#include <cstdint>

#include "plover/board/host.h"

namespace plover {

// The SDL key of a PC set-1 scan code that plover reads (UNKNOWN otherwise).
SDL_Scancode SdlScancodeForSet1(int scanCode);

class SdlHost : public Host {
public:
    SdlHost();
    ~SdlHost() override;

    void OpenWindow() override;
    bool LoadBmp(const std::string& path, Picture& picture) override;
    bool KeyHeld(int scanCode) override;
    void FlushKeyBuffer() override;
    void WaitForKey() override;
    double NowMillis() override;
    void SleepMillis(double millis) override;
    void FrameBoundary() override;
    void Present() override;
    void PresentNow() override;
    [[noreturn]] void EndProgram() override;

    SDL_Window* Window() const { return window_; }

    // Presents made so far (for the measurement tool and tests).
    uint64_t PresentCount() const { return presents_; }

    // Shortest time between two presents.
    static constexpr double PresentInterval = 20.0;

private:
    void PumpIfDue();
    void DrainEvents();
    void PresentChanges();
    void PresentIfDue();

    SDL_Window* window_ = nullptr;
    std::array<uint32_t, 256> surfacePalette_{};
    std::chrono::steady_clock::time_point origin_;
    double lastPump_ = -1e9;
    double lastPresent_ = -1e9;
    bool presentWanted_ = false;
    uint64_t presents_ = 0;
};

}  // namespace plover
