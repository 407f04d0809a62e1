// The host keys that press the keypad's keys while "Keyboard drives keypad"
// is on. kHostKeys is the whole map: the main window looks key presses up in
// it and "Keyboard map" shows it; docs/monitors.md prints it for users.
#pragma once

#include <Qt>

#include "kestrel/pictures/keypad_layout.h"

namespace kestrel {

struct HostKey {
    int Key;             // the Qt::Key code
    const char* Name;    // the host key as the map names it
    KeypadKey Keypad;    // the keypad key it presses
};

// The hex keys are the host's 0-9 and A-F (the number pad's digits give the
// same Qt codes); the commands sit on the F-keys and the editing block; GO is
// Enter, + and - are themselves and the arrows. Escape is not here: it ends
// the program whatever the mode.
inline constexpr HostKey kHostKeys[] = {
    {Qt::Key_0, "0", KeypadKey::Hex0},  {Qt::Key_1, "1", KeypadKey::Hex1},
    {Qt::Key_2, "2", KeypadKey::Hex2},  {Qt::Key_3, "3", KeypadKey::Hex3},
    {Qt::Key_4, "4", KeypadKey::Hex4},  {Qt::Key_5, "5", KeypadKey::Hex5},
    {Qt::Key_6, "6", KeypadKey::Hex6},  {Qt::Key_7, "7", KeypadKey::Hex7},
    {Qt::Key_8, "8", KeypadKey::Hex8},  {Qt::Key_9, "9", KeypadKey::Hex9},
    {Qt::Key_A, "A", KeypadKey::HexA},  {Qt::Key_B, "B", KeypadKey::HexB},
    {Qt::Key_C, "C", KeypadKey::HexC},  {Qt::Key_D, "D", KeypadKey::HexD},
    {Qt::Key_E, "E", KeypadKey::HexE},  {Qt::Key_F, "F", KeypadKey::HexF},
    {Qt::Key_Return, "Enter", KeypadKey::Go},
    {Qt::Key_Enter, "Num Enter", KeypadKey::Go},
    {Qt::Key_Plus, "+", KeypadKey::Plus},
    {Qt::Key_Equal, "=", KeypadKey::Plus},
    {Qt::Key_Down, "Down", KeypadKey::Plus},
    {Qt::Key_Minus, "-", KeypadKey::Minus},
    {Qt::Key_Up, "Up", KeypadKey::Minus},
    {Qt::Key_F1, "F1", KeypadKey::Addr},
    {Qt::Key_F2, "F2", KeypadKey::Data},
    {Qt::Key_F3, "F3", KeypadKey::Pc},
    {Qt::Key_F4, "F4", KeypadKey::Reg},
    {Qt::Key_F5, "F5", KeypadKey::Step},
    {Qt::Key_F6, "F6", KeypadKey::Sbr},
    {Qt::Key_F7, "F7", KeypadKey::Cbr},
    {Qt::Key_F8, "F8", KeypadKey::Move},
    {Qt::Key_F9, "F9", KeypadKey::Rela},
    {Qt::Key_F10, "F10", KeypadKey::TapeWr},
    {Qt::Key_F11, "F11", KeypadKey::TapeRd},
    {Qt::Key_F12, "F12", KeypadKey::UserKey},
    {Qt::Key_Insert, "Insert", KeypadKey::Ins},
    {Qt::Key_Delete, "Delete", KeypadKey::Del},
    {Qt::Key_Home, "Home", KeypadKey::Reset},
    {Qt::Key_End, "End", KeypadKey::Moni},
    {Qt::Key_PageUp, "Page Up", KeypadKey::Intr},
};

// The keypad key that a press of host key `key` (a Qt::Key) clicks, or
// nullptr. Keys held with Ctrl, Alt or Meta click nothing, so shortcuts stay
// the window system's; Shift and the number pad do not matter.
const KeyRect* KeypadKeyForHostKey(int key, Qt::KeyboardModifiers modifiers);

}  // namespace kestrel
