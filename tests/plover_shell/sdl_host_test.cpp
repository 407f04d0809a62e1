// The SDL half of the graphics layer on SDL's dummy video driver: start-up
// with the project's keyboard picture, BMP loading into palette indices, the
// presenter, and the host key table.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plover/board/board.h"
#include "plover/shell/main_loop.h"
#include "plover/shell/sdl_host.h"
#include "plover/video/screen.h"
#include "plover/z80/cpu.h"
#include "tests/plover_support/scratch_dir.h"

namespace plover {
namespace {

const std::string DataDir = PLOVER_DATA_DIR;

// Palette indices of an uncompressed 8-bit BMP, read here without SDL.
struct IndexedBmp {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;
};

IndexedBmp ReadIndexedBmp(const std::string& path) {
    IndexedBmp bmp;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return bmp;
    std::vector<uint8_t> data;
    int ch;
    while ((ch = std::fgetc(f)) != EOF) data.push_back(static_cast<uint8_t>(ch));
    std::fclose(f);
    auto u32 = [&](size_t at) { return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | data[at + 3] << 24; };
    const uint32_t offset = u32(10);
    bmp.Width = static_cast<int>(u32(18));
    bmp.Height = static_cast<int>(u32(22));
    const int rowBytes = (bmp.Width + 3) & ~3;
    bmp.Pixels.resize(static_cast<size_t>(bmp.Width) * bmp.Height);
    for (int y = 0; y < bmp.Height; ++y)
        std::memcpy(&bmp.Pixels[static_cast<size_t>(y) * bmp.Width], &data[offset + (bmp.Height - 1 - y) * rowBytes],
                    bmp.Width);
    return bmp;
}

class SdlLayer : public ::testing::Test {
protected:
    void SetUp() override {
        ActiveHost = &host;
        std::memset(BoardMemory, 0, sizeof BoardMemory);
        Machine.Presses.Clear();
    }
    void TearDown() override { ActiveHost = nullptr; }
    void StartWithProjectFiles() {
        StartUp({"no/such/MPF1P.bin", DataDir + "/teclado.bmp", DataDir + "/VIOchar.bin"});
    }
    uint32_t SurfacePixel(int x, int y) {
        SDL_Surface* s = SDL_GetWindowSurface(host.Window());
        return *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 4);
    }
    uint32_t Mapped(int r, int g, int b) { return SDL_MapRGB(SDL_GetWindowSurface(host.Window())->format, r, g, b); }

    SdlHost host;
};

TEST_F(SdlLayer, StartUpDrawsTheKeyboardPictureAtTheOrigin) {
    const IndexedBmp bmp = ReadIndexedBmp(DataDir + "/teclado.bmp");
    ASSERT_EQ(bmp.Width, 950);
    ASSERT_EQ(bmp.Height, 574);
    StartWithProjectFiles();
    int mismatches = 0;
    for (int y = 0; y < 574; ++y)
        for (int x = 0; x < 950; ++x) mismatches += Screen.At(x, y) != bmp.Pixels[static_cast<size_t>(y) * 950 + x];
    EXPECT_EQ(mismatches, 0);
    // the picture's display window is black where the digits go, its case is not
    EXPECT_EQ(Screen.At(79, 35), 0);
    EXPECT_NE(Screen.At(40, 300), 0);
    // the strip and the panel beside it, and the palette entries of start-up
    EXPECT_EQ(Screen.At(950, 281), 63);
    EXPECT_EQ(Screen.At(1274, 573), 30);
    EXPECT_EQ(Screen.Palette()[10], (PaletteEntry{0, 226, 0}));
    // the strip and the panel take the colours of the picture's case edge and body
    EXPECT_EQ(Screen.Palette()[63], Screen.Palette()[Screen.At(1, 300)]);
    EXPECT_EQ(Screen.Palette()[30], Screen.Palette()[Screen.At(40, 300)]);
    EXPECT_EQ(VioCharsetLength, 2048);
}

TEST_F(SdlLayer, LoadBmpTakesTheNearestPaletteEntry) {
    host.OpenWindow();
    Screen.Reset();
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 24, SDL_PIXELFORMAT_RGB24);
    const uint8_t rgb[2][3][3] = {{{255, 0, 0}, {0, 0, 0}, {255, 255, 255}},
                                  {{250, 5, 5}, {0, 170, 170}, {12, 12, 12}}};
    for (int y = 0; y < 2; ++y) std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, rgb[y], 9);
    const ScratchDir scratch;
    const std::string path = scratch.File("rgb.bmp");
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
    Picture picture{4, 3, std::vector<uint8_t>(12, 99)};
    ASSERT_TRUE(host.LoadBmp(path, picture));
    // pure red is entry 39 of plover's palette (40 is the VIO background)
    const std::vector<uint8_t> expected = {39, 0, 15, 99, 39, 3, 17, 99, 99, 99, 99, 99};
    EXPECT_EQ(picture.Pixels, expected);
    EXPECT_FALSE(host.LoadBmp("no/such/picture.bmp", picture));
}

