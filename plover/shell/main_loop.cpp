#include "plover/shell/main_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plover/board/board.h"
#include "plover/board/save_state.h"
#include "plover/board/host.h"
#include "plover/video/screen.h"
#include "plover/video/text_grid.h"
#include "plover/z80/cpu.h"
#include "plover/z80/messages.h"

namespace plover {

int PacingDebt = 0;
double LastFrameTime = 0;
bool StepMode = false;

namespace {

// The keyboard picture as loaded, kept to redraw the window.
Picture keyboardPicture;
// Messages about the files of start-up, shown in the lower right panel, and
// below them what is wrong with the user program's file.
std::vector<std::string> startUpMessages;
std::string programProblem;
std::string stateOutcome;

constexpr uint8_t MessageInk = 15;           // white, on the panel's colour
constexpr int PanelTextRow = 38;             // first 8-pixel text row inside the panel
constexpr int PanelTextColumn = 120;         // x = 952
constexpr int PanelTextWidth = 40;           // characters per line

void ReportStartUpProblem(const std::string& message) {
    std::fprintf(stderr, "plover: %s\n", message.c_str());
    startUpMessages.push_back(message);
}

// Reads the ROM image; says so when it is missing, unreadable or short,
// since the monitor cannot run then.
void LoadRom(const std::string& path) {
    uint8_t image[RomSize] = {};
    size_t got = 0;
    bool readable = false;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        got = std::fread(image, 1, sizeof image, file);
        readable = std::ferror(file) == 0;
        std::fclose(file);
    }
    // loading is not an emulated write: the ROM limit does not apply
    std::memcpy(BoardMemory, image, sizeof image);
    if (!readable)
        ReportStartUpProblem(MessageText(Message::RomUnreadable, {path}));
    else if (got < sizeof image)
        ReportStartUpProblem(MessageText(Message::RomShort, {path, std::to_string(got), std::to_string(RomSize)}));
}

void LoadKeyboardPicture(const std::string& path) {
    keyboardPicture.Width = KeyboardPictureWidth;
    keyboardPicture.Height = KeyboardPictureHeight;
    keyboardPicture.Pixels.assign(static_cast<size_t>(keyboardPicture.Width) * keyboardPicture.Height, 0);
    if (!ActiveHost->LoadBmp(path, keyboardPicture))
        std::fprintf(stderr, "plover: %s\n", MessageText(Message::PictureUnreadable, {path}).c_str());
}

void LoadCharset(const std::string& path) {
    LoadVioCharset(path);
    std::string problem;
    if (VioCharsetLength == 0)
        problem = MessageText(Message::CharsetUnreadable, {path});
    else if (VioCharsetLength < VioCharsetCapacity)
        problem = MessageText(Message::CharsetShort, {path, std::to_string(VioCharsetLength),
                                                      std::to_string(VioCharsetCapacity)});
    if (!problem.empty()) std::fprintf(stderr, "plover: %s\n", problem.c_str());
}

// Splits a message at spaces into lines of at most width characters.
std::vector<std::string> WrapText(const std::string& text, size_t width) {
    std::vector<std::string> lines(1);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(start, end - start);
        for (; word.size() > width; word.erase(0, width)) lines.push_back(word.substr(0, width));
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width) lines.emplace_back();
        if (!lines.back().empty()) lines.back() += ' ';
        lines.back() += word;
        start = end + 1;
    }
    return lines;
}

void DrawPanel() {
    const WindowArea& panel = LowerRightPanel;
    Screen.Box(panel.X0, panel.Y0, panel.X1, panel.Y1, PanelColour);
    int row = PanelTextRow;
    for (const std::string& message : startUpMessages) {
        for (const std::string& line : WrapText(message, PanelTextWidth))
            Screen.DrawText(row++, PanelTextColumn, line, MessageInk, PanelColour);
        ++row;
    }
    for (const std::string* text : {&programProblem, &stateOutcome}) {
        if (text->empty()) continue;
        for (const std::string& line : WrapText(*text, PanelTextWidth))
            Screen.DrawText(row++, PanelTextColumn, line, MessageInk, PanelColour);
        ++row;
    }
}

