#include "kestrel/shell/real_time.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <thread>

namespace kestrel {

void RealTimePacing::SetEnabled(bool on) {
    if (on && !enabled_) restart_ = true;
    enabled_ = on;
}

void RealTimePacing::AwaitSlice() {
    if (restart_) {
        pacer_.Restart(tstates_);
        restart_ = false;
    }
    const int64_t wait = pacer_.WaitBefore(tstates_);
    if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void RealTimePacing::SleepWhileHalted() {
    if (restart_) {
        pacer_.Restart(tstates_);
        restart_ = false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    tstates_ = std::max(tstates_, pacer_.TStatesNow());
}

void RealTimePacing::EndSlice(uint64_t tstates, bool stoodStill) {
    tstates_ = tstates;
    if (stoodStill) restart_ = true;
}

}  // namespace kestrel
