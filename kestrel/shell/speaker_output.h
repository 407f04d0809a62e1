// The board's speaker heard through the host's audio output, in real time.
//
// While attached, the machine captures every edge of port C bit 7 (the TONE
// output) on its clock; after each paced slice the run loop calls Feed,
// which resamples what the slice produced to the host rate and
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

#include "kestrel/board/machine.h"
#include "kestrel/board/speaker.h"
#include "kestrel/board/speaker_stream.h"

namespace kestrel {

class SpeakerOutput {
public:
    explicit SpeakerOutput(Machine& m);
    ~SpeakerOutput();

    // Starts the machine's capture from its clock now. Without an audio
    // device the capture still runs (the hook beep stays silent in real time
    // either way) and every sample is dropped.
    void Attach();
    // Stops capturing; the hook beeps again.
    void Detach();
    bool Attached() const { return attached_; }

    // After a paced slice (or a halted wait): the samples up to the
    // machine's clock go to the host. `late`: the board is catching up after
    // the host stood still. Does nothing while detached.
    void Feed(bool late);

    // The capture and the stream (for tests).
    const SpeakerCapture& Capture() const { return m_.Speaker; }
    const SpeakerStream& Stream() const { return *stream_; }

private:
    Machine& m_;
    std::unique_ptr<SpeakerStream> stream_;
    bool attached_ = false;
};

}  // namespace kestrel
