// kestrel's only sound: the monitor's key beep, played through SDL2's audio
// subsystem. The tone is queued whole and the caller waits out its duration,
// so a beep takes the same time with or without a sound card.
#include <SDL.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "kestrel/gui/platform.h"

namespace kestrel::platform {

namespace {

constexpr int kSampleRate = 22050;
constexpr double kAmplitude = 6000.0;  // well below full scale: a soft beep

bool g_audioTried = false;
SDL_AudioDeviceID g_device = 0;
int g_beepCount = 0;
std::vector<int16_t> g_tone;  // reused between beeps of the same length

}  // namespace

void InitAudio() {
    if (g_audioTried) return;
    g_audioTried = true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    SDL_AudioSpec have{};
    g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (g_device != 0) SDL_PauseAudioDevice(g_device, 0);
}

void ShutdownAudio() {
    if (!g_audioTried) return;
    if (g_device != 0) SDL_CloseAudioDevice(g_device);
    g_device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audioTried = false;
}

bool AudioAvailable() { return g_device != 0; }

int BeepCount() { return g_beepCount; }

void Beep(int frequencyHz, int durationMs) {
    ++g_beepCount;
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
