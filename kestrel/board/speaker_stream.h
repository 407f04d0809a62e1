// The speaker heard in real time: the resampled sound kept flowing into the
// host's audio queue, whose device plays it by a clock of its own.
//
// The board is paced by the host's clock and the sound card plays by its
// own crystal, and the two never agree exactly: a queue fed at the nominal
// rate slowly runs dry (gaps) or fills up (a growing delay). SpeakerStream
// holds the queue near kTargetMs by making slightly more or fewer samples per
// board second: the resampler's ratio follows the queue's level, smoothed
// over a few hundred milliseconds, by a proportional and an integral part
// (the integral learns the card's drift, so the level settles on the target
// and a restart keeps the ratio), and stays within kMaxAdjust of 1, where a
// change of pitch is far below hearing.
//
// The stream starts (and starts again) by filling the queue to its target
// with silence and fading the sound in over kRampMs, so it begins without a
// click. A queue that ran dry (the host stalled longer than the queue lasts)
// or grew past kMaxQueueMs starts again the same way; while the board catches
// up after such a stall its sound is old and is not queued, so what is heard
// after a stall is the board's sound of that moment, not a burst of the past.
//
// GUI-free: the device is behind AudioQueue, which tests replace by a
// simulated device with a clock that runs fast or slow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "kestrel/board/speaker.h"

namespace kestrel {

// The host's audio output as the stream sees it: a queue of mono 16-bit
// samples that the device takes from at its own pace.
class AudioQueue {
public:
    virtual ~AudioQueue() = default;
    virtual int SampleRate() const = 0;    // 0 without a device: the samples are made and dropped
    virtual size_t Queued() const = 0;     // samples waiting, not handed to the device yet
    virtual void Push(const int16_t* samples, size_t count) = 0;
    virtual void Clear() = 0;              // drops every sample waiting
};

class SpeakerStream {
public:
    static constexpr int kTargetMs = 40;      // the queue's level, held near this
    static constexpr int kMaxQueueMs = 200;   // beyond: the device has stopped taking; start again
    static constexpr int kRampMs = 5;         // fade-in at every start
    static constexpr double kMaxAdjust = 0.005;  // the ratio stays within 1 +- this
    // Ratio change per second of queue error: 10 ms too few gives +0.5 %;
    // and per second of error and second of time, for the integral part.
    static constexpr double kGainPerSecond = 0.5;
    static constexpr double kIntegralGain = 0.05;
    // The level's smoothing per Feed: about 30 slices, several device buffers.
    static constexpr double kSmoothing = 1.0 / 32;
    static constexpr int kSilentRate = 44100;  // the rate without a device

    explicit SpeakerStream(AudioQueue& queue);

    // Starts at `tstate` with the speaker at `high`: the next Feed fills the
    // queue to its target and fades in.
    void Start(uint64_t tstate, bool high);

    // After a paced slice: resamples the capture's edges up to `until` and
    // queues them. `late`: the board is behind real time, catching up after
    // a stall; this sound is old and is only queued while the stream runs.
    void Feed(SpeakerCapture& capture, uint64_t until, bool late);

    // The rate the samples are made at: the device's, or kSilentRate.
    int SampleRate() const { return rate_; }
    // Samples per board second over the nominal rate.
    double Ratio() const { return ratio_; }
    // Starts after the first: how often the queue ran dry or overflowed.
    uint64_t Restarts() const { return restarts_; }
    // The samples of the last Feed, ramp applied, queued or not.
    const int16_t* LastSamples() const { return buffer_.get(); }
    size_t LastSampleCount() const { return lastCount_; }

private:
    // One Feed's samples at most: 50 ms at 48 kHz; a longer stall keeps the newest.
    static constexpr size_t kBufferSamples = 2400;

    size_t Samples(int ms) const { return static_cast<size_t>(rate_) * static_cast<size_t>(ms) / 1000; }
    // The ratio for the next samples, from the level before they are queued
    // and the time since the last call.
    void FollowLevel(size_t queued, double seconds);
    void Ramp(int16_t* samples, size_t count);
    void Begin(int16_t* samples, size_t count, size_t queued);

    AudioQueue& queue_;
    int rate_;
    SpeakerResampler resampler_;
    std::unique_ptr<int16_t[]> buffer_;
    std::unique_ptr<int16_t[]> silence_;
    size_t lastCount_ = 0;
    bool running_ = false;    // the queue has been filled and is being kept
    size_t ramped_ = 0;       // samples of the fade-in done
    double level_ = 0;        // smoothed queue level, in samples
    double drift_ = 0;        // the integral part: the card's drift as learnt so far
    double ratio_ = 1.0;
    uint64_t restarts_ = 0;
};

}  // namespace kestrel
