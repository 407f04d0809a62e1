// plover's start-up and its real-time main loop: one instruction per pass,
// frames of 35,000 T-states paced to 20 ms of real time with the periodic
// interrupt at every frame boundary, the board refreshed every 101 passes.
#pragma once

#include <cstdint>
#include <string>

namespace plover {

// The board's clock: 35,000 T-states every 20 ms is 1.75 MHz.
inline constexpr int TStatesPerFrame = 35000;
inline constexpr int MillisPerFrame = 20;
inline constexpr int PacingDebtLimit = 48;

extern int FrameCycles;        // T-states per frame
extern int FrameMillis;        // real milliseconds per frame
extern int64_t CycleCounter;   // T-states of the current frame, counting up towards 0
extern int PacingDebt;         // ms the emulation is behind real time, at most 48
extern double LastFrameTime;   // real time (ms) at the end of the previous frame boundary
extern int RefreshCounter;     // passes since the last board refresh
extern bool StepMode;          // single-stepping of the debug view
extern uint64_t PassCount;     // passes of the main loop so far
extern uint64_t TotalCycles;   // T-states executed since start-up, interrupts included

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

// Everything before the main loop, in order: window, key flush, reset,
// segment pictures, character generator, ROM, keyboard picture, palette,
// panels, a 100 ms pause. Uses ActiveHost; missing files leave zeros and are
// reported on standard error, a missing or short ROM also in the window.
void StartUp(const StartUpFiles& files = StartUpFiles{});

// Shows what is wrong with the user program's file (a rewrite that --watch
// cannot load) in the lower right panel, below the start-up messages and in
// place of the last such text; an empty text takes it away.
void ShowProgramProblem(const std::string& text);

// Draws the whole window again (keyboard picture, panels, start-up messages,
// VIO text), clearing whatever was printed over it.
void RedrawWindow();
// Called at every frame boundary, so that these keys work whatever the
// program does: Escape held or pressed ends the program, a press of F2 resets
// the processor and redraws the window.
void WatchHostKeys();

// One pass of the main loop.
void RunPass();
[[noreturn]] void RunMainLoop();

// The frame boundary: offers the interrupt, sleeps to keep real time, and
// returns the T-states of an accepted interrupt (0, 13 or 19). An accepted
// interrupt adds 1 to R, as the chip's acknowledge cycle does.
int PaceFrame();

// Prints the register dump at the top left of the window.
void DumpRegisters();

}  // namespace plover
