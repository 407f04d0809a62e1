#include "plover/board/host.h"

#include <cstdlib>

namespace plover {

bool KeyPressQueue::Push(const KeyPress& press) {
    if (size_ == Capacity) return false;
    ring_[(head_ + size_) % Capacity] = press;
    ++size_;
    return true;
}

void KeyPressQueue::Remove(int index) {
    if (index < 0 || index >= size_) return;
    if (index == 0) {
        head_ = (head_ + 1) % Capacity;
        --size_;
        return;
    }
    for (int i = index; i + 1 < size_; ++i) ring_[(head_ + i) % Capacity] = ring_[(head_ + i + 1) % Capacity];
    --size_;
    if (size_ == 0) head_ = 0;
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
    [[noreturn]] void EndProgram() override { std::exit(0); }
};

NoHost noHost;

}  // namespace

Host* ActiveHost = &noHost;

}  // namespace plover
