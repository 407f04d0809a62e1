// The board's 36 keys by identity: where each one is wired. 32 keys sit in
// the 6 x 6 matrix that port A reads (a column of KeyColumns and the row
// pattern it puts there); RESET, MONI, INTR and USER KEY are wired past it.
// Mouse clicks and host keys both end in PressKeypadKey with a KeypadKey.
#pragma once

#include <cstdint>

#include "kestrel/board/machine.h"

namespace kestrel {

// Row by row as the keypad shows them, top left first.
enum class KeypadKey : uint8_t {
    Reset, Move, Ins, Sbr, Pc, HexC, HexD, HexE, HexF,
    Moni, Rela, Del, Cbr, Reg, Hex8, Hex9, HexA, HexB,
    Intr, TapeWr, Step, Minus, Data, Hex4, Hex5, Hex6, Hex7,
    UserKey, TapeRd, Go, Plus, Addr, Hex0, Hex1, Hex2, Hex3,
};
inline constexpr int kKeypadKeyCount = 36;

enum class KeyAction : uint8_t {
    Matrix,   // a click into the matrix (ClickKey, ppi.h)
    Reset,    // the board's reset (ResetBoard, soft)
    Moni,     // the non-maskable interrupt (EnterNmi)
    Intr,     // a maskable interrupt request (AcceptInterrupt; refused requests are lost)
    UserKey,  // USER KEY: port A bit 6 low at the next keypad read
};

struct KeyWiring {
    KeyAction Action;
    uint8_t Column;   // Matrix: the KeyColumns byte, 0-5
    uint8_t Pattern;  // Matrix: 0xFF with the key's row bit cleared
};

// Indexed by KeypadKey.
inline constexpr KeyWiring kKeyWiring[kKeypadKeyCount] = {
    {KeyAction::Reset, 0, 0xFF},  {KeyAction::Matrix, 5, 0xDF}, {KeyAction::Matrix, 5, 0xEF},
    {KeyAction::Matrix, 5, 0xFE}, {KeyAction::Matrix, 4, 0xFD}, {KeyAction::Matrix, 3, 0xF7},
    {KeyAction::Matrix, 2, 0xF7}, {KeyAction::Matrix, 1, 0xF7}, {KeyAction::Matrix, 0, 0xF7},
    {KeyAction::Moni, 0, 0xFF},   {KeyAction::Matrix, 4, 0xDF}, {KeyAction::Matrix, 4, 0xEF},
    {KeyAction::Matrix, 4, 0xFE}, {KeyAction::Matrix, 4, 0xFB}, {KeyAction::Matrix, 3, 0xFB},
    {KeyAction::Matrix, 2, 0xFB}, {KeyAction::Matrix, 1, 0xFB}, {KeyAction::Matrix, 0, 0xFB},
    {KeyAction::Intr, 0, 0xFF},   {KeyAction::Matrix, 3, 0xDF}, {KeyAction::Matrix, 2, 0xEF},
    {KeyAction::Matrix, 5, 0xFD}, {KeyAction::Matrix, 5, 0xFB}, {KeyAction::Matrix, 3, 0xFD},
    {KeyAction::Matrix, 2, 0xFD}, {KeyAction::Matrix, 1, 0xFD}, {KeyAction::Matrix, 0, 0xFD},
    {KeyAction::UserKey, 0, 0xFF}, {KeyAction::Matrix, 2, 0xDF}, {KeyAction::Matrix, 3, 0xEF},
    {KeyAction::Matrix, 5, 0xF7}, {KeyAction::Matrix, 4, 0xF7}, {KeyAction::Matrix, 3, 0xFE},
    {KeyAction::Matrix, 2, 0xFE}, {KeyAction::Matrix, 1, 0xFE}, {KeyAction::Matrix, 0, 0xFE},
};

constexpr const KeyWiring& WiringOf(KeypadKey key) { return kKeyWiring[static_cast<int>(key)]; }

// What the key does to the board, by its wiring.
void PressKeypadKey(Machine& m, KeypadKey key);

}  // namespace kestrel
