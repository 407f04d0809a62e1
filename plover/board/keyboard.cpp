// The keyboard matrix as the emulated program reads it: host keys polled by
// scan code, and every key press the host saw, shown to the program one at a
// time in the order they were typed, however short they were.
//
// The monitor's scan takes only the first key it finds in a pass over the 20
// columns, and accepts a key when a pass's answer differs from the previous
// one. So two presses shown in one pass lose the later one, and the same key
// pressed twice needs a pass without it between the two. Hence:
// - The oldest waiting press is shown before anything else in a scan from
//   column 1: nothing shows in the columns below its own nor in its column's
//   other rows. A press already released (artificial) is held down by the
//   board, and until it has been read once it hides every other key.
// - A press is taken when a read finds its key down with no key found in a
//   lower column since this column's last read: the first key of the pass.
// - The key taken last must read up in its column before a new press of it
//   shows.
// - A held key that the program saw go up for a newer press stays up until it
//   is released: the last key pressed wins, as typing wants.
// Only presses two keys made within one pass of each other, while both were
// held, can reach the program in the other order, as on the board itself.
#include <algorithm>

#include "plover/board/board.h"
#include "plover/board/host.h"
#include "plover/z80/cpu.h"

namespace plover {

// Row 1, row 2, row 3 of each column; column 0 is unused.
const std::array<std::array<uint8_t, 3>, KeyColumnCount + 1> KeyMatrix = {{
    {0, 0, 0},
    {ScanCode::Digit1, ScanCode::A, ScanCode::Space},
    {ScanCode::Digit2, ScanCode::S, ScanCode::CursorLeft},
    {ScanCode::Digit3, ScanCode::D, ScanCode::CursorRight},
    {ScanCode::Digit4, ScanCode::F, ScanCode::CursorDown},
    {ScanCode::Digit5, ScanCode::G, ScanCode::CursorUp},
    {ScanCode::Digit6, ScanCode::H, ScanCode::Enter},
    {ScanCode::Digit7, ScanCode::J, ScanCode::F4},
    {ScanCode::Digit8, ScanCode::K, 0},
    {ScanCode::Digit9, ScanCode::L, 0},
    {ScanCode::Digit0, ScanCode::Slash, 0},
    {ScanCode::Q, ScanCode::Z, 0},
    {ScanCode::W, ScanCode::X, 0},
    {ScanCode::E, ScanCode::C, 0},
    {ScanCode::R, ScanCode::V, 0},
    {ScanCode::T, ScanCode::B, 0},
    {ScanCode::Y, ScanCode::N, 0},
    {ScanCode::U, ScanCode::M, 0},
    {ScanCode::I, ScanCode::Comma, 0},
    {ScanCode::O, ScanCode::FullStop, 0},
    {ScanCode::P, ScanCode::Semicolon, 0},
}};

namespace {

struct MatrixPlace {
    uint8_t Column = 0;  // 0: not a key of the matrix
    uint8_t Row = 0;
};

std::array<MatrixPlace, 128> BuildPlaces() {
    std::array<MatrixPlace, 128> places{};
    for (int column = 1; column <= KeyColumnCount; ++column)
        for (int row = 1; row <= 3; ++row)
            if (const uint8_t code = KeyMatrix[column][row - 1]; code != 0)
                places[code] = {static_cast<uint8_t>(column), static_cast<uint8_t>(row)};
    return places;
}

const std::array<MatrixPlace, 128> PlaceOf = BuildPlaces();

MatrixPlace Place(int scanCode) { return scanCode > 0 && scanCode < 128 ? PlaceOf[scanCode] : MatrixPlace{}; }

// A waiting press hides other keys only while its column is read now and
// then: after this many reads of other columns (two passes of the monitor's
// scan) held keys show again beside it, so that a program that looks at a few
// columns only is not cut off from the keyboard.
constexpr int HidingReads = 2 * KeyColumnCount;

// The matrix's memory between reads, in the machine record:
// - Suppressed: held keys that the program saw go up (hidden for a waiting
//   press) or saw overtaken by a newer press stay up until released: a key
//   coming back would be a press nobody made. The last key pressed wins.
// - UpOwed: the key taken last, until its column reads without it: a new
//   press of it does not show before that.
// - ModifiersFromPress: port 82h answers with the modifiers of the press last
//   taken until that key has read up with no press waiting; then with the
//   host's own.
constexpr KeyMatrixState& matrix = Machine.Matrix;

// The highest row of the column with a key held, leaving out a hidden one
// and those suppressed.
int HeldRow(int column, int hidden) {
    int row = 0;
    for (int r = 1; r <= 3; ++r) {
        const uint8_t code = KeyMatrix[column][r - 1];
        if (code == 0 || code == hidden) continue;
        if (!ActiveHost->KeyHeld(code))
            matrix.Suppressed[code] = false;
        else if (!matrix.Suppressed[code])
            row = r;
    }
    return row;
}

bool Waiting(const KeyPressQueue& presses, int scanCode) {
    for (int i = 0; i < presses.Size(); ++i)
        if (presses[i].ScanCode == scanCode) return true;
    return false;
}

// Held keys of the column whose presses were taken are hidden now.
void SuppressHeld(int column, const KeyPressQueue& presses) {
    for (const uint8_t code : KeyMatrix[column])
        if (code != 0 && !Waiting(presses, code) && ActiveHost->KeyHeld(code)) matrix.Suppressed[code] = true;
}

// Whether the program can tell this read's key from any other: no column
// before it found a key since this column's last read, which for a scan from
// column 1 upwards means no key came first in this pass. (A key found there
// and released since still came first.)
bool ReadIsClean(int column) {
    for (int c = 1; c < column; ++c)
        if (matrix.ReadDown[c] && matrix.LastRead[c] > matrix.LastRead[column]) return false;
    return true;
}

void DropPressesOutsideTheMatrix(KeyPressQueue& presses) {
    while (!presses.Empty() && Place(presses[0].ScanCode).Column == 0) presses.Remove(0);
}

// The row the program reads in this column. While a press waits, nothing
// shows before it in a scan from column 1: not the columns below its own, nor
// the other keys of its column. A waiting artificial press also hides every
// other key until it has been read down once, and while it owes an up read.
// A program that has not read its column for a while sees the held keys all
// the same.
int ShownRow(int column, const KeyPressQueue& presses, bool artificial) {
    // a new press of the key taken last waits for its column to read up
    const int hidden = matrix.UpOwed != 0 && Waiting(presses, matrix.UpOwed) ? matrix.UpOwed : 0;
    if (presses.Empty()) return HeldRow(column, hidden);
    const uint8_t frontCode = presses[0].ScanCode;
    const MatrixPlace front = Place(frontCode);
    const int frontRow = column == front.Column && frontCode != hidden ? front.Row : 0;
    if (matrix.FrontReadsElsewhere > HidingReads) return std::max(HeldRow(column, hidden), frontRow);
    if (column <= front.Column || (artificial && (!matrix.FrontShown || frontCode == hidden))) {
        SuppressHeld(column, presses);
        return frontRow;
    }
    return HeldRow(column, hidden);
}

// Held keys whose presses the program has taken give way to a newer press.
void SuppressOlderKeys(int scanCode, const KeyPressQueue& presses) {
    for (int column = 1; column <= KeyColumnCount; ++column)
        for (const uint8_t code : KeyMatrix[column])
            if (code != 0 && code != scanCode && !Waiting(presses, code) && ActiveHost->KeyHeld(code))
                matrix.Suppressed[code] = true;
}

// The key read down: its oldest waiting press is taken.
void TakePressOf(int scanCode, KeyPressQueue& presses) {
    for (int i = 0; i < presses.Size(); ++i) {
        if (presses[i].ScanCode != scanCode) continue;
        matrix.ModifierPress = presses[i];
        matrix.ModifiersFromPress = true;
        presses.Remove(i);
        matrix.Suppressed[scanCode] = false;
        SuppressOlderKeys(scanCode, presses);
        if (i == 0) {
            matrix.FrontReadsElsewhere = 0;
            matrix.FrontShown = false;
        }
        matrix.UpOwed = scanCode;
        return;
    }
}

// Rows of one keyboard column (1-20) as the program reads them now.
int MatrixRow(int column) {
    KeyPressQueue& presses = Machine.Presses;
    DropPressesOutsideTheMatrix(presses);
    const bool artificial = !presses.Empty() && !ActiveHost->KeyHeld(presses[0].ScanCode);
    if (presses.Empty()) matrix.FrontShown = false;
    if (presses.Empty() || Place(presses[0].ScanCode).Column == column)
        matrix.FrontReadsElsewhere = 0;
    else
        ++matrix.FrontReadsElsewhere;
    const int row = ShownRow(column, presses, artificial);
    const uint8_t shown = row == 0 ? 0 : KeyMatrix[column][row - 1];
    if (shown != 0 && !presses.Empty() && shown == presses[0].ScanCode) matrix.FrontShown = true;
    if (matrix.UpOwed != 0 && Place(matrix.UpOwed).Column == column && shown != matrix.UpOwed) matrix.UpOwed = 0;
    if (shown != 0 && ReadIsClean(column)) TakePressOf(shown, presses);
    if (matrix.ModifiersFromPress && presses.Empty() && Place(matrix.ModifierPress.ScanCode).Column == column &&
        shown != matrix.ModifierPress.ScanCode)
        matrix.ModifiersFromPress = false;
    matrix.LastRead[column] = ++matrix.Reads;
    matrix.ReadDown[column] = row != 0;
    return row;
}

// Flushes the host's key events, asks for the program's end on Escape and
// resets the processor on a held F2: true when it did.
bool WatchControlKeys() {
    FlushKeyBuffer();
    if (HostKeyDown(ScanCode::Escape)) RequestProgramEnd();
    // held only: a press of F2 is left to the main loop, which also redraws
    if (!ActiveHost->KeyHeld(ScanCode::F2)) return false;
    ResetByF2();
    return true;
}

}  // namespace

void FlushKeyBuffer() { ActiveHost->FlushKeyBuffer(); }

bool HostKeyDown(int scanCode) {
    const bool pressed = ActiveHost->TakePress(scanCode);  // forgotten even when the key is still held
    return ActiveHost->KeyHeld(scanCode) || pressed;
}

uint8_t ScanKeyColumn(int column) {
    if (WatchControlKeys()) return 0x00;
    const int row = MatrixRow(column);
    return row == 0 ? 0xFF : static_cast<uint8_t>(0xFF & ~(1u << (row - 1)));
}

uint8_t ReadKeyboardPort() {
    // columns are not combined: the last selected one gives the answer, and
    // only that one is read as far as the key presses are concerned
    int last = 0;
    for (int column = 1; column <= KeyColumnCount; ++column)
        if ((DigitSelect & (1u << (column - 1))) == 0) last = column;
    for (int column = 1; column < last; ++column)
        if ((DigitSelect & (1u << (column - 1))) == 0) WatchControlKeys();
    return last == 0 ? 0xFF : ScanKeyColumn(last);
}

uint8_t ReadModifierPort() {
    if (matrix.ModifiersFromPress) {
        if (matrix.ModifierPress.Control) return 0x02;
        return matrix.ModifierPress.Shift ? 0x01 : 0xFF;
    }
    if (ActiveHost->KeyHeld(ScanCode::Control)) return 0x02;
    if (ActiveHost->KeyHeld(ScanCode::LeftShift) || ActiveHost->KeyHeld(ScanCode::RightShift)) return 0x01;
    return 0xFF;
}

void ResetByF2() {
    ResetProcessor();
    ForgetKeyPresses();
}

void ForgetKeyPresses() {
    Machine.Presses.Clear();
    matrix.UpOwed = 0;
    matrix.FrontReadsElsewhere = 0;
    matrix.FrontShown = false;
    matrix.ModifiersFromPress = false;
    matrix.Suppressed.fill(false);
}

void ResetKeyboard() {
    ForgetKeyPresses();
    matrix = KeyMatrixState{};
}

}  // namespace plover
