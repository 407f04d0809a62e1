// The speaker's edge capture and its resampler to the host's audio rate.
#include "kestrel/board/speaker.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

// --- capture -------------------------------------------------------------------

void SpeakerCapture::Start(uint64_t tstate, bool high) {
    head_ = 0;
    count_ = 0;
    base_ = tstate;
    last_ = tstate;
    level_ = high;
    ringLevel_ = high;
}

void SpeakerCapture::Sync(uint64_t tstate, bool high) {
    base_ = std::max(tstate, last_);
    level_ = high;
    if (high != ringLevel_ && count_ < kCapacity) {
        ring_[(head_ + count_) & (kCapacity - 1)] = SpeakerEdge{base_, high};
        ++count_;
        ringLevel_ = high;
        last_ = base_;
    }
}

void SpeakerCapture::Record(uint64_t tstate, bool high) {
    if (high == level_) return;
    level_ = high;
    // Edges never go back in time.
    const uint64_t t = std::max(tstate, last_);
    if (count_ == kCapacity) {
        ++lost_;
        return;
    }
    ring_[(head_ + count_) & (kCapacity - 1)] = SpeakerEdge{t, high};
    ++count_;
    ringLevel_ = high;
    last_ = t;
}

bool SpeakerCapture::Take(uint64_t until, SpeakerEdge& edge) {
    if (count_ == 0 || ring_[head_].TState > until) return false;
    edge = ring_[head_];
    head_ = (head_ + 1) & (kCapacity - 1);
    --count_;
    return true;
}


// --- resampler -------------------------------------------------------------------

SpeakerResampler::SpeakerResampler(int sampleRate)
    : rate_(sampleRate),
      twiceRate_(2u * static_cast<uint64_t>(sampleRate)),
      pole_(std::exp(-2.0 * 3.14159265358979323846 * kHighPassHz / sampleRate)) {}

void SpeakerResampler::SetRatio(double ratio) {
    length_ = static_cast<uint64_t>(std::llround(kCrystalHz / ratio));
}

void SpeakerResampler::Start(uint64_t tstate, bool high) {
    SkipTo(Scaled(tstate));
    high_ = high;
    lastIn_ = high ? 0.5 : -0.5;  // as if the level had always been there: silence
    lastOut_ = 0.0;
}

// Jumps to the sample holding `scaled`, counting its start at the current level.
void SpeakerResampler::SkipTo(uint64_t scaled) {
    const uint64_t sampleStart = scaled - scaled % length_;
    building_ = length_;
    sampleEnd_ = sampleStart + building_;
    highTime_ = high_ ? scaled - sampleStart : 0;
    cursor_ = scaled;
}

void SpeakerResampler::AdvanceTo(uint64_t scaled, int16_t* out, size_t& written, size_t capacity) {
    while (scaled >= sampleEnd_) {
        if (high_) highTime_ += sampleEnd_ - cursor_;
        // Area average in [-0.5, 0.5], then the DC blocker y = x - x' + p * y'.
        const double in = static_cast<double>(highTime_) / static_cast<double>(building_) - 0.5;
        const double y = in - lastIn_ + pole_ * lastOut_;
        lastIn_ = in;
        lastOut_ = y;
        if (written < capacity) {
            const double v = std::clamp(y * kAmplitude, -32767.0, 32767.0);
            out[written++] = static_cast<int16_t>(std::lround(v));
        }
        cursor_ = sampleEnd_;
        building_ = length_;
        sampleEnd_ += building_;
        highTime_ = 0;
    }
    if (high_) highTime_ += scaled - cursor_;
    cursor_ = scaled;
}

size_t SpeakerResampler::Render(SpeakerCapture& capture, uint64_t until, int16_t* out, size_t capacity) {
    const uint64_t end = Scaled(until);
    if (end <= cursor_) return 0;
    // After a stall only the newest `capacity` samples are made; the edges
    // before them only set the level.
    const uint64_t due = (end - cursor_) / length_;
    if (due > capacity) {
        const uint64_t skipTo = end - end % length_ - capacity * length_;
        SpeakerEdge edge{};
        while (capture.Take(skipTo / twiceRate_, edge)) high_ = edge.High;
        SkipTo(skipTo);
    }
    size_t written = 0;
    SpeakerEdge edge{};
    while (capture.Take(until, edge)) {
        AdvanceTo(std::max(Scaled(edge.TState), cursor_), out, written, capacity);
        high_ = edge.High;
    }
    AdvanceTo(end, out, written, capacity);
    return written;
}

}  // namespace kestrel
