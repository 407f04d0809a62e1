#include "kestrel/board/pacer.h"

#include <chrono>
#include <cmath>

namespace kestrel {

int64_t SteadyPacingClock::NowNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Pacer::Pacer(PacingClock& clock, double clockHz, int64_t sliceNanos)
    : clock_(clock),
      clockHz_(clockHz),
      sliceTStates_(static_cast<uint32_t>(std::lround(sliceNanos * clockHz / 1e9))) {
    Restart(0);
}

void Pacer::Restart(uint64_t tstates) {
    anchorNanos_ = clock_.NowNanos();
    anchorTStates_ = tstates;
    debt_ = 0;
}

int64_t Pacer::DueNanos(uint64_t tstates) const {
    // A double holds T-state differences exactly for centuries of board time.
    const double ahead = static_cast<double>(tstates - anchorTStates_);
    return anchorNanos_ + static_cast<int64_t>(std::llround(ahead * 1e9 / clockHz_));
}

int64_t Pacer::WaitBefore(uint64_t tstates) {
    const int64_t now = clock_.NowNanos();
    const int64_t wait = DueNanos(tstates) - now;
    if (wait >= 0) {
        debt_ = 0;
        return wait;
    }
    debt_ = -wait;
    if (debt_ > kDebtLimitNanos) {
        // Forgive what lies beyond the limit: the board is kDebtLimitNanos behind now.
        forgiven_ += debt_ - kDebtLimitNanos;
        anchorTStates_ = tstates;
        anchorNanos_ = now - kDebtLimitNanos;
        debt_ = kDebtLimitNanos;
    }
    return 0;
}

uint64_t Pacer::TStatesNow() {
    const int64_t since = clock_.NowNanos() - anchorNanos_;
    if (since <= 0) return anchorTStates_;
    return anchorTStates_ + static_cast<uint64_t>(std::floor(static_cast<double>(since) * clockHz_ / 1e9));
}

}  // namespace kestrel
