// kestrel's sound through SDL2's audio subsystem: the monitor's key beep
// (unpaced mode) and the speaker stream (real time) share one output.
// The beep is queued whole and the caller waits out its duration, so a beep
// takes the same time with or without a sound card. The speaker's samples
// are queued slice by slice behind what is playing, on a short queue.
#include <SDL.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrel/gui/platform.h"

namespace kestrel::platform {

namespace {

constexpr int kSampleRate = 44100;
constexpr int kDeviceSamples = 512;    // SDL's own buffer: 11.6 ms
constexpr double kAmplitude = 6000.0;  // well below full scale: a soft beep

bool g_audioTried = false;
SDL_AudioDeviceID g_device = 0;
int g_beepCount = 0;
std::vector<int16_t> g_tone;  // reused between beeps of the same length
std::function<void()> g_beepObserver;

// ALSA's library prints its errors on standard error: on a host without any
// sound card, SDL's attempt to open ALSA's "default" device costs eight lines.
// While the output is opened they are held here, and printed after all unless
// the host simply has no card, which leaves kestrel silent by design.
// SDL may call ALSA from its device-watching thread meanwhile: hence the lock.
std::mutex g_alsaLock;
std::string g_alsaMessages;

void HoldAlsaMessage(const char* file, int line, const char* function, int err, const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    char whole[1024];
    std::snprintf(whole, sizeof whole, "ALSA lib %s:%i:(%s) %s%s%s\n", file, line, function, text,
                  err != 0 ? ": " : "", err != 0 ? snd_strerror(err) : "");
    const std::lock_guard<std::mutex> hold(g_alsaLock);
    g_alsaMessages += whole;
}

bool HostHasSoundCard() {
    int card = -1;
    return snd_card_next(&card) == 0 && card >= 0;
}

void OpenOutput() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kDeviceSamples;
    SDL_AudioSpec have{};
    g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (g_device != 0) SDL_PauseAudioDevice(g_device, 0);
}

}  // namespace

void InitAudio() {
    if (g_audioTried) return;
    g_audioTried = true;
    snd_lib_error_set_handler(&HoldAlsaMessage);
    OpenOutput();
    snd_lib_error_set_handler(nullptr);
    const bool missingCard = g_device == 0 && !HostHasSoundCard();
    const std::lock_guard<std::mutex> hold(g_alsaLock);
    if (!missingCard && !g_alsaMessages.empty()) std::fputs(g_alsaMessages.c_str(), stderr);
    g_alsaMessages.clear();
}

void ShutdownAudio() {
    if (!g_audioTried) return;
    if (g_device != 0) SDL_CloseAudioDevice(g_device);
    g_device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audioTried = false;
}

bool AudioAvailable() { return g_device != 0; }

int AudioSampleRate() { return g_device != 0 ? kSampleRate : 0; }

namespace {

// SDL's queue of the output device, as the speaker's stream sees it.
class SdlSpeakerQueue final : public AudioQueue {
public:
    int SampleRate() const override { return AudioSampleRate(); }
    size_t Queued() const override {
        return g_device != 0 ? SDL_GetQueuedAudioSize(g_device) / sizeof(int16_t) : 0;
    }
    void Push(const int16_t* samples, size_t count) override {
        if (g_device != 0 && count != 0)
            SDL_QueueAudio(g_device, samples, static_cast<Uint32>(count * sizeof(int16_t)));
    }
    void Clear() override {
        if (g_device != 0) SDL_ClearQueuedAudio(g_device);
    }
};

}  // namespace

AudioQueue& SpeakerQueue() {
    static SdlSpeakerQueue queue;
    return queue;
}

int BeepCount() { return g_beepCount; }

void SetBeepObserver(std::function<void()> observer) { g_beepObserver = std::move(observer); }

void Beep(int frequencyHz, int durationMs) {
    ++g_beepCount;
    if (g_beepObserver) g_beepObserver();
    if (durationMs <= 0) return;
    if (g_device != 0 && frequencyHz > 0) {
        size_t samples = static_cast<size_t>(kSampleRate) * static_cast<size_t>(durationMs) / 1000;
        g_tone.resize(samples);
        const double step = 2.0 * 3.14159265358979323846 * frequencyHz / kSampleRate;
        for (size_t i = 0; i < samples; ++i) {
            g_tone[i] = static_cast<int16_t>(std::lround(kAmplitude * std::sin(step * i)));
        }
        SDL_ClearQueuedAudio(g_device);
        SDL_QueueAudio(g_device, g_tone.data(), static_cast<Uint32>(samples * sizeof(int16_t)));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(durationMs));
}

}  // namespace kestrel::platform
