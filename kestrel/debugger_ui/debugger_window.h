// The debugger window: steps the processor one instruction at a time with a
// disassembly of each step, shows registers, flags, interrupt state, stack and
// T-states in decimal or hexadecimal, and offers the breakpoint, trace and
// memory tools in its menus.
//
// It runs modally in its own loop (RunDebuggerWindow), nested inside the run
// loop pass that opened it; the emulated board stands still except for what
// is stepped here. Leaving it (RUN, "Run", "Exit", "Debug to file" or the
// close button) returns to the run loop; nothing of it survives.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "kestrel/debug/debug_session.h"
#include "kestrel/debug/machine_record.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;

namespace kestrel {

class CodeWindow;
class ListingView;
class StackView;

// The register and state fields of the window, in the order RefreshRegisters
// writes them.
enum class DebuggerField {
    Enabled, Mode, TStates,
    ABits, FBits, BBits, CBits, DBits, EBits, HBits, LBits,
    AF, BC, DE, HL, AltAF, AltBC, AltDE, AltHL, IX, IY, PC, SP, MEMPTR, I, R,
};
inline constexpr int kDebuggerFieldCount = 26;

// The text the window shows in a field for the machine as it stands.
QString DebuggerFieldText(const MachineRecord& m, DebuggerField field);

// What the status line says when a breakpoint has stopped the run loop:
// "Breakpoint hit: flag Z at PC 0123h: LD A,05h", the instruction being the
// one at PC, still to run. Disassembling it leaves AddressText, ByteText and
// InstructionText as they were.
QString BreakpointHitText(MachineRecord& m);

// The listing line of the last traced step: AddressText, ByteText padded to
// 14 characters, InstructionText.
QString StepListingLine(const MachineRecord& m);

class DebuggerWindow : public QDialog {
public:
    explicit DebuggerWindow(MachineRecord& m, QWidget* parent = nullptr);

    // The BASE, RUN, STEP and CLEAR buttons and the menu choices.
    void Base();
    void Step();
    void Clear();
    void MenuChoice(int id);
    // Leaves the window: TStates and StepTStateTotal become 0, the loop ends.
    void Leave();

    // "Step over" (F10): a CALL or RST leaves the window with a one-time stop
    // after it; any other instruction steps as STEP does. "Step out"
    // (Shift+F11) and "Run to address" leave with their stop armed.
    void StepOver();
    void StepOut();
    void RunToAddress();  // asks for the address (a number or a symbol)
    void RunTo(uint16_t address);
    // "Breakpoints..." (Ctrl+B): the list's window, modal.
    void OpenBreakpoints();
    // "Show symbols": the listing names addresses by symbol.
    void SetShowSymbols(bool on);
    // Opened by a hit of the breakpoint list or a one-time stop: the reason in
    // the listing and the status line; after a one-time stop the T-state
    // field counts what ran.
    void ShowCheckHit();
    CodeWindow* Code() const { return code_; }

    // Rewrite the stack view, every register field, or the T-state field only.
    void RefreshStack();
    void RefreshRegisters();
    void RefreshTStateField();
    // The check mark of the Breakpoint menu: on the item of BreakKind while
    // the breakpoint is armed, on none otherwise.
    void RefreshBreakpointMarks();
    // The status line below the listing (empty unless something is to be said).
    void ShowStatus(const QString& text);
    QLabel* StatusLine() const { return status_; }

    QWidget* Client() const { return client_; }
    ListingView* Listing() const { return listing_; }
    StackView* Stack() const { return stack_; }
    QLineEdit* Field(DebuggerField field) const { return fields_[static_cast<int>(field)]; }
    QMenuBar* MenuBar() const { return menuBar_; }

    void reject() override;  // the close button: leave

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildClient();
    void BuildMenus();
    void BuildToolsMenu();
    QAction* AddMenuItem(QMenu* menu, const char* text, int id);
    // The items that go beyond the original menus (debugger_window_steps.cpp).
    void AddDebugItems(QMenu* file, QMenu* emulation, QMenu* breakpoint);
    // The "8-Bit Register..." and "16-Bit Register..." submenus, identifiers
    // from firstId on in RegisterCode order.
    void AddRegisterMenus(QMenu* parent, int firstId);
    // The menu items that are one command each (not a range of registers,
    // flags or modes).
    void MenuCommand(int id);
    // The Breakpoint menu: arms (or opens the dialog that arms) and moves the check mark.
    void BreakpointChoice(int id);
    // The stack view and every register field.
    void RefreshAll();

    MachineRecord& m_;
    QWidget* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    ListingView* listing_ = nullptr;
    StackView* stack_ = nullptr;
    QLabel* status_ = nullptr;
    CodeWindow* code_ = nullptr;
    QLineEdit* fields_[kDebuggerFieldCount] = {};
};

// Opens the debugger window and returns when it has been left. Opening sets
// TStates and StepTStateTotal to 0 and disarms the breakpoint. `status`, if
// any, is shown in the status line (why the debugger opened).
void RunDebuggerWindow(MachineRecord& m, QWidget* parent, const QString& status = QString());
// Opens it after a hit of the breakpoint list or a one-time stop (m.Breakpoints.Hit).
void RunDebuggerWindowAtCheck(MachineRecord& m, QWidget* parent);

}  // namespace kestrel
