#include "plover/shell/sdl_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unordered_map>
#include <vector>

#include "plover/board/board.h"
#include "plover/shell/window_fit.h"
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
    {ScanCode::RightShift, SDL_SCANCODE_RSHIFT},
    {ScanCode::Z, SDL_SCANCODE_Z}, {ScanCode::X, SDL_SCANCODE_X}, {ScanCode::C, SDL_SCANCODE_C},
    {ScanCode::V, SDL_SCANCODE_V}, {ScanCode::B, SDL_SCANCODE_B}, {ScanCode::N, SDL_SCANCODE_N},
    {ScanCode::M, SDL_SCANCODE_M},
    {ScanCode::Comma, SDL_SCANCODE_COMMA}, {ScanCode::FullStop, SDL_SCANCODE_PERIOD},
    {ScanCode::Slash, SDL_SCANCODE_SLASH}, {ScanCode::Space, SDL_SCANCODE_SPACE},
    {ScanCode::F1, SDL_SCANCODE_F1}, {ScanCode::F2, SDL_SCANCODE_F2}, {ScanCode::F4, SDL_SCANCODE_F4},
    {ScanCode::F6, SDL_SCANCODE_F6}, {ScanCode::F9, SDL_SCANCODE_F9},
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

// The other way round, for key presses that arrive as events; 0 for keys
// plover does not read. Right Control counts as Control.
std::array<uint8_t, SDL_NUM_SCANCODES> BuildSet1Map() {
    std::array<uint8_t, SDL_NUM_SCANCODES> map{};
    for (const auto& k : KeyTable) map[k.sdl] = static_cast<uint8_t>(k.set1);
    map[SDL_SCANCODE_RCTRL] = ScanCode::Control;
    return map;
}

const std::array<SDL_Scancode, 128> KeyMap = BuildKeyMap();
const std::array<uint8_t, SDL_NUM_SCANCODES> Set1Map = BuildSet1Map();

// Video drivers that show nothing: taken only when the user asks for them.
bool IsInvisibleDriver(const char* name) {
    return name == nullptr || std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0;
}

}  // namespace

SDL_Scancode SdlScancodeForSet1(int scanCode) {
    return scanCode >= 0 && scanCode < 128 ? KeyMap[scanCode] : SDL_SCANCODE_UNKNOWN;
}

Language PreferredMessageLanguage() {
    std::vector<std::string> preferred;
    for (const char* name : {"LC_ALL", "LC_MESSAGES"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            preferred.emplace_back(value);
            break;
        }
    }
    if (SDL_Locale* locales = SDL_GetPreferredLocales()) {
        for (const SDL_Locale* locale = locales; locale->language != nullptr; ++locale)
            preferred.emplace_back(locale->language);
        SDL_free(locales);
    }
    return LanguageForLocales(preferred);
}

SdlHost::SdlHost() : origin_(std::chrono::steady_clock::now()) {}

SdlHost::~SdlHost() {
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_Quit();
}

void SdlHost::FailStart(const char* reason) {
    std::fprintf(stderr, "plover: %s\n", reason);
    SDL_Quit();
    std::exit(1);
}

void SdlHost::OpenWindow() {
    const bool driverChosen = std::getenv("SDL_VIDEODRIVER") != nullptr;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (!driverChosen) FailStart("no display");
        FailStart(SDL_GetError());
    }
    if (!driverChosen && IsInvisibleDriver(SDL_GetCurrentVideoDriver())) FailStart("no display");
    // SDL's software renderer draws into the window system's own buffer: a
    // 2D picture of this size needs no GPU driver, which would cost tens of
    // megabytes of memory.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    const WindowOpening opening = ChooseOpening();
    window_ = SDL_CreateWindow("plover - MPF-1 Plus", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, opening.Width,
                               opening.Height, SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) FailStart(SDL_GetError());
    // smaller than 1x, strokes of the text would be lost: only a screen too
    // small for 1x gets a window below it
    SDL_SetWindowMinimumSize(window_, std::min(ScreenWidth, opening.Width), std::min(ScreenHeight, opening.Height));
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) FailStart(SDL_GetError());
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, ScreenWidth,
                                 ScreenHeight);
    if (texture_ == nullptr) FailStart(SDL_GetError());
    FitToWindow();
    exposed_ = true;
    Screen.MarkAllChanged();
}