// Everything but the digits and the VIO text, which are drawn over it.
void DrawWindowFrame() {
    // by XOR onto the black screen, which leaves the picture as it is
    Screen.Box(0, 0, ScreenWidth - 1, ScreenHeight - 1, 0);
    Screen.PutXor(0, 0, keyboardPicture);
    Screen.Box(SeparatorStrip.X0, SeparatorStrip.Y0, SeparatorStrip.X1, SeparatorStrip.Y1, StripColour);
    DrawPanel();
}

// The debug view's part of a pass (DebugLevel non-zero): F1 and F2 switch
// single-stepping on and off, Escape ends the program, then the register dump
// is shown and, when stepping, a key press awaited.
StopReason DebugPass() {
    if (ActiveHost->KeyHeld(ScanCode::F1)) StepMode = true;
    if (ActiveHost->KeyHeld(ScanCode::F2)) StepMode = false;
    if (ActiveHost->KeyHeld(ScanCode::Escape)) return StopReason::EndProgram;
    DumpRegisters();
    if (StepMode) {
        ActiveHost->PresentNow();
        ActiveHost->WaitForKey();
        if (StopRequested()) return TakeStop();  // closed while waiting
    } else {
        ActiveHost->Present();
    }
    return StopReason::None;
}

std::string PadToZone(std::string text) {
    // print zones are 14 columns wide: the next item starts at column 15
    if (text.size() < 14) text.resize(14, ' ');
    return text;
}

}  // namespace

void StartUp(const StartUpFiles& files) {
    ConnectBoard();
    DebugOutputHook = ShowDebugOutput;
    Screen.Reset();
    ActiveHost->OpenWindow();
    FlushKeyBuffer();
    ResetProcessor();
    LoadSegmentPictures();
    startUpMessages.clear();
    programProblem.clear();
    stateOutcome.clear();
    LoadCharset(files.Charset);
    LastFrameTime = ActiveHost->NowMillis();
    RomLimit = BoardRomLimit;
    LoadRom(files.Rom);
    LoadKeyboardPicture(files.KeyboardPicture);
    Screen.SetPaletteEntry(BlackColour, 0, 0, 0);
    Screen.SetPaletteEntry(UnlitSegmentColour, 0, 10, 0);
    Screen.SetPaletteEntry(SegmentOutlineColour, 0, 32, 0);
    // lit segments and VIO text: bright enough for 7:1 on the VIO background
    Screen.SetPaletteEntry(LitColour, 0, TextGreen63, 0);
    DrawWindowFrame();
    // program-wide state of the loop and the board, as at power-on
    CycleCounter = -FrameCycles;
    PacingDebt = 0;
    RefreshCounter = 0;
    RefreshCount = 0;
    StepMode = false;
    TotalCycles = 0;
    DigitSelect = 0;
    SegmentLatch = 0;
    ActiveHost->SleepMillis(100);
}

int PaceFrame() {
    // the periodic interrupt, offered at every frame boundary
    const int taken = AcceptInterrupt();
    ActiveHost->FrameBoundary();
    // pacing: sleep what is left of the frame, less what we are behind
    const double now = ActiveHost->NowMillis();
    const double exact = now - LastFrameTime;
    int elapsed = static_cast<int>(std::lround(exact));
    if (elapsed <= 0) elapsed = 1;
    double frameEnd = -1;
    if (elapsed <= FrameMillis) {
        const int wait = FrameMillis - elapsed - PacingDebt;
        if (wait < 0) {
            PacingDebt = -wait;
        } else {
            PacingDebt = 0;
            // the fraction of a millisecond lost when rounding elapsed time is
            // slept too, so that rounding does not add up to a slower clock
            const double sleep = wait + (elapsed - exact);
            if (sleep > 0) {
                ActiveHost->SleepMillis(sleep);
                frameEnd = now + sleep;
            }
        }
    } else {
        PacingDebt = std::min(PacingDebt + elapsed - FrameMillis, PacingDebtLimit);
    }
    // The frame ends when the sleep was meant to end: a host that oversleeps
    // (a busy machine wakes us late) has the excess counted in the next frame's
    // elapsed time instead of losing it. With an exact sleep this is the time
    // after the sleep.
    LastFrameTime = frameEnd >= 0 ? frameEnd : ActiveHost->NowMillis();
    return taken;
}

void ShowProgramProblem(const std::string& text) {
    programProblem = text;
    DrawPanel();
    ActiveHost->Present();
}

