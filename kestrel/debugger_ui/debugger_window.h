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

class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;

namespace kestrel {

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

    // Rewrite the stack view, every register field, or the T-state field only.
    void RefreshStack();
    void RefreshRegisters();
    void RefreshTStateField();

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
    void AddMenuItem(QMenu* menu, const char* text, int id);
    // The "8-Bit Register..." and "16-Bit Register..." submenus, identifiers
    // from firstId on in RegisterCode order.
    void AddRegisterMenus(QMenu* parent, int firstId);
    // The menu items that are one command each (not a range of registers,
    // flags or modes).
    void MenuCommand(int id);
    // The stack view and every register field.
    void RefreshAll();

    MachineRecord& m_;
    QWidget* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    ListingView* listing_ = nullptr;
    StackView* stack_ = nullptr;
    QLineEdit* fields_[kDebuggerFieldCount] = {};
};

// Opens the debugger window and returns when it has been left. Opening sets
// TStates and StepTStateTotal to 0 and disarms the breakpoint.
void RunDebuggerWindow(MachineRecord& m, QWidget* parent);

}  // namespace kestrel
