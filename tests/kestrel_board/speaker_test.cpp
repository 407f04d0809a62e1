// The speaker: port C bit 7 edges captured in T-state time and resampled to
// host audio, checked on square waves of known period and duty; and its
// real-time stream against simulated sound cards whose clocks drift.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "kestrel/board/pacer.h"
#include "kestrel/board/ppi.h"
#include "kestrel/board/speaker.h"
#include "kestrel/board/speaker_stream.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {
namespace {

constexpr int kRate = 44100;

struct Measured {
    double FrequencyHz = 0;
    double Duty = 0;  // share of samples above zero
};

// Frequency from the first and last upward crossing of the midpoint between
// the wave's two levels (interpolated between samples), duty from the samples
// above that midpoint; `skip` samples at the start let the high-pass settle.
Measured Measure(const std::vector<int16_t>& s, size_t skip) {
    Measured r;
    int lo = 32767, hi = -32768;
    for (size_t i = skip; i < s.size(); ++i) {
        lo = std::min(lo, int(s[i]));
        hi = std::max(hi, int(s[i]));
    }
    const double mid = (lo + hi) / 2.0;
    double first = -1, last = -1;
    int crossings = 0;
    size_t above = 0;
    for (size_t i = skip + 1; i < s.size(); ++i) {
        if (s[i] > mid) ++above;
        if (s[i - 1] <= mid && s[i] > mid) {
            const double at = double(i - 1) + (mid - s[i - 1]) / double(s[i] - s[i - 1]);
            if (first < 0) first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings > 1) r.FrequencyHz = (crossings - 1) * double(kRate) / (last - first);
    r.Duty = double(above) / double(s.size() - skip - 1);
    return r;
}

// Renders everything captured up to `until` onto `out`.
void RenderTo(SpeakerResampler& r, SpeakerCapture& c, uint64_t until, std::vector<int16_t>& out) {
    int16_t buffer[8192];
    const size_t n = r.Render(c, until, buffer, std::size(buffer));
    out.insert(out.end(), buffer, buffer + n);
}

TEST(KestrelSpeaker, ProgramTogglingEvery500TStatesIsHeardAt1790Hz) {
    auto m = std::make_unique<Machine>();
    InitMachine(*m);
    ResetBoard(*m, false);
    const uint8_t program[] = {
        0x3E, 0x80,        // LD A,80h
        0xD3, 0x02,        // loop: OUT (2),A       11
        0xEE, 0x80,        //       XOR 80h          7
        0x06, 0x22,        //       LD B,34          7
        0x10, 0xFE,        //       DJNZ $         437
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 7 x NOP 28
        0xC3, 0x02, 0x00,  //       JP loop         10 = 500
    };
    std::memcpy(m->MemoryImage, program, sizeof program);
    SpeakerResampler resampler(kRate);
    SetSpeakerCapture(*m, true);
    resampler.Start(m->Clock, (m->PortCLatch & 0x80) != 0);
    // One emulated second in slices of about 20,000 T-states, as a paced loop runs.
    std::vector<int16_t> samples;
    while (m->Clock < 1789773) {
        const uint64_t sliceEnd = m->Clock + 20000;
        while (m->Clock < sliceEnd) StepInstruction(*m);
        m->Speaker.Sync(m->Clock, (m->PortCLatch & 0x80) != 0);
        RenderTo(resampler, m->Speaker, m->Clock, samples);
    }
    EXPECT_EQ(m->Speaker.Lost(), 0u);
    EXPECT_NEAR(samples.size(), kRate, kRate / 100);
    const Measured got = Measure(samples, kRate / 10);
    EXPECT_NEAR(got.FrequencyHz, 1789.77, 17.9);
    EXPECT_NEAR(got.Duty, 0.5, 0.005);
}

// A square wave of `period` T-states, high for `high` of them, recorded
// straight into a capture for `periods` periods; rendered in slices of `slice`.
std::vector<int16_t> Square(uint32_t period, uint32_t high, int periods, uint32_t slice) {
    auto capture = std::make_unique<SpeakerCapture>();
    SpeakerResampler resampler(kRate);
    capture->Start(0, false);
    resampler.Start(0, false);
    std::vector<int16_t> out;
    uint64_t synced = 0;
    const uint64_t end = uint64_t(period) * periods;
    for (uint64_t t = 0; t < end; ++t) {
        const uint32_t phase = t % period;
        if (phase == 0) capture->Record(t, true);
        if (phase == high) capture->Record(t, false);
        if ((t + 1) % slice == 0) {
            synced = t + 1;
            capture->Sync(synced, phase + 1 < high || phase + 1 == period);
            RenderTo(resampler, *capture, synced, out);
        }
    }
    return out;
}

TEST(KestrelSpeaker, QuarterDutyWaveKeepsFrequencyAndDuty) {
    // 2,000 T-states: 894.9 Hz, high for a quarter of each period.
    const std::vector<int16_t> s = Square(2000, 500, 1000, 3000);
    const Measured got = Measure(s, kRate / 10);
    EXPECT_NEAR(got.FrequencyHz, 894.886, 8.9);
    EXPECT_NEAR(got.Duty, 0.25, 0.0025);
}

TEST(KestrelSpeaker, BuffersJoinWithoutAClick) {
    // The same wave rendered in slices of 37 T-states (shorter than a sample)
    // and of 50,000 gives the same samples: buffer ends leave no trace.
    const std::vector<int16_t> fine = Square(1000, 500, 800, 37);
    const std::vector<int16_t> coarse = Square(1000, 500, 800, 50000);
    const size_t n = std::min(fine.size(), coarse.size());
    ASSERT_GT(n, 15000u);
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(fine[i], coarse[i]) << "sample " << i;
    // Neighbours never jump by more than one swing (and a little droop).
    const int swing = int(SpeakerResampler::kAmplitude * 1.05);
    for (size_t i = 1; i < n; ++i) ASSERT_LE(std::abs(int(fine[i]) - int(fine[i - 1])), swing) << i;
}

TEST(KestrelSpeaker, HeldLevelFadesToSilenceAndStallsKeepTheNewestSamples) {
    for (bool held : {false, true}) {
        SpeakerCapture capture;
        SpeakerResampler resampler(kRate);
        capture.Start(0, held);
        resampler.Start(0, held);
        capture.Record(1000, !held);  // one edge, then the level stays
        capture.Sync(178977, !held);
        std::vector<int16_t> s;
        RenderTo(resampler, capture, 178977, s);  // 0.1 s
        ASSERT_NEAR(s.size(), kRate / 10, 2u);
        EXPECT_GT(std::abs(int(s[25])), 5000) << held;  // the edge (sample 24) is heard
        EXPECT_EQ(s.back(), 0) << held;                // then silence
    }
    // A stall of ten seconds makes only the newest 100 samples.
    SpeakerCapture capture;
    SpeakerResampler resampler(kRate);
    capture.Start(0, false);
    resampler.Start(0, false);
    capture.Record(500, true);
    capture.Sync(17897725, true);
    int16_t out[100];
    EXPECT_EQ(resampler.Render(capture, 17897725, out, 100), 100u);
    EXPECT_EQ(capture.Pending(), 0u);
}

TEST(KestrelSpeaker, PortCWritesAndBitSetResetReachTheCaptureOnlyWhenAttached) {
    auto m = std::make_unique<Machine>();
    InitMachine(*m);
    ResetBoard(*m, false);
    auto write = [&](uint8_t port, uint8_t value) {
        m->IoData = value;
        PortAccess(*m, 0, 1, port, 0);
    };
    write(0x02, 0x80);  // no capture: nothing to record
    SetSpeakerCapture(*m, true);
    SpeakerCapture& capture = m->Speaker;
    write(0x02, 0x81);  // bit 7 unchanged
    EXPECT_EQ(capture.Pending(), 0u);
    m->Cpu.TStates = 40;
    write(0x02, 0x01);  // falls
    m->Cpu.TStates = 90;
    write(0x03, 0x0F);  // bit set: bit 7 rises
    write(0x03, 0x0F);  // again: no change
    SpeakerEdge e{};
    ASSERT_TRUE(capture.Take(1000, e));
    EXPECT_EQ(e.TState, 40u);
    EXPECT_FALSE(e.High);
    ASSERT_TRUE(capture.Take(1000, e));
    EXPECT_EQ(e.TState, 90u);
    EXPECT_TRUE(e.High);
    EXPECT_FALSE(capture.Take(1000, e));
    // A reset drops bit 7 without a port write: the next Sync records it.
    ResetBoard(*m, false);
    capture.Sync(2000, (m->PortCLatch & 0x80) != 0);
    ASSERT_TRUE(capture.Take(2000, e));
    EXPECT_FALSE(e.High);
}

// --- the real-time stream ----------------------------------------------------

// A sound card whose crystal runs `drift` fast (or slow): it takes buffers of
// 512 samples from the queue at its own pace, as SDL's audio thread does.
class SimulatedCard final : public AudioQueue {
public:
    explicit SimulatedCard(double drift) : Rate(kRate * (1 + drift)) {}
    int SampleRate() const override { return kRate; }
    size_t Queued() const override { return queue_.size() - head_; }
    void Push(const int16_t* samples, size_t count) override {
        queue_.insert(queue_.end(), samples, samples + count);
        MaxQueued = std::max(MaxQueued, Queued());
    }
    void Clear() override { head_ = queue_.size(); }
    // Takes every buffer due by host time `seconds`; one found short (once
    // the stream has begun) is an underrun, made up with silence.
    void PlayUntil(double seconds) {
        while (double(Played.size() + 512) / Rate <= seconds) {
            const size_t take = std::min(Queued(), size_t(512));
            Underruns += take < 512 && !queue_.empty();
            Played.insert(Played.end(), queue_.begin() + long(head_), queue_.begin() + long(head_ + take));
            Played.resize(Played.size() + 512 - take, 0);
            head_ += take;
        }
    }
    const double Rate;  // samples per host second
    std::vector<int16_t> Played;
    size_t MaxQueued = 0;
    int Underruns = 0;

private:
    std::vector<int16_t> queue_;
    size_t head_ = 0;
};

// The board playing 440 Hz in paced slices of 5 ms, each run up to 1.5 ms
// late by the host, with the stream fed after each. After a stall of the
// host the board catches up as the Pacer lets it, at most 48 ms.
struct StreamRig {
    explicit StreamRig(double drift) : card(drift), stream(card) { capture.Start(0, false); }
    void Run(double seconds, double stall = 0) {
        host += stall;
        offset = std::max(offset, host - tstates / kBoardClockHz - Pacer::kDebtLimitNanos / 1e9);
        for (; tstates / kBoardClockHz < seconds; tstates += 8949) {
            const double due = tstates / kBoardClockHz + offset;
            jitter = jitter * 1103515245u + 12345u;
            host = std::max(host, due) + (jitter >> 16) % 1500 * 1e-6;
            card.PlayUntil(host);
            for (; nextEdge < tstates + 8949; nextEdge = uint64_t(std::llround(++edges * kBoardClockHz / 880)))
                capture.Record(nextEdge, edges % 2 == 0);
            capture.Sync(tstates + 8949, edges % 2 == 1);
            stream.Feed(capture, tstates + 8949, host - due > 0.010);
            MaxAdjust = std::max(MaxAdjust, std::abs(stream.Ratio() - 1));
        }
    }
    double HeardHz(size_t from) const { return Measure(card.Played, from).FrequencyHz * card.Rate / kRate; }

    SimulatedCard card;
    SpeakerCapture capture;
    SpeakerStream stream;
    uint64_t tstates = 0, nextEdge = 0, edges = 0;
    double host = 0, offset = 0, MaxAdjust = 0;
    uint32_t jitter = 1;
};

TEST(SpeakerStream, DriftingCardClocksNeverRunTheQueueDryOrOverAndKeepThePitch) {
    for (double drift : {+0.003, -0.003}) {
        StreamRig rig(drift);
        rig.Run(60.0);
        const double heard = rig.HeardHz(kRate);  // after the first second
        std::printf("card clock %+.1f %%: ratio %+.3f %% (at most %.3f %% off), queue at most %.1f ms, "
                    "440 Hz heard at %.3f Hz\n", drift * 100, (rig.stream.Ratio() - 1) * 100,
                    rig.MaxAdjust * 100, rig.card.MaxQueued * 1000.0 / kRate, heard);
        EXPECT_EQ(rig.card.Underruns, 0) << drift;
        EXPECT_EQ(rig.stream.Restarts(), 0u) << drift;  // nor an overflow
        EXPECT_LE(rig.MaxAdjust, 0.005) << drift;
        EXPECT_NEAR(rig.stream.Ratio() - 1, drift, 0.001) << drift;
        EXPECT_NEAR(heard, 440.0, 0.44) << drift;
    }
}

TEST(SpeakerStream, AfterAStallTheSoundStartsAgainFromNowFadedIn) {
    StreamRig rig(0.003);
    rig.Run(5.0);
    const size_t before = rig.card.Played.size();
    rig.card.MaxQueued = 0;
    rig.Run(6.0, 0.1);  // the host stands still for 100 ms
    EXPECT_EQ(rig.stream.Restarts(), 1u);
    // The catch-up was not queued: the level comes back to its target, not
    // 48 ms beyond it (one device buffer and a slice above it at the most).
    EXPECT_LE(rig.card.MaxQueued, size_t(kRate) * SpeakerStream::kTargetMs / 1000 + 512 + 2 * 221);
    // After the gap the sound fades in, at its pitch.
    const std::vector<int16_t>& s = rig.card.Played;
    const std::vector<int16_t> gap(kRate / 100, 0);
    size_t resumed = size_t(std::search(s.begin() + long(before), s.end(), gap.begin(), gap.end()) - s.begin());
    while (resumed < s.size() && s[resumed] == 0) ++resumed;
    ASSERT_LT(resumed + kRate / 2, s.size());
    EXPECT_LT(std::abs(int(s[resumed])), int(SpeakerResampler::kAmplitude) / 4);
    EXPECT_NEAR(rig.HeardHz(resumed + kRate / 10), 440.0, 0.44);
}

}  // namespace
}  // namespace kestrel
