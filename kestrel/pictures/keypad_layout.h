// The 36 keys of the keypad picture: where each key's face lies and which
// board key it is (its wiring is the board's, kestrel/board/keypad.h). The
// picture generator draws the keys from this table and the main window looks
// clicks up in it, so picture and behaviour agree.
#pragma once

#include <cstdint>

#include "kestrel/board/keypad.h"

namespace kestrel {

inline constexpr int kKeypadWidth = 460;
inline constexpr int kKeypadHeight = 222;

struct KeyRect {
    const char* Label;   // as printed on the key; "\n" splits two lines
    int X0, X1;          // inclusive pixel range in keypad coordinates
    int Y0, Y1;
    KeypadKey Key;       // the board's key
};

inline constexpr KeyRect kKeys[36] = {
    // row 1
    {"RESET", 25, 50, 28, 44, KeypadKey::Reset},
    {"MOVE", 74, 99, 28, 44, KeypadKey::Move},
    {"INS", 123, 147, 28, 44, KeypadKey::Ins},
    {"SBR", 171, 196, 28, 44, KeypadKey::Sbr},
    {"PC", 220, 244, 28, 44, KeypadKey::Pc},
    {"C", 268, 292, 28, 44, KeypadKey::HexC},
    {"D", 316, 340, 28, 44, KeypadKey::HexD},
    {"E", 363, 387, 28, 44, KeypadKey::HexE},
    {"F", 411, 435, 28, 44, KeypadKey::HexF},
    // row 2
    {"MONI", 25, 50, 77, 93, KeypadKey::Moni},
    {"RELA", 74, 99, 77, 93, KeypadKey::Rela},
    {"DEL", 123, 147, 77, 93, KeypadKey::Del},
    {"CBR", 171, 196, 77, 93, KeypadKey::Cbr},
    {"REG", 220, 244, 77, 93, KeypadKey::Reg},
    {"8", 268, 292, 77, 93, KeypadKey::Hex8},
    {"9", 316, 340, 77, 93, KeypadKey::Hex9},
    {"A", 363, 387, 77, 93, KeypadKey::HexA},
    {"B", 411, 435, 77, 93, KeypadKey::HexB},
    // row 3
    {"INTR", 25, 50, 125, 141, KeypadKey::Intr},
    {"TAPE\nWR", 74, 99, 125, 141, KeypadKey::TapeWr},
    {"STEP", 123, 147, 125, 141, KeypadKey::Step},
    {"-", 171, 196, 125, 141, KeypadKey::Minus},
    {"DATA", 220, 244, 125, 141, KeypadKey::Data},
    {"4", 268, 292, 125, 141, KeypadKey::Hex4},
    {"5", 316, 340, 125, 141, KeypadKey::Hex5},
    {"6", 363, 387, 125, 141, KeypadKey::Hex6},
    {"7", 411, 435, 125, 141, KeypadKey::Hex7},
    // row 4
    {"USER\nKEY", 25, 50, 174, 190, KeypadKey::UserKey},
    {"TAPE\nRD", 74, 99, 174, 190, KeypadKey::TapeRd},
    {"GO", 123, 147, 174, 190, KeypadKey::Go},
    {"+", 171, 196, 174, 190, KeypadKey::Plus},
    {"ADDR", 220, 244, 174, 190, KeypadKey::Addr},
    {"0", 268, 292, 174, 190, KeypadKey::Hex0},
    {"1", 316, 340, 174, 190, KeypadKey::Hex1},
    {"2", 363, 387, 174, 190, KeypadKey::Hex2},
    {"3", 411, 435, 174, 190, KeypadKey::Hex3},
};

// The picture's entry of a board key.
constexpr const KeyRect& KeyRectOf(KeypadKey key) {
    for (const KeyRect& rect : kKeys) {
        if (rect.Key == key) return rect;
    }
    return kKeys[0];  // every key has an entry
}

// The key whose face holds keypad pixel (x, y), or nullptr between keys.
constexpr const KeyRect* KeyAt(int x, int y) {
    for (const KeyRect& key : kKeys) {
        if (x >= key.X0 && x <= key.X1 && y >= key.Y0 && y <= key.Y1) return &key;
    }
    return nullptr;
}

}  // namespace kestrel