TEST_F(SdlLayer, PresenterPushesChangesAtMostEvery20Milliseconds) {
    StartWithProjectFiles();
    host.PresentNow();
    EXPECT_FALSE(Screen.Changed());
    EXPECT_EQ(SurfacePixel(950, 281), Mapped(80, 80, 80));  // index 63
    EXPECT_EQ(SurfacePixel(1000, 400), Mapped(44, 44, 44));  // index 30
    const uint64_t presents = host.PresentCount();
    Screen.Plot(1000, 400, 40);
    host.Present();  // too soon after the last one: held back
    EXPECT_EQ(host.PresentCount(), presents);
    EXPECT_EQ(SurfacePixel(1000, 400), Mapped(44, 44, 44));
    host.SleepMillis(30);  // made when it falls due during the sleep
    EXPECT_EQ(host.PresentCount(), presents + 1);
    EXPECT_EQ(SurfacePixel(1000, 400), Mapped(0, 24, 0));
    // nothing changed: a request presents nothing
    host.SleepMillis(25);
    host.Present();
    EXPECT_EQ(host.PresentCount(), presents + 1);
    // a palette change reaches every pixel of that index
    Screen.SetPaletteEntry(30, 0, 0, 63);
    host.PresentNow();
    EXPECT_EQ(SurfacePixel(1274, 573), Mapped(0, 0, 255));
}

TEST_F(SdlLayer, AScaledWindowShowsSquarePixelsAndAResizedOneFiltersThem) {
    host.SetWindowScale(2);
    StartWithProjectFiles();
    host.PresentNow();
    int width = 0, height = 0;
    SDL_GetWindowSize(host.Window(), &width, &height);
    EXPECT_EQ(width, 2 * ScreenWidth);
    EXPECT_EQ(height, 2 * ScreenHeight);
    // the strip's first row (y 281) covers window rows 562 and 563, not 561
    for (const int y : {562, 563}) EXPECT_EQ(SurfacePixel(2 * 950, y), Mapped(80, 80, 80)) << y;
    EXPECT_NE(SurfacePixel(2 * 950, 561), Mapped(80, 80, 80));
    // a change reaches all four window pixels of its framebuffer pixel
    Screen.Plot(1000, 400, 15);
    host.PresentNow();
    for (const int dy : {0, 1})
        for (const int dx : {0, 1}) EXPECT_EQ(SurfacePixel(2000 + dx, 800 + dy), Mapped(255, 255, 255));
    EXPECT_EQ(SurfacePixel(2002, 800), Mapped(44, 44, 44));
    // 1.5 times as wide and taller still: the picture fills the width between
    // black bars of 70 rows; the strip's top edge (y 281, window row 70 +
    // 421.5) shades from black to its grey
    SDL_SetWindowSize(host.Window(), 1912, 1000);
    host.SleepMillis(2);
    host.FrameBoundary();  // takes the window's events
    host.PresentNow();
    EXPECT_EQ(SurfacePixel(1000, 69), Mapped(0, 0, 0));
    EXPECT_EQ(SurfacePixel(1911, 497), Mapped(80, 80, 80));
    bool between = false;
    for (int y = 488; y <= 494; ++y) between |= (SurfacePixel(1430, y) >> 16 & 0xFF) % 80 != 0;  // red: 0 or 80 unfiltered
    EXPECT_TRUE(between);
}

SDL_Event KeyDown(SDL_Scancode code) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.scancode = code;
    return event;
}

TEST_F(SdlLayer, FlushKeyBufferEmptiesTheQueueOfKeyPresses) {
    host.OpenWindow();
    host.SleepMillis(2);  // the next flush is due
    for (int i = 0; i < 5; ++i) {
        SDL_Event event = KeyDown(SDL_SCANCODE_A);
        SDL_PushEvent(&event);
    }
    host.FlushKeyBuffer();
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 0);
}

SDL_Event KeyUp(SDL_Scancode code) {
    SDL_Event event = KeyDown(code);
    event.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    return event;
}

TEST_F(SdlLayer, APressAndReleaseBetweenTwoLooksIsTakenOnce) {
    host.OpenWindow();
    SDL_Event events[] = {KeyDown(SDL_SCANCODE_A), KeyUp(SDL_SCANCODE_A), KeyDown(SDL_SCANCODE_RSHIFT)};
    events[2].key.repeat = 1;  // auto-repeat is no new press
    for (SDL_Event& event : events) SDL_PushEvent(&event);
    host.SleepMillis(2);  // the next look at the queue is due
    EXPECT_FALSE(host.KeyHeld(30));
    EXPECT_TRUE(host.TakePress(30));
    EXPECT_FALSE(host.TakePress(30));
    EXPECT_FALSE(host.TakePress(54));
}

