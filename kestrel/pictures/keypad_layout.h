// The 36 keys of the keypad picture: where each key's face lies and what a
// click on it means. The picture generator draws the keys from this table and
// the main window looks clicks up in it, so picture and behaviour agree.
//
// Code 0-5: the KeyColumns byte the key belongs to, Pattern the byte it puts
// there (0xFF with the key's row bit cleared). Codes 10, 20, 30 and 40 are the
// keys wired past the matrix: RESET, MONI, INTR and USER KEY.
#pragma once

#include <cstdint>

namespace kestrel {

inline constexpr int kKeypadWidth = 460;
inline constexpr int kKeypadHeight = 222;

inline constexpr uint8_t kKeyCodeReset = 10;
inline constexpr uint8_t kKeyCodeMoni = 20;
inline constexpr uint8_t kKeyCodeIntr = 30;
inline constexpr uint8_t kKeyCodeUserKey = 40;

struct KeyRect {
    const char* Label;   // as printed on the key; "\n" splits two lines
    int X0, X1;          // inclusive pixel range in keypad coordinates
    int Y0, Y1;
    uint8_t Code;        // red component of the key colour map
    uint8_t Pattern;     // green component
};

inline constexpr KeyRect kKeys[36] = {
    // row 1
    {"RESET", 25, 50, 28, 44, kKeyCodeReset, 0x00},
    {"MOVE", 74, 99, 28, 44, 5, 0xDF},
    {"INS", 123, 147, 28, 44, 5, 0xEF},
    {"SBR", 171, 196, 28, 44, 5, 0xFE},
    {"PC", 220, 244, 28, 44, 4, 0xFD},
    {"C", 268, 292, 28, 44, 3, 0xF7},
    {"D", 316, 340, 28, 44, 2, 0xF7},
    {"E", 363, 387, 28, 44, 1, 0xF7},
    {"F", 411, 435, 28, 44, 0, 0xF7},
    // row 2
    {"MONI", 25, 50, 77, 93, kKeyCodeMoni, 0x00},
    {"RELA", 74, 99, 77, 93, 4, 0xDF},
    {"DEL", 123, 147, 77, 93, 4, 0xEF},
    {"CBR", 171, 196, 77, 93, 4, 0xFE},
    {"REG", 220, 244, 77, 93, 4, 0xFB},
    {"8", 268, 292, 77, 93, 3, 0xFB},
    {"9", 316, 340, 77, 93, 2, 0xFB},
    {"A", 363, 387, 77, 93, 1, 0xFB},
    {"B", 411, 435, 77, 93, 0, 0xFB},
    // row 3
    {"INTR", 25, 50, 125, 141, kKeyCodeIntr, 0x00},
    {"TAPE\nWR", 74, 99, 125, 141, 3, 0xDF},
    {"STEP", 123, 147, 125, 141, 2, 0xEF},
    {"-", 171, 196, 125, 141, 5, 0xFD},
    {"DATA", 220, 244, 125, 141, 5, 0xFB},
    {"4", 268, 292, 125, 141, 3, 0xFD},
    {"5", 316, 340, 125, 141, 2, 0xFD},
    {"6", 363, 387, 125, 141, 1, 0xFD},
    {"7", 411, 435, 125, 141, 0, 0xFD},
    // row 4
    {"USER\nKEY", 25, 50, 174, 190, kKeyCodeUserKey, 0x00},
    {"TAPE\nRD", 74, 99, 174, 190, 2, 0xDF},
    {"GO", 123, 147, 174, 190, 3, 0xEF},
    {"+", 171, 196, 174, 190, 5, 0xF7},
    {"ADDR", 220, 244, 174, 190, 4, 0xF7},
    {"0", 268, 292, 174, 190, 3, 0xFE},
    {"1", 316, 340, 174, 190, 2, 0xFE},
    {"2", 363, 387, 174, 190, 1, 0xFE},
    {"3", 411, 435, 174, 190, 0, 0xFE},
};

// The key whose face holds keypad pixel (x, y), or nullptr between keys.
constexpr const KeyRect* KeyAt(int x, int y) {
    for (const KeyRect& key : kKeys) {
        if (x >= key.X0 && x <= key.X1 && y >= key.Y0 && y <= key.Y1) return &key;
    }
    return nullptr;
}

}  // namespace kestrel
