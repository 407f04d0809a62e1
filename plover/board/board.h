// The MPF-1 Plus board as plover's processor sees it through IN and OUT: the
// five output latches (digit/column select and segments), the keyboard and
// modifier input ports, the 20-digit fourteen-segment display drawn from the
// latches, and the VIO text screen drawn from memory at 4000h-431Fh.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "plover/video/screen.h"
#include "plover/video/text_grid.h"
#include "plover/z80/machine.h"

namespace plover {

// ---------------------------------------------------------------------------
// Port latches: 0 at start, changed only by OUT, untouched by a reset.
// Both are active low: a digit or keyboard column is selected when its bit is
// 0, a segment is lit when its bit is 0.
// ---------------------------------------------------------------------------

// port 82h x 65536 + port 81h x 256 + port 80h; bit n selects digit and column n + 1
inline constexpr uint32_t& DigitSelect = Machine.DigitSelect;
// port 91h x 256 + port 90h; bit n drives segment n + 1 (bit 15 unused)
inline constexpr uint16_t& SegmentLatch = Machine.SegmentLatch;

inline constexpr uint8_t PortDigitsLow = 0x80;    // digits/columns 1-8
inline constexpr uint8_t PortDigitsMiddle = 0x81; // digits/columns 9-16
inline constexpr uint8_t PortDigitsHigh = 0x82;   // OUT: digits/columns 17-20; IN: Shift/Control
inline constexpr uint8_t PortSegmentsLow = 0x90;  // segments 1-8
inline constexpr uint8_t PortSegmentsHigh = 0x91; // segments 9-15
inline constexpr uint8_t PortKeyboard = 0x92;     // IN: keys of the selected column

inline constexpr int DigitCount = 20;
inline constexpr int SegmentCount = 15;

// Host keys of the keyboard matrix by column (1-20) and row (1-3), as PC
// set-1 scan codes; 0 where the column has no key in that row.
extern const std::array<std::array<uint8_t, 3>, KeyColumnCount + 1> KeyMatrix;

uint8_t ReadPort(uint8_t port);
void WritePort(uint8_t port, uint8_t value);
// Whether a host key is held now or went down since it was last looked at
// (Escape: a short press still ends the program).
bool HostKeyDown(int scanCode);

// Why the machine stops: the board sees Escape in a keyboard read or an OUT
// to an unassigned port, the host a closed window or Escape while a message
// waits, and each asks for the program's end; the instruction runs to its
// end, and the shell's loop takes the request and ends the program.
enum class StopReason : uint8_t { None, EndProgram };
extern StopReason PendingStop;
inline void RequestProgramEnd() { PendingStop = StopReason::EndProgram; }
inline bool StopRequested() { return PendingStop != StopReason::None; }
// The stop asked for since the last call, which clears it.
inline StopReason TakeStop() {
    const StopReason reason = PendingStop;
    PendingStop = StopReason::None;
    return reason;
}
// The reset by F2, wherever it is seen: the processor as at power-on, and
// the presses typed for the program that was running forgotten.
void ResetByF2();

// The active-low row bits of one keyboard column (1-20) as the program reads
// it now; Escape asks for the program's end, F2 resets the processor (gives 00h). Keys
// held on the host show while held. A press that went down and up before its
// column was read is held down in the matrix until a read finds it, alone,
// and presses reach the program one at a time in the order they were typed:
// see keyboard.cpp.
uint8_t ScanKeyColumn(int column);
// Port 92h: the last selected column, or FFh when none is.
uint8_t ReadKeyboardPort();
// Port 82h: 01h Shift, 02h Control (which wins), FFh neither; held on the host,
// or as they were at the press the program took last, until that key reads up.
uint8_t ReadModifierPort();
void FlushKeyBuffer();
// Forgets the presses the program has not seen yet (at a reset by F2).
void ForgetKeyPresses();
// That, and no key read before: a board starting afresh.
void ResetKeyboard();

// Points the core's port seams at the board and starts the keyboard afresh.
void ConnectBoard();

// ---------------------------------------------------------------------------
// Fourteen-segment display
// ---------------------------------------------------------------------------

inline constexpr int SegmentCellWidth = 40;
inline constexpr int SegmentCellHeight = 50;

// For each segment 1-15 a lit picture (outline index 2, inside index 10) and
// an unlit one (same shape in index 7), 40 x 50, index 0 transparent.
struct SegmentPictureSet {
    std::array<Picture, SegmentCount + 1> Lit;
    std::array<Picture, SegmentCount + 1> Unlit;
};
extern SegmentPictureSet SegmentPictures;
void LoadSegmentPictures();

// Bounding box of a segment's shape within its 40 x 50 cell (inclusive).
struct SegmentBounds {
    int X0, X1, Y0, Y1;
};
extern const std::array<SegmentBounds, SegmentCount + 1> SegmentBox;

// Puts the lit or unlit picture of a segment of digit (1-20) at
// x = 40 x digit + 39, y = 35.
void DrawSegment(int digit, int segment, bool lit);
// Redraws the selected digits from the latches; on every 32nd call also the
// VIO text.
inline constexpr uint32_t VioRefreshInterval = 32;
void RefreshBoard();
// Calls of RefreshBoard so far.
inline constexpr uint32_t& RefreshCount = Machine.RefreshCount;

// ---------------------------------------------------------------------------
// VIO text video
// ---------------------------------------------------------------------------

inline constexpr uint32_t VioTextBase = 0x4000;
inline constexpr int VioColumns = 40;
inline constexpr int VioRows = 20;
inline constexpr int VioLeft = 952;
inline constexpr int VioCellWidth = 8;
inline constexpr int VioCellHeight = 14;
inline constexpr int VioCharsetCapacity = 2048;

// The character generator as read from "video/VIOchar.bin": 16 bytes per code,
// rows 0-13 shown; bytes past the end of the file read as 0.
extern std::array<uint8_t, VioCharsetCapacity> VioCharset;
extern int VioCharsetLength;
// Reads the file byte by byte up to the capacity; a missing file leaves it empty.
void LoadVioCharset(const std::string& path);

// Plots the 8 x 14 cell of one character (codes 128-255 inverted).
void DrawVioChar(int row, int column, uint8_t code);
// Draws all 800 cells from memory, sets the text colours and presents.
void RedrawVio();

}  // namespace plover
