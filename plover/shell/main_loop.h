// plover's start-up and its real-time main loop: one instruction per pass,
// frames of 35,000 T-states paced to 20 ms of real time with the periodic
// interrupt at every frame boundary, the board refreshed every 101 passes.
#pragma once

#include <cstdint>
#include <string>

#include "plover/board/board.h"
#include "plover/z80/machine.h"

namespace plover {

// The board's clock: 35,000 T-states every 20 ms is 1.75 MHz.
inline constexpr int TStatesPerFrame = 35000;
inline constexpr int MillisPerFrame = 20;
inline constexpr int PacingDebtLimit = 48;

// The frame's length never changes: these two only ever hold the constants.
inline constexpr int FrameCycles = TStatesPerFrame;  // T-states per frame
inline constexpr int FrameMillis = MillisPerFrame;   // real milliseconds per frame
// Where the machine stands in its frame and refresh cycle (machine.h).
inline constexpr int64_t& CycleCounter = Machine.CycleCounter;  // counting up towards 0
inline constexpr uint64_t& TotalCycles = Machine.TotalCycles;   // interrupts included
inline constexpr int& RefreshCounter = Machine.RefreshCounter;  // passes since the last board refresh
// The board is refreshed on every RefreshPasses-th pass.
inline constexpr int RefreshPasses = 101;
// Real-time pacing and the debug view: the window's, not the machine's.
extern int PacingDebt;         // ms the emulation is behind real time, at most 48
extern double LastFrameTime;   // real time (ms) at the end of the previous frame boundary
extern bool StepMode;          // single-stepping of the debug view

// The files start-up reads, relative to the working directory.
struct StartUpFiles {
    std::string Rom = "roms/MPF1P.bin";
    std::string KeyboardPicture = "teclado/teclado.bmp";
    std::string Charset = "video/VIOchar.bin";
};

inline constexpr int KeyboardPictureWidth = 950;
inline constexpr int KeyboardPictureHeight = 574;
inline constexpr int RomSize = 8192;

// Palette indices of the separator strip and the lower right panel, and the
// green (0-63) that start-up gives index 10, the lit segments and VIO text.
inline constexpr uint8_t StripColour = 63;
inline constexpr uint8_t PanelColour = 30;
inline constexpr int TextGreen63 = 56;
// The palette entries start-up sets (the others keep the screen's default
// palette): black, the unlit and outline greens of the segments, and the lit one.
inline constexpr uint8_t BlackColour = 0;
inline constexpr uint8_t UnlitSegmentColour = 7;
inline constexpr uint8_t SegmentOutlineColour = 2;
inline constexpr uint8_t LitColour = 10;

// The window's areas right of the keyboard picture, corners inclusive.
struct WindowArea {
    int X0, Y0, X1, Y1;
};
inline constexpr WindowArea SeparatorStrip = {950, 281, 1274, 289};
// reaches below the window, which clips it
inline constexpr WindowArea LowerRightPanel = {950, 290, 1274, 589};

// Everything before the main loop, in order: window, key flush, reset,
// segment pictures, character generator, ROM, keyboard picture, palette,
// panels, a 100 ms pause. Uses ActiveHost; missing files leave zeros and are
// reported on standard error, a missing or short ROM also in the window.
void StartUp(const StartUpFiles& files = StartUpFiles{});

// Shows what is wrong with the user program's file (a rewrite that --watch
// cannot load) in the lower right panel, below the start-up messages and in
// place of the last such text; an empty text takes it away.
void ShowProgramProblem(const std::string& text);

// Shows the outcome of saving or restoring a state in the lower right panel,
// below the other texts and in place of the last such outcome.
void ShowStateOutcome(const std::string& text);

// The quick slot of F6 and F9, in the folder plover runs in.
inline constexpr const char* QuickStateFile = "plover.state";
// F6 saves the machine to the quick slot, F9 restores it; the outcome is
// shown in the window, and on standard error when it failed.
void SaveQuickState();
void RestoreQuickState();

// Draws the whole window again (keyboard picture, panels, start-up messages,
// VIO text), clearing whatever was printed over it.
void RedrawWindow();
// Called at every frame boundary, so that these keys work whatever the
// program does: Escape held or pressed ends the program (EndProgram is
// returned), a press of F2 resets the processor and redraws the window, F6
// and F9 save and restore the quick state.
StopReason WatchHostKeys();

// One pass of the main loop: None, or EndProgram when Escape or the window's
// close button was seen, in this pass's instruction or before it.
StopReason RunPass();
// Runs passes until one says the program ends, and returns then.
void RunMainLoop();

// The frame boundary: offers the interrupt (AcceptInterrupt), sleeps to keep
// real time, and returns the T-states of an accepted interrupt (0, 13 or 19).
int PaceFrame();

// Prints the register dump at the top left of the window.
void DumpRegisters();

// The core's debug output as the window shows it: the line on the text grid,
// then a present, and when asked a present at once and a wait for a key.
void ShowDebugOutput(int row, int column, std::string_view text, bool wait);

}  // namespace plover
