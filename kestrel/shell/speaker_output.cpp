#include "kestrel/shell/speaker_output.h"

#include "kestrel/gui/platform.h"

namespace kestrel {

namespace {

bool SpeakerHigh(const Machine& m) { return (m.PortCLatch & 0x80) != 0; }

}  // namespace

SpeakerOutput::SpeakerOutput(Machine& m) : m_(m) {}
SpeakerOutput::~SpeakerOutput() = default;

void SpeakerOutput::Attach() {
    AudioQueue& queue = platform::SpeakerQueue();
    const int rate = queue.SampleRate() > 0 ? queue.SampleRate() : SpeakerStream::kSilentRate;
    if (!stream_ || stream_->SampleRate() != rate) stream_ = std::make_unique<SpeakerStream>(queue);
    SetSpeakerCapture(m_, true);
    stream_->Start(m_.Clock, SpeakerHigh(m_));
    attached_ = true;
}

void SpeakerOutput::Detach() {
    SetSpeakerCapture(m_, false);
    attached_ = false;
}

void SpeakerOutput::Feed(bool late) {
    if (!attached_) return;
    SyncClock(m_);
    m_.Speaker.Sync(m_.Clock, SpeakerHigh(m_));
    stream_->Feed(m_.Speaker, m_.Clock, late);
}

}  // namespace kestrel
