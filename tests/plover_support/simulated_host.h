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
    void SetKey(int scanCode, bool held) { keys_[scanCode & 0x7F] = held; }
    void ReleaseAll() { keys_.reset(); }
    void Advance(double millis) { now_ += millis; }

    void OpenWindow() override { ++WindowsOpened; }
    bool LoadBmp(const std::string&, Picture&) override { return false; }
    bool KeyHeld(int scanCode) override { return keys_[scanCode & 0x7F]; }
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
    [[noreturn]] void EndProgram() override { throw ProgramEnded{}; }

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
    double now_ = 0;
};

}  // namespace plover
