// The speaker's real-time stream: rate matching, fade-in, restarts.
#include "kestrel/board/speaker_stream.h"

#include <algorithm>

namespace kestrel {

SpeakerStream::SpeakerStream(AudioQueue& queue)
    : queue_(queue),
      rate_(queue.SampleRate() > 0 ? queue.SampleRate() : kSilentRate),
      resampler_(rate_),
      buffer_(std::make_unique<int16_t[]>(kBufferSamples)),
      silence_(std::make_unique<int16_t[]>(kBufferSamples)) {}

void SpeakerStream::Start(uint64_t tstate, bool high) {
    resampler_.Start(tstate, high);
    running_ = false;
}

void SpeakerStream::Feed(SpeakerCapture& capture, uint64_t until, bool late) {
    const bool device = queue_.SampleRate() > 0;
    const size_t queued = device ? queue_.Queued() : 0;
    if (running_ && device && (queued == 0 || queued > Samples(kMaxQueueMs))) {
        // Ran dry (the host stood still longer than the queue lasts) or is
        // no longer taken: what waits is dropped, and the stream starts again.
        if (queued != 0) queue_.Clear();
        running_ = false;
        ++restarts_;
    }
    if (running_) FollowLevel(queued, static_cast<double>(lastCount_) / rate_);
    resampler_.SetRatio(ratio_);
    lastCount_ = resampler_.Render(capture, until, buffer_.get(), kBufferSamples);
    if (!device) return;
    if (running_) {
        Ramp(buffer_.get(), lastCount_);
        queue_.Push(buffer_.get(), lastCount_);
    } else if (!late) {
        Begin(buffer_.get(), lastCount_, queued);
    }
}

void SpeakerStream::FollowLevel(size_t queued, double seconds) {
    level_ += (static_cast<double>(queued) - level_) * kSmoothing;
    const double errorSeconds = (level_ - static_cast<double>(Samples(kTargetMs))) / rate_;
    // Fewer samples than the target: make more per board second, and so on.
    drift_ = std::clamp(drift_ - kIntegralGain * errorSeconds * seconds, -kMaxAdjust, kMaxAdjust);
    ratio_ = 1.0 + std::clamp(drift_ - kGainPerSecond * errorSeconds, -kMaxAdjust, kMaxAdjust);
}

void SpeakerStream::Ramp(int16_t* samples, size_t count) {
    const size_t length = Samples(kRampMs);
    for (size_t i = 0; i < count && ramped_ < length; ++i, ++ramped_)
        samples[i] = static_cast<int16_t>(samples[i] * static_cast<double>(ramped_) / static_cast<double>(length));
}

void SpeakerStream::Begin(int16_t* samples, size_t count, size_t queued) {
    // The queue up to its target: silence, then the newest samples, faded in.
    // The ratio stays as it was, all of it now in the integral part, as the
    // level starts on target: the device's clock has not changed.
    const size_t target = Samples(kTargetMs);
    const size_t room = queued < target ? target - queued : 0;
    const size_t take = std::min(count, room);
    for (size_t lead = room - take; lead > 0;) {
        const size_t part = std::min(lead, kBufferSamples);
        queue_.Push(silence_.get(), part);
        lead -= part;
    }
    ramped_ = 0;
    Ramp(samples + count - take, take);
    queue_.Push(samples + count - take, take);
    level_ = static_cast<double>(target);
    drift_ = ratio_ - 1.0;
    running_ = true;
}

}  // namespace kestrel