WindowOpening SdlHost::ChooseOpening() const {
    // the screen the window opens on; none to fit on an invisible driver
    SDL_Rect usable{0, 0, 0, 0};
    if (IsInvisibleDriver(SDL_GetCurrentVideoDriver()) || SDL_GetDisplayUsableBounds(0, &usable) != 0)
        usable = {0, 0, 0, 0};
    const WindowOpening opening = ChooseWindowOpening(windowScale_, usable.w, usable.h);
    std::string said;
    if (opening.Scale == 0)
        said = MessageText(Message::ScreenTooSmall,
                           {std::to_string(usable.w), std::to_string(usable.h), std::to_string(ScreenWidth),
                            std::to_string(ScreenHeight), std::to_string(opening.Width), std::to_string(opening.Height)});
    else if (opening.Scale < windowScale_)
        said = MessageText(Message::ScaleTooLarge, {std::to_string(windowScale_), std::to_string(usable.w),
                                                    std::to_string(usable.h), std::to_string(opening.Scale)});
    if (!said.empty()) std::fprintf(stderr, "plover: %s\n", said.c_str());
    return opening;
}

void SdlHost::FitToWindow() {
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer_, &width, &height);
    place_ = FitPicture(width, height);
    // whole multiples copy each pixel exactly; between them linear filtering
    // keeps every stroke of the text, which dropping pixels would not
    SDL_SetTextureScaleMode(texture_, place_.Whole > 0 ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
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

void SdlHost::NoteWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        RequestProgramEnd();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        FitToWindow();
        [[fallthrough]];
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_RESTORED:
        exposed_ = true;
        presentWanted_ = true;
        break;
    default:
        break;
    }
}

void SdlHost::NoteKeyDown(const SDL_KeyboardEvent& event) {
    if (event.repeat != 0) return;
    const uint8_t set1 = Set1Map[event.keysym.scancode];
    if (set1 == 0) return;
    // each press is kept in one place: the host's own keys and the
    // modifiers here, the keys the program reads in the machine's queue
    if (set1 == ScanCode::LeftShift || set1 == ScanCode::RightShift || set1 == ScanCode::Control ||
        IsHostControlKey(set1)) {
        presses_[set1] = true;
        return;
    }
    KeyPressQueue& queue = Presses();
    // the modifiers as they were when the key went down: a capital typed
    // faster than the program reads stays a capital
    const KeyPress press{set1, (event.keysym.mod & KMOD_SHIFT) != 0, (event.keysym.mod & KMOD_CTRL) != 0};
    if (queue.Empty()) queueFullReported_ = false;
    if (queue.Push(press) || queueFullReported_) return;
    // The program has not read the keyboard for KeyPressQueue::Capacity
    // presses: later ones are refused rather than taken out of order, and
    // the user is told once until the queue empties.
    const std::string said = MessageText(Message::KeysRefused, {std::to_string(KeyPressQueue::Capacity)});
    std::fprintf(stderr, "plover: %s\n", said.c_str());
    queueFullReported_ = true;
}

void SdlHost::DrainEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            RequestProgramEnd();
            break;
        case SDL_WINDOWEVENT:
            NoteWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
            // the key state says what is held; a press shorter than the time
            // between two looks shows only here
            NoteKeyDown(event.key);
            break;
        default:
            break;
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

bool SdlHost::TakePress(int scanCode) {
    // no pump of its own: presses arrive with the pumps of KeyHeld and FlushKeyBuffer
    if (scanCode < 0 || scanCode >= static_cast<int>(presses_.size())) return false;
    if (!presses_[scanCode]) return TakeQueuedPress(scanCode);
    const bool pressed = presses_[scanCode];
    presses_[scanCode] = false;
    return pressed;
}

void SdlHost::FlushKeyBuffer() { PumpIfDue(); }

