// The board's speaker: port C bit 7 (the TONE output) drives a small
// loudspeaker as well as the TONE lamp. Two GUI-free pieces turn its level
// changes into host audio samples:
//
// - SpeakerCapture records the level edges with their time in T-states on
//   a 64-bit clock, in a fixed ring (no allocation while the processor runs).
//   The PPI records into it only while a capture is attached to the board
//   (Machine::Speaker); otherwise a port C write costs one pointer test.
// - SpeakerResampler turns the edges into samples at the host rate by area
//   averaging (each sample is the share of its time the level was high), then
//   removes the DC level with a one-pole high-pass, so a speaker held at
//   either level fades to silence. Its state carries over from one Render to
//   the next, so consecutive buffers join without a click. Its ratio makes
//   slightly more or fewer samples per board second, to follow an output
//   device whose clock is not the host's (speaker_stream.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "kestrel/board/pacer.h"

namespace kestrel {

// The board's crystal; the processor's clock (kBoardClockHz) is half of it.
inline constexpr uint32_t kCrystalHz = 3579545;
static_assert(kBoardClockHz == kCrystalHz / 2.0);

struct SpeakerEdge {
    uint64_t TState;  // when the level changed, on the capture's clock
    bool High;        // the level from then on
};

class SpeakerCapture {
public:
    static constexpr uint32_t kCapacity = 8192;  // edges between two Syncs; a power of two

    // Starts at clock `tstate` with the speaker at `high`. Forgets every edge.
    void Start(uint64_t tstate, bool high);

    // The clock has reached `tstate` (after each run-loop slice). A level
    // that differs from the last edge (a reset, or edges lost to a full
    // ring) becomes an edge now.
    void Sync(uint64_t tstate, bool high);

    // A level change seen by the PPI at clock `tstate`. Repeated levels are
    // ignored; a full ring loses the edge (Sync repairs the level).
    void Record(uint64_t tstate, bool high);

    // The oldest edge not taken yet, when there is one at or before `until`.
    bool Take(uint64_t until, SpeakerEdge& edge);

    uint64_t Now() const { return base_; }   // the clock at the last Sync
    uint32_t Pending() const { return count_; }
    uint64_t Lost() const { return lost_; }  // edges lost to a full ring

private:
    SpeakerEdge ring_[kCapacity]{};
    uint32_t head_ = 0;
    uint32_t count_ = 0;
    uint64_t base_ = 0;        // the clock at the last Sync
    uint64_t last_ = 0;        // time of the newest edge (edges never go back)
    bool level_ = false;       // level as the PPI last set it
    bool ringLevel_ = false;   // level after the newest edge in the ring
    uint64_t lost_ = 0;
};

class SpeakerResampler {
public:
    static constexpr double kHighPassHz = 20.0;      // DC blocker corner
    static constexpr double kAmplitude = 12000.0;    // full swing of a square wave, in 16-bit units

    explicit SpeakerResampler(int sampleRate);
    int SampleRate() const { return rate_; }

    // Samples per board second are SampleRate() times `ratio` (1 at first),
    // from the next sample on.
    void SetRatio(double ratio);

    // Starts at `tstate` with the speaker at `high`, silent.
    void Start(uint64_t tstate, bool high);

    // Takes the capture's edges up to `until` and writes the samples that end
    // by then into `out`; returns how many. When more than `capacity` are due
    // (the host stalled), the oldest are skipped and the newest written.
    size_t Render(SpeakerCapture& capture, uint64_t until, int16_t* out, size_t capacity);

private:
    // Time in units of 1 / (2 * rate) T-states: at ratio 1 one sample is
    // kCrystalHz units.
    uint64_t Scaled(uint64_t tstate) const { return tstate * twiceRate_; }
    void AdvanceTo(uint64_t scaled, int16_t* out, size_t& written, size_t capacity);
    void SkipTo(uint64_t scaled);

    int rate_;
    uint64_t twiceRate_;
    uint64_t length_ = kCrystalHz;  // scaled length of the samples to come
    uint64_t cursor_ = 0;      // scaled time rendered so far
    uint64_t sampleEnd_ = 0;   // scaled end of the sample being built
    uint64_t building_ = kCrystalHz;  // its length
    uint64_t highTime_ = 0;    // scaled time high within that sample
    bool high_ = false;
    double pole_;
    double lastIn_ = 0.0;      // high-pass state
    double lastOut_ = 0.0;
};

}  // namespace kestrel
