// The speaker's real-time stream against simulated sound cards whose clocks
// run 0.3 % fast and slow: a 440 Hz tone for 60 s of board time, fed in paced
// slices at a jittery host, must never run the queue dry or over, keep the
// ratio within 0.5 % and keep its pitch; and a stall of the host must end in
// the sound of the moment, not a burst of the past.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "kestrel/board/pacer.h"
#include "kestrel/board/speaker_stream.h"

namespace kestrel {
namespace {

constexpr int kRate = 44100;
constexpr size_t kDeviceBuffer = 512;  // what SDL's audio thread takes at a time

// A sound card whose crystal runs `drift` fast (or slow, below 0): it takes
// whole buffers from the queue at its own pace of host time.
class SimulatedCard final : public AudioQueue {
public:
    explicit SimulatedCard(double drift) : drift_(drift) {}
    int SampleRate() const override { return kRate; }
    size_t Queued() const override { return queue_.size() - head_; }
    void Push(const int16_t* samples, size_t count) override {
        queue_.insert(queue_.end(), samples, samples + count);
        MaxQueued = std::max(MaxQueued, Queued());
    }
    void Clear() override {
        head_ = queue_.size();
        ++Clears;
    }
    // Takes every buffer due by host time `seconds`; a short one is an underrun.
    void PlayUntil(double seconds) {
        while (double(buffers_ * kDeviceBuffer) / (kRate * (1 + drift_)) <= seconds) {
            ++buffers_;
            if (Queued() < kDeviceBuffer && !queue_.empty()) ++Underruns;  // once it has started
            const size_t take = std::min(Queued(), kDeviceBuffer);
            Played.insert(Played.end(), queue_.begin() + long(head_), queue_.begin() + long(head_ + take));
            Played.resize(Played.size() + kDeviceBuffer - take, 0);
            head_ += take;
        }
    }
    double Rate() const { return kRate * (1 + drift_); }

    std::vector<int16_t> Played;
    size_t MaxQueued = 0;
    int Underruns = 0;
    int Clears = 0;

private:
    double drift_;
    std::vector<int16_t> queue_;
    size_t head_ = 0;
    uint64_t buffers_ = 0;
};

// The board playing 440 Hz in paced slices of 5 ms, each run up to 1.5 ms
// late by the host, and the speaker's stream fed after each.
struct Rig {
    explicit Rig(double drift) : card(drift), stream(card) {
        capture.Start(0, 0, false);
        stream.Start(0, false);
    }
    // Runs slices until board time `seconds`; the host stands still for
    // `stall` seconds before the first, then the board catches up as the
    // Pacer lets it (at most kDebtLimitNanos behind).
    void Run(double seconds, double stall = 0) {
        const double sliceSeconds = slice / kBoardClockHz;
        host += stall;
        offset = std::max(offset, host - tstates / kBoardClockHz - Pacer::kDebtLimitNanos / 1e9);
        while (tstates / kBoardClockHz < seconds) {
            const double due = tstates / kBoardClockHz + offset;
            jitter = jitter * 1103515245u + 12345u;
            host = std::max(host, due) + (jitter >> 16) % 1500 * 1e-6;
            card.PlayUntil(host);
            const uint64_t end = tstates + slice;
            while (nextEdge < end) {
                high = !high;
                capture.Record(uint16_t(nextEdge), high);
                nextEdge = uint64_t(std::llround(++edges * kBoardClockHz / 880));
            }
            capture.Sync(end, uint16_t(end), high);
            const bool late = host - due > 2 * sliceSeconds;
            stream.Feed(capture, end, late);
            tstates = end;
            MaxAdjust = std::max(MaxAdjust, std::abs(stream.Ratio() - 1));
        }
    }
    // The pitch heard over played samples from `from` on, by upward zero crossings.
    double HeardHz(size_t from) const {
        const std::vector<int16_t>& s = card.Played;
        double first = -1, last = -1;
        int crossings = 0;
        for (size_t i = from + 1; i < s.size(); ++i) {
            if (s[i - 1] < 0 && s[i] >= 0) {
                last = double(i - 1) + double(-s[i - 1]) / double(s[i] - s[i - 1]);
                if (first < 0) first = last;
                ++crossings;
            }
        }
        return (crossings - 1) * card.Rate() / (last - first);
    }

    SimulatedCard card;
    SpeakerCapture capture;
    SpeakerStream stream;
    const uint32_t slice = 8949;  // 5 ms of board time
    uint64_t tstates = 0, nextEdge = 0, edges = 0;
    bool high = false;
    double host = 0, offset = 0;
    uint32_t jitter = 1;
    double MaxAdjust = 0;
};

TEST(SpeakerStream, DriftingCardClocksNeverRunTheQueueDryOrOverAndKeepThePitch) {
    for (double drift : {+0.003, -0.003}) {
        Rig rig(drift);
        rig.Run(60.0);
        const double heard = rig.HeardHz(kRate);  // after the first second
        std::printf("card clock %+.1f %%: ratio %+.3f %% (at most %.3f %%), queue at most %.1f ms, "
                    "440 Hz heard at %.3f Hz\n",
                    drift * 100, (rig.stream.Ratio() - 1) * 100, rig.MaxAdjust * 100,
                    rig.card.MaxQueued * 1000.0 / kRate, heard);
        EXPECT_EQ(rig.card.Underruns, 0) << drift;
        EXPECT_EQ(rig.card.Clears, 0) << drift;
        EXPECT_EQ(rig.stream.Restarts(), 0u) << drift;
        EXPECT_LE(rig.MaxAdjust, 0.005) << drift;
        EXPECT_NEAR(rig.stream.Ratio() - 1, drift, 0.001) << drift;  // it follows the card
        EXPECT_NEAR(heard, 440.0, 0.44) << drift;
    }
}

TEST(SpeakerStream, AfterAStallTheSoundStartsAgainFromNowFadedIn) {
    Rig rig(0.003);
    rig.Run(5.0);
    const size_t playedBefore = rig.card.Played.size();
    rig.card.MaxQueued = 0;
    rig.Run(6.0, 0.1);  // the host stands still for 100 ms
    EXPECT_EQ(rig.stream.Restarts(), 1u);
    // The catching-up slices were not queued: the queue came back to its
    // target, not beyond it by the 48 ms the board caught up.
    EXPECT_LE(rig.card.MaxQueued, size_t(kRate) * SpeakerStream::kTargetMs / 1000 + kDeviceBuffer + 2 * 221);
    // Silence while the host stood still, then sound again, faded in: no
    // sample jumps by more than a quarter of the swing after the gap.
    const std::vector<int16_t>& s = rig.card.Played;
    const std::vector<int16_t> gap(kRate / 100, 0);  // 10 ms of silence
    size_t resumed = size_t(std::search(s.begin() + long(playedBefore), s.end(), gap.begin(), gap.end()) - s.begin());
    while (resumed < s.size() && s[resumed] == 0) ++resumed;
    ASSERT_LT(resumed + kRate / 2, s.size());
    EXPECT_LT(std::abs(int(s[resumed])), int(SpeakerResampler::kAmplitude) / 4);
    EXPECT_NEAR(rig.HeardHz(resumed + kRate / 10), 440.0, 0.44);
}

}  // namespace
}  // namespace kestrel
