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
    const char* Keypad;  // the label of the keypad key it presses, as kKeys prints it
};

// The hex keys are the host's 0-9 and A-F (the number pad's digits give the
// same Qt codes); the commands sit on the F-keys and the editing block; GO is
// Enter, + and - are themselves and the arrows. Escape is not here: it ends
// the program whatever the mode.
inline constexpr HostKey kHostKeys[] = {
    {Qt::Key_0, "0", "0"},  {Qt::Key_1, "1", "1"},  {Qt::Key_2, "2", "2"},  {Qt::Key_3, "3", "3"},
    {Qt::Key_4, "4", "4"},  {Qt::Key_5, "5", "5"},  {Qt::Key_6, "6", "6"},  {Qt::Key_7, "7", "7"},
    {Qt::Key_8, "8", "8"},  {Qt::Key_9, "9", "9"},  {Qt::Key_A, "A", "A"},  {Qt::Key_B, "B", "B"},
    {Qt::Key_C, "C", "C"},  {Qt::Key_D, "D", "D"},  {Qt::Key_E, "E", "E"},  {Qt::Key_F, "F", "F"},
    {Qt::Key_Return, "Enter", "GO"},
    {Qt::Key_Enter, "Num Enter", "GO"},
    {Qt::Key_Plus, "+", "+"},
    {Qt::Key_Equal, "=", "+"},
    {Qt::Key_Down, "Down", "+"},
    {Qt::Key_Minus, "-", "-"},
    {Qt::Key_Up, "Up", "-"},
    {Qt::Key_F1, "F1", "ADDR"},
    {Qt::Key_F2, "F2", "DATA"},
    {Qt::Key_F3, "F3", "PC"},
    {Qt::Key_F4, "F4", "REG"},
    {Qt::Key_F5, "F5", "STEP"},
    {Qt::Key_F6, "F6", "SBR"},
    {Qt::Key_F7, "F7", "CBR"},
    {Qt::Key_F8, "F8", "MOVE"},
    {Qt::Key_F9, "F9", "RELA"},
    {Qt::Key_F10, "F10", "TAPE\nWR"},
    {Qt::Key_F11, "F11", "TAPE\nRD"},
    {Qt::Key_F12, "F12", "USER\nKEY"},
    {Qt::Key_Insert, "Insert", "INS"},
    {Qt::Key_Delete, "Delete", "DEL"},
    {Qt::Key_Home, "Home", "RESET"},
    {Qt::Key_End, "End", "MONI"},
    {Qt::Key_PageUp, "Page Up", "INTR"},
};

// The keypad key with this label (as kKeys prints it), or nullptr.
const KeyRect* KeypadKeyLabelled(const char* label);

// The keypad key that a press of host key `key` (a Qt::Key) clicks, or
// nullptr. Keys held with Ctrl, Alt or Meta click nothing, so shortcuts stay
// the window system's; Shift and the number pad do not matter.
const KeyRect* KeypadKeyForHostKey(int key, Qt::KeyboardModifiers modifiers);

}  // namespace kestrel
