#include "plover/board/host.h"

namespace plover {

bool Host::TakeQueuedPress(int scanCode) {
    KeyPressQueue& presses = Machine.Presses;
    for (int i = 0; i < presses.Size(); ++i) {
        if (presses[i].ScanCode != scanCode) continue;
        presses.Remove(i);
        return true;
    }
    return false;
}

bool IsHostControlKey(int scanCode) {
    return scanCode == ScanCode::Escape || scanCode == ScanCode::F1 || scanCode == ScanCode::F2 ||
           scanCode == ScanCode::F6 || scanCode == ScanCode::F9;
}

namespace {

// Until a host is set: no keys, a clock that stands still, nothing shown.
class NoHost : public Host {
public:
    void OpenWindow() override {}
    bool LoadBmp(const std::string&, Picture&) override { return false; }
    bool KeyHeld(int) override { return false; }
    bool TakePress(int) override { return false; }
    void FlushKeyBuffer() override {}
    void WaitForKey() override {}
    double NowMillis() override { return 0; }
    void SleepMillis(double) override {}
    void FrameBoundary() override {}
    void Present() override {}
    void PresentNow() override {}
};

NoHost noHost;

}  // namespace

Host* ActiveHost = &noHost;

}  // namespace plover
