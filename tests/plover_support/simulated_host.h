// A host without a window for tests: keys are set by scan code, the clock is
// advanced by hand (and by the sleeps it is asked for), and ending the program
// throws ProgramEnded instead of exiting.
#pragma once

#include <bitset>
#include <vector>

#include "plover/board/host.h"

namespace plover {

struct ProgramEnded {};

class SimulatedHost : public Host {
public:
    // A key going down is remembered as a press until TakePress when it is
    // Shift, Control or a key of the host's own, else queued for the program
    // with the modifiers held.
    void SetKey(int scanCode, bool held) {
        const int code = scanCode & 0x7F;
        if (held && !keys_[code]) {
            if (code == ScanCode::LeftShift || code == ScanCode::RightShift || code == ScanCode::Control ||
                IsHostControlKey(code))
                presses_[code] = true;
            else
                Presses().Push({static_cast<uint8_t>(code), keys_[ScanCode::LeftShift] || keys_[ScanCode::RightShift],
                                keys_[ScanCode::Control]});
        }
        keys_[code] = held;
    }
    void ReleaseAll() { keys_.reset(); }
    void Advance(double millis) { now_ += millis; }

    void OpenWindow() override { ++WindowsOpened; }
    bool LoadBmp(const std::string&, Picture&) override { return false; }
    bool KeyHeld(int scanCode) override { return keys_[scanCode & 0x7F]; }
    bool TakePress(int scanCode) override {
        if (!presses_[scanCode & 0x7F]) return TakeQueuedPress(scanCode & 0x7F);
        const bool pressed = presses_[scanCode & 0x7F];
        presses_[scanCode & 0x7F] = false;
        return pressed;
    }
    void FlushKeyBuffer() override { ++Flushes; }
    void WaitForKey() override { ++KeyWaits; }
    double NowMillis() override { return now_; }
    void SleepMillis(double millis) override {
        Sleeps.push_back(millis);
        now_ += millis + Oversleep;
    }
    void FrameBoundary() override { ++Frames; }
    void Present() override { ++Presents; }
    void PresentNow() override { ++ImmediatePresents; }
    // what the shell does when a pass says the program ends
    [[noreturn]] void EndProgram() { throw ProgramEnded{}; }

    int WindowsOpened = 0;
    int Flushes = 0;
    int KeyWaits = 0;
    int Frames = 0;
    int Presents = 0;
    int ImmediatePresents = 0;
    std::vector<double> Sleeps;
    // Extra milliseconds every sleep takes, as on a busy host.
    double Oversleep = 0;

private:
    std::bitset<128> keys_;
    std::bitset<128> presses_;
    double now_ = 0;
};

}  // namespace plover
