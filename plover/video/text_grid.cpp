#include "plover/video/text_grid.h"

#include "plover/video/screen.h"

namespace plover {

int TextRow = 1;
int TextColumn = 1;
uint8_t TextForeground = 15;
uint8_t TextBackground = 0;

void LocateText(int row, int column) {
    TextRow = row;
    TextColumn = column;
}

void PrintTextLine(std::string_view text) {
    Screen.DrawText(TextRow, TextColumn, text, TextForeground, TextBackground);
    TextColumn = 1;
    TextRow = TextRow >= TextRows ? 1 : TextRow + 1;
}

}  // namespace plover
