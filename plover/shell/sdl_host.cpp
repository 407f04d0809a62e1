#include "plover/shell/sdl_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unordered_map>

#include "plover/video/screen.h"

namespace plover {

namespace {

// PC set-1 scan code -> SDL scancode, for the keys plover reads.
constexpr struct {
    int set1;
    SDL_Scancode sdl;
} KeyTable[] = {
    {ScanCode::Escape, SDL_SCANCODE_ESCAPE},
    {ScanCode::Digit1, SDL_SCANCODE_1}, {ScanCode::Digit2, SDL_SCANCODE_2}, {ScanCode::Digit3, SDL_SCANCODE_3},
    {ScanCode::Digit4, SDL_SCANCODE_4}, {ScanCode::Digit5, SDL_SCANCODE_5}, {ScanCode::Digit6, SDL_SCANCODE_6},
    {ScanCode::Digit7, SDL_SCANCODE_7}, {ScanCode::Digit8, SDL_SCANCODE_8}, {ScanCode::Digit9, SDL_SCANCODE_9},
    {ScanCode::Digit0, SDL_SCANCODE_0},
    {ScanCode::Q, SDL_SCANCODE_Q}, {ScanCode::W, SDL_SCANCODE_W}, {ScanCode::E, SDL_SCANCODE_E},
    {ScanCode::R, SDL_SCANCODE_R}, {ScanCode::T, SDL_SCANCODE_T}, {ScanCode::Y, SDL_SCANCODE_Y},
    {ScanCode::U, SDL_SCANCODE_U}, {ScanCode::I, SDL_SCANCODE_I}, {ScanCode::O, SDL_SCANCODE_O},
    {ScanCode::P, SDL_SCANCODE_P},
    {ScanCode::Enter, SDL_SCANCODE_RETURN}, {ScanCode::Control, SDL_SCANCODE_LCTRL},
    {ScanCode::A, SDL_SCANCODE_A}, {ScanCode::S, SDL_SCANCODE_S}, {ScanCode::D, SDL_SCANCODE_D},
    {ScanCode::F, SDL_SCANCODE_F}, {ScanCode::G, SDL_SCANCODE_G}, {ScanCode::H, SDL_SCANCODE_H},
    {ScanCode::J, SDL_SCANCODE_J}, {ScanCode::K, SDL_SCANCODE_K}, {ScanCode::L, SDL_SCANCODE_L},
    {ScanCode::Semicolon, SDL_SCANCODE_SEMICOLON}, {ScanCode::LeftShift, SDL_SCANCODE_LSHIFT},
    {ScanCode::Z, SDL_SCANCODE_Z}, {ScanCode::X, SDL_SCANCODE_X}, {ScanCode::C, SDL_SCANCODE_C},
    {ScanCode::V, SDL_SCANCODE_V}, {ScanCode::B, SDL_SCANCODE_B}, {ScanCode::N, SDL_SCANCODE_N},
    {ScanCode::M, SDL_SCANCODE_M},
    {ScanCode::Comma, SDL_SCANCODE_COMMA}, {ScanCode::FullStop, SDL_SCANCODE_PERIOD},
    {ScanCode::Slash, SDL_SCANCODE_SLASH}, {ScanCode::Space, SDL_SCANCODE_SPACE},
    {ScanCode::F1, SDL_SCANCODE_F1}, {ScanCode::F2, SDL_SCANCODE_F2}, {ScanCode::F4, SDL_SCANCODE_F4},
    {ScanCode::CursorUp, SDL_SCANCODE_UP}, {ScanCode::CursorLeft, SDL_SCANCODE_LEFT},
    {ScanCode::CursorRight, SDL_SCANCODE_RIGHT}, {ScanCode::CursorDown, SDL_SCANCODE_DOWN},
};

// Host key state is refreshed from the window system at most this often.
constexpr double PumpInterval = 1.0;

std::array<SDL_Scancode, 128> BuildKeyMap() {
    std::array<SDL_Scancode, 128> map;
    map.fill(SDL_SCANCODE_UNKNOWN);
    for (const auto& k : KeyTable) map[k.set1] = k.sdl;
    return map;
}

const std::array<SDL_Scancode, 128> KeyMap = BuildKeyMap();

}  // namespace

SDL_Scancode SdlScancodeForSet1(int scanCode) {
    return scanCode >= 0 && scanCode < 128 ? KeyMap[scanCode] : SDL_SCANCODE_UNKNOWN;
}

SdlHost::SdlHost() : origin_(std::chrono::steady_clock::now()) {}

SdlHost::~SdlHost() {
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_Quit();
}

void SdlHost::OpenWindow() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "plover: SDL_Init: %s\n", SDL_GetError());
        std::exit(0);  // plover ends with status 0 on every path
    }
    window_ = SDL_CreateWindow("plover - MPF-1 Plus", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, ScreenWidth,
                               ScreenHeight, 0);
    if (window_ == nullptr) {
        std::fprintf(stderr, "plover: SDL_CreateWindow: %s\n", SDL_GetError());
        std::exit(0);  // plover ends with status 0 on every path
    }
    Screen.MarkAllChanged();
}