TEST_F(SdlLayer, PressesAreQueuedInOrderWithTheirModifiers) {
    host.OpenWindow();
    SDL_Event events[] = {KeyDown(SDL_SCANCODE_LSHIFT), KeyDown(SDL_SCANCODE_M), KeyUp(SDL_SCANCODE_M),
                          KeyDown(SDL_SCANCODE_M),      KeyDown(SDL_SCANCODE_0), KeyDown(SDL_SCANCODE_RCTRL)};
    events[1].key.keysym.mod = KMOD_LSHIFT;
    events[3].key.repeat = 1;  // auto-repeat is no new press
    events[4].key.keysym.mod = KMOD_RCTRL;
    for (SDL_Event& event : events) SDL_PushEvent(&event);
    host.SleepMillis(2);  // the next look at the queue is due
    host.FlushKeyBuffer();
    const KeyPressQueue& presses = host.Presses();
    ASSERT_EQ(presses.Size(), 2);  // Shift and Control are no presses of their own
    EXPECT_EQ(presses[0].ScanCode, ScanCode::M);
    EXPECT_TRUE(presses[0].Shift);
    EXPECT_FALSE(presses[0].Control);
    EXPECT_EQ(presses[1].ScanCode, ScanCode::Digit0);
    EXPECT_FALSE(presses[1].Shift);
    EXPECT_TRUE(presses[1].Control);
}

TEST_F(SdlLayer, AFullQueueRefusesPressesAndSaysSo) {
    host.OpenWindow();
    for (int i = 0; i < KeyPressQueue::Capacity + 6; ++i) {
        SDL_Event event = KeyDown(i % 2 ? SDL_SCANCODE_A : SDL_SCANCODE_B);
        SDL_PushEvent(&event);
    }
    host.SleepMillis(2);
    testing::internal::CaptureStderr();
    host.FlushKeyBuffer();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(host.Presses().Size(), KeyPressQueue::Capacity);
    EXPECT_EQ(host.Presses()[KeyPressQueue::Capacity - 1].ScanCode, ScanCode::A);  // the oldest are kept
    EXPECT_EQ(said, "plover: el programa no lee el teclado: 64 teclas en espera, se pierden las siguientes\n");
}

TEST_F(SdlLayer, WaitForKeyReturnsOnAKeyPressMadeWhileWaiting) {
    host.OpenWindow();
    SDL_Event stale = KeyDown(SDL_SCANCODE_B);
    SDL_PushEvent(&stale);  // pressed before the wait: discarded
    // a timer thread presses a key 50 ms into the wait
    const SDL_TimerID timer = SDL_AddTimer(
        50,
        [](Uint32, void*) -> Uint32 {
            SDL_Event event = KeyDown(SDL_SCANCODE_C);
            SDL_PushEvent(&event);
            return 0;
        },
        nullptr);
    ASSERT_NE(timer, 0);
    const double start = host.NowMillis();
    host.WaitForKey();
    EXPECT_GE(host.NowMillis() - start, 40);
}

// Pushes an Escape press 20 ms from now, into a wait that has begun.
void PressEscapeSoon() {
    SDL_AddTimer(
        20,
        [](Uint32, void*) -> Uint32 {
            SDL_Event event = KeyDown(SDL_SCANCODE_ESCAPE);
            SDL_PushEvent(&event);
            return 0;
        },
        nullptr);
}

// Ending the program from inside the host (std::exit with status 0) would end
// the test program as a success before a test finishes: while one of these
// lives, such an exit fails instead.
class NoExitWhileAlive {
public:
    NoExitWhileAlive() {
        static const bool registered = std::atexit([] {
            if (!alive) return;
            std::fputs("the program ended from inside the host\n", stderr);
            std::_Exit(1);
        }) == 0;
        EXPECT_TRUE(registered);
        alive = true;
    }
    ~NoExitWhileAlive() { alive = false; }

private:
    static inline bool alive = false;
};

