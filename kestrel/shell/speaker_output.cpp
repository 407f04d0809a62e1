#include "kestrel/shell/speaker_output.h"

#include <algorithm>

#include "kestrel/gui/platform.h"
#include "kestrel/shell/main_window.h"

namespace kestrel {

namespace {
// Without a device the samples are made at this rate and dropped.
constexpr int kSilentRate = 44100;

bool SpeakerHigh(const MachineRecord& m) { return (m.PortCLatch & 0x80) != 0; }
}  // namespace

SpeakerOutput::SpeakerOutput()
    : capture_(std::make_unique<SpeakerCapture>()), buffer_(std::make_unique<int16_t[]>(kBufferSamples)) {}

void SpeakerOutput::Attach(MachineRecord& m, uint64_t tstateCount) {
    const int rate = platform::AudioSampleRate();
    if (!resampler_ || resampler_->SampleRate() != (rate > 0 ? rate : kSilentRate)) {
        resampler_ = std::make_unique<SpeakerResampler>(rate > 0 ? rate : kSilentRate);
    }
    capture_->Start(tstateCount, m.Cpu.TStates, SpeakerHigh(m));
    resampler_->Start(tstateCount, SpeakerHigh(m));
    m.Speaker = capture_.get();
    lastSilent_ = false;
    attached_ = true;
}

void SpeakerOutput::Detach(MachineRecord& m) {
    if (m.Speaker == capture_.get()) m.Speaker = nullptr;
    attached_ = false;
}

void SpeakerOutput::Feed(MachineRecord& m, uint64_t tstateCount) {
    if (!attached_) return;
    capture_->Sync(tstateCount, m.Cpu.TStates, SpeakerHigh(m));
    lastCount_ = resampler_->Render(*capture_, tstateCount, buffer_.get(), kBufferSamples);
    // A quiet speaker (the monitor waiting for a key) leaves the output
    // alone after its first silent slice: the queue runs dry into silence,
    // and the next sound starts it again.
    const int16_t* samples = buffer_.get();
    const bool silent = std::all_of(samples, samples + lastCount_, [](int16_t v) { return v == 0; });
    if (!(silent && lastSilent_)) platform::QueueSpeakerSamples(buffer_.get(), lastCount_);
    lastSilent_ = silent;
}

void FeedSpeaker(MainWindow& window, uint64_t tstateCount) {
    window.Speaker().Feed(window.Machine(), tstateCount);
}

}  // namespace kestrel