bool SdlHost::LoadBmp(const std::string& path, Picture& picture) {
    SDL_Surface* loaded = SDL_LoadBMP(path.c_str());
    if (loaded == nullptr) return false;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(loaded);
    if (rgb == nullptr) return false;
    // each colour becomes the nearest entry of the screen's palette as it is now
    const auto& palette = Screen.Palette();
    std::unordered_map<uint32_t, uint8_t> nearest;
    SDL_LockSurface(rgb);
    const int width = std::min(rgb->w, picture.Width);
    const int height = std::min(rgb->h, picture.Height);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch);
        for (int x = 0; x < width; ++x) {
            const uint32_t colour = row[x] & 0xFFFFFF;
            auto found = nearest.find(colour);
            if (found == nearest.end()) {
                const int r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
                int best = 0;
                long bestDistance = -1;
                for (int i = 0; i < 256; ++i) {
                    const long dr = r - palette[i].R, dg = g - palette[i].G, db = b - palette[i].B;
                    const long distance = dr * dr + dg * dg + db * db;
                    if (bestDistance < 0 || distance < bestDistance) {
                        bestDistance = distance;
                        best = i;
                    }
                }
                found = nearest.emplace(colour, static_cast<uint8_t>(best)).first;
            }
            picture.Pixels[static_cast<size_t>(y) * picture.Width + x] = found->second;
        }
    }
    SDL_UnlockSurface(rgb);
    SDL_FreeSurface(rgb);
    return true;
}

double SdlHost::NowMillis() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - origin_).count();
}

void SdlHost::DrainEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            EndProgram();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) EndProgram();
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                event.window.event == SDL_WINDOWEVENT_RESTORED) {
                Screen.MarkAllChanged();
                presentWanted_ = true;
            }
            break;
        default:
            break;  // key presses are read as key state; the queue is only emptied
        }
    }
}

void SdlHost::PumpIfDue() {
    if (window_ == nullptr) return;
    const double now = NowMillis();
    if (now - lastPump_ < PumpInterval) return;
    lastPump_ = now;
    // SDL_PollEvent pumps: the key state is updated and the queue emptied
    DrainEvents();
}

bool SdlHost::KeyHeld(int scanCode) {
    PumpIfDue();
    const SDL_Scancode sdl = SdlScancodeForSet1(scanCode);
    if (sdl == SDL_SCANCODE_UNKNOWN) return false;
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    if (scanCode == ScanCode::Control) return state[SDL_SCANCODE_LCTRL] || state[SDL_SCANCODE_RCTRL];
    return state[sdl] != 0;
}

void SdlHost::FlushKeyBuffer() { PumpIfDue(); }

void SdlHost::WaitForKey() {
    if (window_ == nullptr) return;
    DrainEvents();
    SDL_Event event;
    while (SDL_WaitEvent(&event)) {
        if (event.type == SDL_QUIT) EndProgram();
        if (event.type == SDL_WINDOWEVENT) {
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) EndProgram();
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                Screen.MarkAllChanged();
                PresentChanges();
            }
        }
        if (event.type == SDL_KEYDOWN) return;
    }
}

void SdlHost::PresentChanges() {
    if (window_ == nullptr || !Screen.Changed()) return;
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) return;
    ScreenRect rect = Screen.ChangedRect();
    if (Screen.PaletteChanged()) {
        const auto& palette = Screen.Palette();
        for (int i = 0; i < 256; ++i)
            surfacePalette_[i] = SDL_MapRGB(surface->format, palette[i].R, palette[i].G, palette[i].B);
        rect = {0, 0, ScreenWidth - 1, ScreenHeight - 1};
    }
    rect.X1 = std::min(rect.X1, surface->w - 1);
    rect.Y1 = std::min(rect.Y1, surface->h - 1);
    if (!rect.Empty()) {
        SDL_LockSurface(surface);
        const uint8_t* pixels = Screen.Pixels();
        const int bytes = surface->format->BytesPerPixel;
        for (int y = rect.Y0; y <= rect.Y1; ++y) {
            const uint8_t* src = pixels + static_cast<size_t>(y) * ScreenWidth;
            uint8_t* dst = static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
            if (bytes == 4) {
                auto* out = reinterpret_cast<uint32_t*>(dst);
                for (int x = rect.X0; x <= rect.X1; ++x) out[x] = surfacePalette_[src[x]];
            } else {
                for (int x = rect.X0; x <= rect.X1; ++x) {
                    const uint32_t v = surfacePalette_[src[x]];
                    std::memcpy(dst + x * bytes, &v, bytes);  // little-endian hosts
                }
            }
        }
        SDL_UnlockSurface(surface);
        const SDL_Rect update{rect.X0, rect.Y0, rect.X1 - rect.X0 + 1, rect.Y1 - rect.Y0 + 1};
        SDL_UpdateWindowSurfaceRects(window_, &update, 1);
    }
    Screen.TakeChanges();
    lastPresent_ = NowMillis();
    presentWanted_ = false;
    ++presents_;
}

void SdlHost::PresentIfDue() {
    if (!presentWanted_) return;
    if (!Screen.Changed()) {
        presentWanted_ = false;  // the window already shows this
        return;
    }
    if (NowMillis() - lastPresent_ >= PresentInterval) PresentChanges();
}

void SdlHost::Present() {
    presentWanted_ = true;
    PresentIfDue();
}

void SdlHost::PresentNow() {
    presentWanted_ = true;
    PresentChanges();
}

void SdlHost::FrameBoundary() {
    PumpIfDue();
    PresentIfDue();
}

void SdlHost::SleepMillis(double millis) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + duration_cast<steady_clock::duration>(duration<double, std::milli>(millis));
    // a present that falls due during the sleep is made on time
    if (presentWanted_ && Screen.Changed()) {
        const auto due = origin_ + duration_cast<steady_clock::duration>(
                                       duration<double, std::milli>(lastPresent_ + PresentInterval));
        if (due < end) {
            std::this_thread::sleep_until(due);
            PresentIfDue();
        }
    }
    std::this_thread::sleep_until(end);
}

void SdlHost::EndProgram() {
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    window_ = nullptr;
    SDL_Quit();
    std::exit(0);
}

}  // namespace plover