// The close button and SDL_QUIT, wherever the host sees them, and Escape while
// a message waits for a key, ask for the program's end; a wait returns, and
// nothing ends the program from inside the host.
TEST_F(SdlLayer, ClosingTheWindowOrEscapeWhileWaitingAsksForTheEnd) {
    const NoExitWhileAlive guard;
    host.OpenWindow();
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(host.Window());
    const struct {
        const char* name;
        const SDL_Event* pushed;  // before the host looks; none: Escape during the wait
        bool wait;                // the host looks by waiting for a key, else by a frame boundary
    } cases[] = {
        {"quit at a frame boundary", &quit, false},
        {"close button at a frame boundary", &close, false},
        {"quit while waiting", &quit, true},
        {"close button while waiting", &close, true},
        {"Escape while waiting", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TakeStop();
        host.FlushKeyBuffer();
        if (c.pushed != nullptr) {
            SDL_Event event = *c.pushed;
            SDL_PushEvent(&event);
        } else {
            PressEscapeSoon();
        }
        host.SleepMillis(2);  // the next look pumps the window system
        if (c.wait)
            host.WaitForKey();
        else
            host.FrameBoundary();
        EXPECT_EQ(TakeStop(), StopReason::EndProgram);
    }
    // an end already asked for is not kept waiting for a key
    RequestProgramEnd();
    const double start = host.NowMillis();
    host.WaitForKey();
    EXPECT_LT(host.NowMillis() - start, 1000);
    EXPECT_EQ(TakeStop(), StopReason::EndProgram);
}

// The loop's side: the close button seen by a keyboard read, and Escape while
// the message of an unknown opcode waits, let the instruction finish and the
// pass return the end.
TEST_F(SdlLayer, TheEndAskedForInsideAnInstructionEndsThePassAfterIt) {
    const NoExitWhileAlive guard;
    StartWithProjectFiles();
    const uint8_t program[] = {0xDB, 0x92, 0x18, 0xFC, 0xED, 0xC0};  // IN A,(92h); JR back; unknown ED C0
    std::memcpy(&BoardMemory[0x4000], program, sizeof program);
    Z80Registers.PC = 0x4000;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    host.SleepMillis(2);
    StopReason said = StopReason::None;
    for (int pass = 0; pass < 1000 && said == StopReason::None; ++pass) said = RunPass();
    EXPECT_EQ(said, StopReason::EndProgram);
    EXPECT_TRUE(Z80Registers.PC == 0x4000 || Z80Registers.PC == 0x4002);  // between two instructions

    Z80Registers.PC = 0x4004;
    PressEscapeSoon();
    EXPECT_EQ(RunPass(), StopReason::EndProgram);
    EXPECT_EQ(Z80Registers.PC, 0x4006);  // the unknown instruction went on to its end
}

TEST(SdlLayerDeathTest, WithoutADisplayTheStartFailsWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // no driver asked for and no window system to reach: SDL would
            // fall back to a driver that shows nothing
            unsetenv("SDL_VIDEODRIVER");
            unsetenv("WAYLAND_DISPLAY");
            setenv("DISPLAY", ":65000", 1);
            SdlHost host;
            ActiveHost = &host;
            host.OpenWindow();
            std::exit(3);  // not reached
        },
        ::testing::ExitedWithCode(1), "plover: no display");
}

TEST_F(SdlLayer, HostKeysBySet1ScanCode) {
    EXPECT_EQ(SdlScancodeForSet1(1), SDL_SCANCODE_ESCAPE);
    EXPECT_EQ(SdlScancodeForSet1(2), SDL_SCANCODE_1);
    EXPECT_EQ(SdlScancodeForSet1(11), SDL_SCANCODE_0);
    EXPECT_EQ(SdlScancodeForSet1(28), SDL_SCANCODE_RETURN);
    EXPECT_EQ(SdlScancodeForSet1(30), SDL_SCANCODE_A);
    EXPECT_EQ(SdlScancodeForSet1(39), SDL_SCANCODE_SEMICOLON);
    EXPECT_EQ(SdlScancodeForSet1(42), SDL_SCANCODE_LSHIFT);
    EXPECT_EQ(SdlScancodeForSet1(53), SDL_SCANCODE_SLASH);
    EXPECT_EQ(SdlScancodeForSet1(57), SDL_SCANCODE_SPACE);
    EXPECT_EQ(SdlScancodeForSet1(60), SDL_SCANCODE_F2);
    EXPECT_EQ(SdlScancodeForSet1(62), SDL_SCANCODE_F4);
    EXPECT_EQ(SdlScancodeForSet1(72), SDL_SCANCODE_UP);
    EXPECT_EQ(SdlScancodeForSet1(75), SDL_SCANCODE_LEFT);
    EXPECT_EQ(SdlScancodeForSet1(77), SDL_SCANCODE_RIGHT);
    EXPECT_EQ(SdlScancodeForSet1(80), SDL_SCANCODE_DOWN);
    EXPECT_EQ(SdlScancodeForSet1(54), SDL_SCANCODE_RSHIFT);
    EXPECT_EQ(SdlScancodeForSet1(55), SDL_SCANCODE_UNKNOWN);  // not a key plover reads
    // every key of the matrix has a host key
    for (int column = 1; column <= KeyColumnCount; ++column)
        for (const uint8_t code : KeyMatrix[column]) {
            if (code == 0) continue;
            EXPECT_NE(SdlScancodeForSet1(code), SDL_SCANCODE_UNKNOWN) << int(code);
        }
}

}  // namespace
}  // namespace plover
