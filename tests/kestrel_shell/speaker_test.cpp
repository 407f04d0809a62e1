// The speaker and the key click in the running program: the TONE lamp seen
// for every click in both modes, the hook silent while the speaker is heard
// (real time), the speaker fed after every paced slice into SDL's queue,
// and a quiet start without a sound card.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "kestrel/gui/platform.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/shell/board_view.h"
#include "kestrel/shell/speaker_output.h"
#include "kestrel/z80/cpu.h"
#include "tests/kestrel_shell/kestrel_program_fixture.h"

namespace kestrel {
namespace {

// TONE off, then the click as the monitor makes it: TONE low (lamp lit), the
// hook address, TONE high again, then digit writes that refresh the display
// with the lamp off, for ever.
std::vector<uint8_t> ClickRom() {
    std::vector<uint8_t> rom(0x5F0, 0x00);
    const uint8_t start[] = {0x3E, 0x80, 0xD3, 0x02,   // LD A,80h / OUT (2),A
                             0x3E, 0x00, 0xD3, 0x02,   // LD A,0   / OUT (2),A   lamp lit
                             0xC3, 0xE4, 0x05};        // JP 05E4h               the click
    const uint8_t click[] = {0x3E, 0x80, 0xD3, 0x02,   // 05E4: LD A,80h / OUT (2),A
                             0x3E, 0xBD, 0xD3, 0x01,   // loop: LD A,BDh / OUT (1),A
                             0x18, 0xFA};              //       JR loop
    std::copy(std::begin(start), std::end(start), rom.begin());
    std::copy(std::begin(click), std::end(click), rom.begin() + 0x5E4);
    return rom;
}

class Speaker : public KestrelProgramFixture {
protected:
    // Starts with the click ROM and waits until the frames show the TONE lamp
    // off (the reset leaves port C bit 7 low, which lights it).
    void StartClean() {
        StartWith(ClickRom());
        M().PortCLatch = 0x80;
        W().Board()->Refresh();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !W().Board()->PresentedSnapshot().ToneLit; }, 5000));
    }
    bool LampInFrame() {
        const uint8_t* lamp = W().Board()->Frame().At(kToneLampX + 6, kToneLampY + 5);
        return W().Board()->PresentedSnapshot().ToneLit && lamp[1] > 150 && lamp[1] > lamp[0] + 50;
    }
    // Runs the loop for `ms`, noting every few milliseconds whether the
    // presented frame shows the lamp.
    int FramesWithLampDuring(int ms) {
        int lit = 0;
        QTimer look;
        look.setInterval(3);
        QObject::connect(&look, &QTimer::timeout, [&] { lit += LampInFrame() ? 1 : 0; });
        look.start();
        QTimer::singleShot(ms, &W(), [this] { W().RequestQuit(); });
        emulator_->Run();
        return lit;
    }
};

TEST_F(Speaker, UnpacedClickPaintsTheToneLampBeforeItsBeep) {
    StartClean();
    bool litDuringBeep = false;
    platform::SetBeepObserver([&] { litDuringBeep = LampInFrame(); });
    const int before = platform::BeepCount();
    FramesWithLampDuring(100);
    platform::SetBeepObserver({});
    EXPECT_EQ(platform::BeepCount(), before + 1);
    EXPECT_TRUE(litDuringBeep);
    EXPECT_FALSE(W().Board()->PresentedSnapshot().ToneLit);  // off again afterwards
}

TEST_F(Speaker, InRealTimeTheHookIsSilentAndTheLampStillShows) {
    StartClean();
    W().SetRealTime(true);
    const int before = platform::BeepCount();
    const int lit = FramesWithLampDuring(200);
    EXPECT_EQ(platform::BeepCount(), before);
    EXPECT_TRUE(W().Speaker().Attached());
    // The click's TONE pulse lasts a few microseconds here; its lamp is held
    // for 40 ms of frames.
    EXPECT_GE(lit, 2);
    EXPECT_FALSE(W().Board()->PresentedSnapshot().ToneLit);
    // Unpaced again: the speaker lets go of the board at the next slice.
    W().SetRealTime(false);
    W().CancelQuit();
    FramesWithLampDuring(20);
    EXPECT_FALSE(W().Speaker().Attached());
    EXPECT_FALSE(M().SpeakerCapturing);
}

// Frequency of a sound file's wave from its upward zero crossings, counted
// only within stretches of sound: SDL's file output takes its buffers by a
// millisecond timer, not by a sound card's clock, so a busy host can still
// run the queue dry now and then and leave runs of silence in the file.
double HeardFrequency(const std::vector<int16_t>& s, int rate) {
    double periods = 0, span = 0, first = -1, last = -1;
    int zeros = 0, crossings = 0;
    auto closeStretch = [&] {
        if (crossings > 1) {
            periods += crossings - 1;
            span += last - first;
        }
        crossings = 0;
        first = -1;
    };
    for (size_t i = 1; i < s.size(); ++i) {
        zeros = s[i] == 0 ? zeros + 1 : 0;
        if (zeros == 32) closeStretch();
        if (s[i - 1] < 0 && s[i] >= 0 && zeros == 0) {
            last = double(i - 1) + double(-s[i - 1]) / double(s[i] - s[i - 1]);
            if (first < 0) first = last;
            ++crossings;
        }
    }
    closeStretch();
    return span > 0 ? periods * rate / span : 0;
}

