// kestrel's main window: the board view, the keypad and the menu bar.
//
// Every change the window makes to the emulated board goes through a few
// named calls (ClickKeypad, PressKey, HardReset, RequestQuit); a host key
// press, while the keyboard drives the keypad, is a PressKey like a click.
// Each menu item has one method that hands over to the window or dialog
// doing the work.
#pragma once

#include <QMainWindow>

#include "kestrel/pictures/keypad_layout.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/shell/real_time.h"
#include "kestrel/shell/speaker_output.h"

class QAction;

namespace kestrel {

class BoardView;
class KeypadView;
class ProgramSession;

// Identifiers of the menu items, as the "not currently installed" message shows them.
namespace menu_id {
inline constexpr int kLoadBin = 3;
inline constexpr int kSaveBin = 4;
inline constexpr int kExit = 5;
inline constexpr int kHardReset = 6;
inline constexpr int kWriteProtectRom = 18;
inline constexpr int kDisassemble = 25;
inline constexpr int kDebugger = 26;
inline constexpr int kPeek = 28;
inline constexpr int kPoke = 29;
inline constexpr int kHelpTopics = 30;
inline constexpr int kAbout = 31;
inline constexpr int kLoadHex = 40;
inline constexpr int kReload = 41;
inline constexpr int kRealTimeSpeed = 50;
inline constexpr int kKeyboardDrivesKeypad = 44;
inline constexpr int kKeyboardMap = 45;
inline constexpr int kLoadSymbols = 46;
inline constexpr int kDebuggerKeys = 47;
inline constexpr int kSaveState = 60;
inline constexpr int kLoadState = 61;
inline constexpr int kQuickSave = 62;
inline constexpr int kQuickRestore = 63;
inline constexpr int kKeepMachine = 64;
}  // namespace menu_id

// Help > "Debugger keys".
inline constexpr char kDebuggerKeysText[] =
    "In the debugger window:\n"
    "  Enter      STEP: one instruction\n"
    "  F10        Step over: a CALL or RST runs until it returns\n"
    "  Shift+F11  Step out: runs until the routine returns\n"
    "  Ctrl+B     Breakpoints: the list of breakpoints and watchpoints\n"
    "Emulation > \"Run to address...\" runs until PC reaches an address; in the\n"
    "Code window a click in a line's margin sets or clears a breakpoint, and the\n"
    "line's menu offers \"Run to here\". Addresses may be typed as symbol names.";

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Client area: 460 x 680 including the menu bar.
    static constexpr int kClientWidth = 460;
    static constexpr int kClientHeight = 680;
    static constexpr int kKeypadTop = 438;

    explicit MainWindow(MachineRecord& machine);

    MachineRecord& Machine() { return machine_; }
    BoardView* Board() { return board_; }
    KeypadView* Keypad() { return keypad_; }
    // The user program: last load, Reload, --go and --watch.
    ProgramSession& Programs() { return *programs_; }
    // The speaker's sound in real time (speaker_output.h).
    SpeakerOutput& Speaker() { return speaker_; }
    // The menu item with the given identifier (nullptr for none).
    QAction* MenuAction(int id) const;

    // --- what the user's actions do to the board ---
    // A left single click at (x, y) in client coordinates below the menu bar.
    void ClickKeypad(int x, int y);
    // The effect of one key of the keypad.
    void PressKey(KeypadKey key);
    void HardReset();
    // Whether host key presses click keypad keys (Escape ends the program
    // either way). `remember` keeps the choice for the next runs.
    void SetKeyboardDrivesKeypad(bool on, bool remember);
    bool KeyboardDrivesKeypad() const { return keyboardDrivesKeypad_; }
    // Leave the run loop after its current slice (Escape, closing the window, "Exit").
    void RequestQuit() { quitRequested_ = 1; }
    uint8_t QuitRequested() const { return quitRequested_; }
    // Takes the request back, so the run loop can be entered again.
    void CancelQuit() { quitRequested_ = 0; }
    // The last keypad click position, in client coordinates below the menu bar.
    int32_t MouseX() const { return mouseX_; }
    int32_t MouseY() const { return mouseY_; }
    // "Real-time speed" on or off, with its check mark; stores nothing.
    void SetRealTime(bool on);
    // The run loop's pacing; its TStates() is the board's clock after each
    // paced slice.
    RealTimePacing& RealTime() { return realTime_; }

    // --- menu actions ---
    void LoadBin();
    void LoadHex();
    void ReloadProgram();
    void SaveBin();
    void DisassembleToFile();
    void OpenDebugger();
    // The debugger opened by a breakpoint hit: its status line says what was
    // hit, at which PC, and the instruction there.
    void OpenDebuggerAtBreakpoint();
    // The debugger opened by the breakpoint list or a one-time stop: its
    // listing and status line say which and why.
    void OpenDebuggerAtCheck();
    // File > "Load symbols".
    void LoadSymbols();
    // Help > "Debugger keys".
    void ShowDebuggerKeys();
    void PeekMemory();
    void PokeMemory();
    void ToggleWriteProtectRom();
    // "Real-time speed": switches and remembers the choice for the next run.
    void ToggleRealTime();
    // "Keyboard drives keypad": switches and remembers the choice for the next run.
    void ToggleKeyboardDrivesKeypad();
    // Save states (main_window_states.cpp): the file choosers, the quick
    // slot, and "Keep machine between runs" (remembered when switched).
    void SaveState();
    void LoadState();
    void QuickSaveState();
    void QuickRestoreState();
    void ToggleKeepMachine();
    bool KeepMachine() const;
    // Writes or restores a state file; a failure is told in a message box.
    bool WriteState(const QString& path);
    bool RestoreState(const QString& path);
    void ShowHelpTopics();
    void ShowKeyboardMap();
    void ShowAbout();

    // The message of a menu item without an action of its own.
    void ShowNotInstalled(int id);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    // "Load HEX file" and "Reload" (main_window_programs.cpp).
    void AddProgramItems(class QMenu* file);
    // The state items (main_window_states.cpp).
    void AddStateItems(class QMenu* file);
    void AddKeepItem(class QMenu* emulation);
    QAction* AddItem(class QMenu* menu, const QString& text, int id, const char* objectName,
                     void (MainWindow::*slot)());

    MachineRecord& machine_;
    BoardView* board_ = nullptr;
    KeypadView* keypad_ = nullptr;
    QAction* writeProtect_ = nullptr;
    QAction* realTimeItem_ = nullptr;
    RealTimePacing realTime_;
    QAction* keyboard_ = nullptr;
    bool keyboardDrivesKeypad_ = false;
    QAction* reload_ = nullptr;
    QAction* keep_ = nullptr;
    ProgramSession* programs_ = nullptr;
    SpeakerOutput speaker_{machine_};
    uint8_t quitRequested_ = 0;
    int32_t mouseX_ = 0, mouseY_ = 0;
};

}  // namespace kestrel
