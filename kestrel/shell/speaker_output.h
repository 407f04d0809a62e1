// The board's speaker heard through the host's audio output, in real time.
//
// While attached, the board records every edge of port C bit 7 (the TONE
// output) with its T-state time; after each paced slice the run loop calls
// FeedSpeaker, which resamples what the slice produced to the host rate and
// keeps the device's queue flowing (kestrel/board/speaker_stream.h: rate
// matching to the sound card's clock, a fade-in at the start, no old sound
// after a stall).
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
#include "kestrel/board/speaker_stream.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

class SpeakerOutput {
public:
    SpeakerOutput();
    ~SpeakerOutput();

    // Starts capturing on `m`; `tstateCount` is the run loop's 64-bit T-state
    // count now. Without an audio device the capture still runs (the hook
    // beep stays silent in real time either way) and every sample is dropped.
    void Attach(MachineRecord& m, uint64_t tstateCount);
    // Stops capturing; the hook beeps again.
    void Detach(MachineRecord& m);
    bool Attached() const { return attached_; }

    // After a paced slice that ended at `tstateCount`: the slice's samples
    // go to the host. Slices must stay under 65,536 T-states (36 ms). `late`:
    // the board is catching up after the host stood still.
    void Feed(MachineRecord& m, uint64_t tstateCount, bool late);

    // The capture and the stream (for tests).
    const SpeakerCapture& Capture() const { return *capture_; }
    const SpeakerStream& Stream() const { return *stream_; }

private:
    std::unique_ptr<SpeakerCapture> capture_;
    std::unique_ptr<SpeakerStream> stream_;
    bool attached_ = false;
};

class MainWindow;

// The run loop's call after each paced slice: feeds the window's speaker when
// it is attached, does nothing otherwise.
void FeedSpeaker(MainWindow& window, uint64_t tstateCount, bool late);

}  // namespace kestrel
