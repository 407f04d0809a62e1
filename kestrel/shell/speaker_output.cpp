#include "kestrel/shell/speaker_output.h"

#include "kestrel/gui/platform.h"
#include "kestrel/shell/main_window.h"

namespace kestrel {

namespace {
bool SpeakerHigh(const MachineRecord& m) { return (m.PortCLatch & 0x80) != 0; }
}  // namespace

SpeakerOutput::SpeakerOutput() : capture_(std::make_unique<SpeakerCapture>()) {}

SpeakerOutput::~SpeakerOutput() = default;

void SpeakerOutput::Attach(MachineRecord& m, uint64_t tstateCount) {
    AudioQueue& queue = platform::SpeakerQueue();
    const int rate = queue.SampleRate() > 0 ? queue.SampleRate() : SpeakerStream::kSilentRate;
    if (!stream_ || stream_->SampleRate() != rate) stream_ = std::make_unique<SpeakerStream>(queue);
    capture_->Start(tstateCount, m.Cpu.TStates, SpeakerHigh(m));
    stream_->Start(tstateCount, SpeakerHigh(m));
    m.Speaker = capture_.get();
    attached_ = true;
}

void SpeakerOutput::Detach(MachineRecord& m) {
    if (m.Speaker == capture_.get()) m.Speaker = nullptr;
    attached_ = false;
}

void SpeakerOutput::Feed(MachineRecord& m, uint64_t tstateCount, bool late) {
    if (!attached_) return;
    capture_->Sync(tstateCount, m.Cpu.TStates, SpeakerHigh(m));
    stream_->Feed(*capture_, tstateCount, late);
}

void FeedSpeaker(MainWindow& window, uint64_t tstateCount, bool late) {
    window.Speaker().Feed(window.Machine(), tstateCount, late);
}

}  // namespace kestrel