void SdlHost::WaitForKey() {
    if (window_ == nullptr) return;
    DrainEvents();
    SDL_Event event;
    // an end asked for (now or before) is not kept waiting: the wait returns
    // and the instruction that waits runs to its end
    while (!StopRequested() && SDL_WaitEvent(&event)) {
        if (event.type == SDL_QUIT) RequestProgramEnd();
        if (event.type == SDL_WINDOWEVENT) {
            NoteWindowEvent(event.window);
            PresentChanges();
        }
        if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
            // Escape ends the program here too; F2 is left for the main
            // loop, which resets the processor at the next frame
            if (event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) RequestProgramEnd();
            if (event.key.keysym.scancode == SDL_SCANCODE_F2) NoteKeyDown(event.key);
            return;
        }
    }
}

void SdlHost::PresentChanges() {
    if (renderer_ == nullptr) return;
    ScreenRect rect = Screen.ChangedRect();
    if (Screen.PaletteChanged()) {
        const auto& palette = Screen.Palette();
        for (int i = 0; i < 256; ++i)
            texturePalette_[i] = uint32_t{palette[i].R} << 16 | uint32_t{palette[i].G} << 8 | palette[i].B;
        rect = {0, 0, ScreenWidth - 1, ScreenHeight - 1};
    }
    if (exposed_) rect = {0, 0, ScreenWidth - 1, ScreenHeight - 1};
    if (!rect.Empty()) {
        // only the changed rows and columns are converted and copied
        const SDL_Rect area{rect.X0, rect.Y0, rect.X1 - rect.X0 + 1, rect.Y1 - rect.Y0 + 1};
        void* texels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, &area, &texels, &pitch) == 0) {
            for (int y = rect.Y0; y <= rect.Y1; ++y) {
                const uint8_t* src = Screen.Pixels() + static_cast<size_t>(y) * ScreenWidth + rect.X0;
                auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(texels) + (y - rect.Y0) * pitch);
                for (int x = 0; x < area.w; ++x) out[x] = texturePalette_[src[x]];
            }
            SDL_UnlockTexture(texture_);
        }
    }
    Screen.TakeChanges();
    if (exposed_) SDL_RenderClear(renderer_);  // the borders beside a picture that keeps its aspect
    if (!rect.Empty()) CopyToWindow(rect);
    SDL_RenderPresent(renderer_);
    exposed_ = false;
    lastPresent_ = NowMillis();
    presentWanted_ = false;
    ++presents_;
}

void SdlHost::CopyToWindow(const ScreenRect& rect) {
    const PicturePlace& p = place_;
    if (p.Whole == 0) {
        // filtered: each window pixel depends on its neighbours, so the whole
        // picture is scaled at once and no seam shows where a change ended
        const SDL_Rect to{p.X, p.Y, p.Width, p.Height};
        SDL_RenderCopy(renderer_, texture_, nullptr, &to);
        return;
    }
    // whole multiples: only the changed pixels, each onto its square
    const SDL_Rect from{rect.X0, rect.Y0, rect.X1 - rect.X0 + 1, rect.Y1 - rect.Y0 + 1};
    const SDL_Rect to{p.X + from.x * p.Whole, p.Y + from.y * p.Whole, from.w * p.Whole, from.h * p.Whole};
    SDL_RenderCopy(renderer_, texture_, &from, &to);
}

void SdlHost::PresentIfDue() {
    if (!presentWanted_) return;
    if (!Screen.Changed() && !exposed_) {
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
    if (presentWanted_ && (Screen.Changed() || exposed_)) {
        const auto due = origin_ + duration_cast<steady_clock::duration>(
                                       duration<double, std::milli>(lastPresent_ + PresentInterval));
        if (due < end) {
            std::this_thread::sleep_until(due);
            PresentIfDue();
        }
    }
    std::this_thread::sleep_until(end);
}

void SdlHost::CloseWindow() {
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    renderer_ = nullptr;
    texture_ = nullptr;
    window_ = nullptr;
    SDL_Quit();
}

}  // namespace plover
