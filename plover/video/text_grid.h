// The window's 8 x 8 text grid (159 columns x 71 rows, counted from 1) with
// its cursor and colours: where the debug lines, the register dump and the
// VIO's text colours meet. The core hands its lines over through its output
// seam; what prints them here is the shell's.
#pragma once

#include <cstdint>
#include <string_view>

namespace plover {

inline constexpr int TextColumns = 159;
inline constexpr int TextRows = 71;
extern int TextRow;
extern int TextColumn;
extern uint8_t TextForeground;
extern uint8_t TextBackground;
void LocateText(int row, int column);

// Draws text at the cursor in the current colours (past column 159 clipped)
// and moves the cursor to column 1 of the next row, back to row 1 after the
// last row.
void PrintTextLine(std::string_view text);

}  // namespace plover