TEST_F(Speaker, InRealTimeAProgramTogglingEvery500TStatesIsHeardAt1790Hz) {
    StartWith({0x3E, 0x80,                               // LD A,80h
               0xD3, 0x02,                               // loop: OUT (2),A     11
               0xEE, 0x80,                               //       XOR 80h        7
               0x06, 0x22,                               //       LD B,34        7
               0x10, 0xFE,                               //       DJNZ $       437
               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // 7 x NOP            28
               0xC3, 0x02, 0x00});                       //       JP loop       10
    // SDL's file output stands in for a sound card.
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    const QString file = dir_.filePath(QStringLiteral("heard.raw"));
    platform::ShutdownAudio();
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", file.toLocal8Bit());
    platform::InitAudio();
    ASSERT_TRUE(platform::AudioAvailable());
    const int rate = platform::AudioSampleRate();
    // A whole slice (5 ms: about 220 samples of nine periods). Looked at
    // between slices, where timers fire; the slice a quit cuts short is not.
    const size_t sliceSamples = size_t(double(rate) * W().RealTime().SliceTStates() / kBoardClockHz + 0.5);
    std::vector<int16_t> slice;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (!W().Speaker().Attached()) return;
        const SpeakerStream& speaker = W().Speaker().Stream();
        if (speaker.LastSampleCount() >= sliceSamples - 2) {
            slice.assign(speaker.LastSamples(), speaker.LastSamples() + speaker.LastSampleCount());
        }
    });
    look.start(3);
    W().SetRealTime(true);
    FramesWithLampDuring(700);
    W().SetRealTime(false);
    platform::ShutdownAudio();
    qunsetenv("SDL_DISKAUDIOFILE");
    if (driver.isNull()) qunsetenv("SDL_AUDIODRIVER");
    else qputenv("SDL_AUDIODRIVER", driver);
    EXPECT_NEAR(slice.size(), sliceSamples, 2u);
    EXPECT_EQ(W().Speaker().Capture().Lost(), 0u);
    // What SDL played: the wave at 1,789.77 Hz (within 1 %).
    QFile heard(file);
    ASSERT_TRUE(heard.open(QIODevice::ReadOnly));
    const QByteArray bytes = heard.readAll();
    std::vector<int16_t> samples(size_t(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    ASSERT_GT(samples.size(), size_t(rate) / 4);
    EXPECT_NEAR(HeardFrequency(samples, rate), 1789.77, 17.9);
}

TEST_F(Speaker, FeedStartsSdlsQueueAtTheTargetLevel) {
    StartWith({0x3E, 0x80,                // LD A,80h
               0xD3, 0x02,                // loop: OUT (2),A
               0xEE, 0x80,                //       XOR 80h
               0x18, 0xFA});              //       JR loop
    // SDL's dummy output stands in for a sound card.
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    platform::ShutdownAudio();
    qputenv("SDL_AUDIODRIVER", "dummy");
    platform::InitAudio();
    ASSERT_TRUE(platform::AudioAvailable());
    SpeakerOutput& speaker = W().Speaker();
    speaker.Attach();
    const uint64_t start = M().Clock;
    while (M().Clock < start + 8949) StepInstruction(M());  // one 5 ms slice
    speaker.Feed(false);
    const size_t target = size_t(platform::AudioSampleRate()) * SpeakerStream::kTargetMs / 1000;
    const size_t queued = platform::SpeakerQueue().Queued();  // the output may have taken a buffer
    EXPECT_LE(queued, target);
    EXPECT_GE(queued + 2048, target);
    EXPECT_NEAR(speaker.Stream().LastSampleCount(), platform::AudioSampleRate() / 200, 2u);
    EXPECT_EQ(speaker.Capture().Lost(), 0u);
    speaker.Detach();
    platform::ShutdownAudio();
    if (driver.isNull()) qunsetenv("SDL_AUDIODRIVER");
    else qputenv("SDL_AUDIODRIVER", driver);
}

// Without a sound card nothing may reach standard error (ALSA's library
// prints eight lines on its own when SDL tries its default device).
TEST(PlatformAudio, InitWithoutAnAudioDeviceWritesNothingToStandardError) {
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    platform::ShutdownAudio();
    qunsetenv("SDL_AUDIODRIVER");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = dir.filePath(QStringLiteral("stderr.txt")).toLocal8Bit();
    std::fflush(stderr);
    const int saved = dup(2);
    const int file = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    dup2(file, 2);
    platform::InitAudio();
    platform::Beep(1000, 5);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(file);
    QFile written(QString::fromLocal8Bit(path));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(), "");
    platform::ShutdownAudio();
    if (driver.isNull()) qunsetenv("SDL_AUDIODRIVER");
    else qputenv("SDL_AUDIODRIVER", driver);
}

}  // namespace
}  // namespace kestrel
