// The board's speaker heard through the host's audio output, in real time.
//
// While attached, the board records every edge of port C bit 7 (the TONE
// output) with its T-state time; after each paced slice the run loop calls
// FeedSpeaker, which resamples what the slice produced to the host rate and
// queues it (kestrel/board/speaker.h, platform::QueueSpeakerSamples).
//
// The key click and the speaker share the output this way: while the speaker
// is attached (real-time mode) the board's own TONE bit is what is heard, and
// the run loop's 1000 Hz hook beep at 0x05E4 stays silent and does not stop
// the loop; in the unpaced mode nothing is captured and the hook beeps as
// before. A click is never heard twice.
#pragma once

#include <cstdint>
#include <memory>

#include "kestrel/board/speaker.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

class SpeakerOutput {
public:
    SpeakerOutput();

    // Starts capturing on `m`; `tstateCount` is the run loop's 64-bit T-state
    // count now. Without an audio device the capture still runs (the hook
    // beep stays silent in real time either way) and every sample is dropped.
    void Attach(MachineRecord& m, uint64_t tstateCount);
    // Stops capturing; the hook beeps again.
    void Detach(MachineRecord& m);
    bool Attached() const { return attached_; }

    // After a paced slice that ended at `tstateCount`: the slice's samples
    // go to the host. Slices must stay under 65,536 T-states (36 ms).
    void Feed(MachineRecord& m, uint64_t tstateCount);

    // The capture and the samples rendered by the last Feed (for tests).
    const SpeakerCapture& Capture() const { return *capture_; }
    const int16_t* LastSamples() const { return buffer_.get(); }
    size_t LastSampleCount() const { return lastCount_; }

private:
    // One slice's samples at most: 50 ms at 48 kHz; a longer stall keeps the newest.
    static constexpr size_t kBufferSamples = 2400;

    std::unique_ptr<SpeakerCapture> capture_;
    std::unique_ptr<SpeakerResampler> resampler_;
    std::unique_ptr<int16_t[]> buffer_;
    size_t lastCount_ = 0;
    bool lastSilent_ = false;
    bool attached_ = false;
};

class MainWindow;

// The run loop's call after each paced slice: feeds the window's speaker when
// it is attached, does nothing otherwise.
void FeedSpeaker(MainWindow& window, uint64_t tstateCount);

}  // namespace kestrel