void ShowStateOutcome(const std::string& text) {
    stateOutcome = text;
    DrawPanel();
    ActiveHost->Present();
}

void SaveQuickState() {
    const StateResult result = SaveState(QuickStateFile);
    const std::string text = StateMessage(result, QuickStateFile, true);
    if (!result.Ok()) std::fprintf(stderr, "plover: %s\n", text.c_str());
    ShowStateOutcome(text);
}

void RestoreQuickState() {
    const StateResult result = LoadState(QuickStateFile);
    const std::string text = StateMessage(result, QuickStateFile, false);
    if (!result.Ok()) std::fprintf(stderr, "plover: %s\n", text.c_str());
    stateOutcome = text;
    RedrawWindow();
}

void RedrawWindow() {
    DrawWindowFrame();
    RedrawVio();  // the digits follow at the next board refreshes
    ActiveHost->Present();
}

StopReason WatchHostKeys() {
    if (HostKeyDown(ScanCode::Escape)) return StopReason::EndProgram;
    // once per press: a held F2 does not reset at every frame
    if (ActiveHost->TakePress(ScanCode::F2)) {
        ResetByF2();
        RedrawWindow();
    }
    if (ActiveHost->TakePress(ScanCode::F6)) SaveQuickState();
    if (ActiveHost->TakePress(ScanCode::F9)) RestoreQuickState();
    return StopReason::None;
}

StopReason RunPass() {
    if (CycleCounter >= 0) {
        if (WatchHostKeys() == StopReason::EndProgram) return StopReason::EndProgram;
        const int interrupt = PaceFrame();
        CycleCounter = CycleCounter - FrameCycles - interrupt;
        TotalCycles += interrupt;
    }
    ++Z80Registers.RCounter;
    if (RefreshCounter >= RefreshPasses) {
        RefreshCounter = 0;
        RefreshBoard();
    }
    ++RefreshCounter;
    if constexpr (DebugLevel != 0) {
        if (DebugPass() == StopReason::EndProgram) return StopReason::EndProgram;
    }
    const int taken = ExecuteStep();
    CycleCounter += taken;
    TotalCycles += taken;
    return PendingStop == StopReason::None ? StopReason::None : TakeStop();
}

void RunMainLoop() {
    while (RunPass() != StopReason::EndProgram) {
    }
}

void ShowDebugOutput(int row, int column, std::string_view text, bool wait) {
    if (row != 0) LocateText(row, column);
    PrintTextLine(text);
    ActiveHost->Present();
    if (!wait) return;
    ActiveHost->PresentNow();
    ActiveHost->WaitForKey();
}

void DumpRegisters() {
    const Z80RegisterSet& r = Z80Registers;
    const std::string four = "    ";
    LocateText(1, 1);
    // PeekB and PeekW print their own trace lines at DebugLevel 2 and above
    const uint8_t byte = PeekB(r.PC);
    const uint16_t word = PeekW(r.PC + 1u);
    LocateText(1, 1);
    DebugLine("PC=" + HexText(r.PC) + " Byte:" + HexText(byte) + "  Word+1:" + HexText(word) + four, false);
    DebugLine("SP=" + HexText(r.SP) + four, false);
    DebugLine("", false);
    DebugLine("A =" + HexText(r.A) + four, false);
    DebugLine("B =" + HexText(r.B) + four, false);
    DebugLine("C =" + HexText(r.C) + four, false);
    DebugLine("DE=" + HexText(r.DE) + four, false);
    DebugLine("HL=" + HexText(r.HL) + four, false);
    DebugLine("", false);
    DebugLine(PadToZone("AF'=" + HexText(r.AFAlt) + four) + "IX=" + HexText(r.IX) + four, false);
    DebugLine(PadToZone("BC'=" + HexText(r.BCAlt) + four) + "IY=" + HexText(r.IY) + four, false);
    DebugLine(PadToZone("DE'=" + HexText(r.DEAlt) + four) + "ID=" + HexText(r.ID) + four, false);
    DebugLine("HL'=" + HexText(r.HLAlt) + four, false);
    DebugLine(" C N P 3 H 5 Z S", false);
    std::string flags;
    for (const bool set : {r.CY, r.N, r.PV, r.F3, r.H, r.F5, r.Z, r.S}) flags += set ? "-1" : " 0";
    DebugLine(flags, false);
}

}  // namespace plover
