// The "Breakpoints" window of the debugger: lists the breakpoint list's
// entries (kestrel/debug/breakpoint_list.h) and adds, changes, enables, disables
// and deletes them. Addresses are typed as numbers (6144, 1800h, 0x1800,
// $1800) or symbol names; a bad entry is refused with the reason.
#pragma once

#include <QDialog>
#include <QString>

#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/machine_record.h"

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace kestrel {

class BreakpointsWindow : public QDialog {
public:
    BreakpointsWindow(MachineRecord& m, QWidget* parent);

    // The buttons: each reads the fields; a refusal shows its reason and
    // changes nothing. Return whether the list changed.
    bool AddEntry();
    bool ChangeEntry();
    bool DeleteEntry();
    void SetEnabled(int index, bool enabled);
    void Refresh();

    QTableWidget* Table() const { return table_; }

private:
    // The entry the fields describe, or false with the message shown.
    bool ReadFields(BreakEntry& entry);
    void FillFields(int index);
    QString AddressText(uint16_t address) const;

    MachineRecord& m_;
    QTableWidget* table_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLineEdit* start_ = nullptr;
    QLineEdit* end_ = nullptr;
    bool refreshing_ = false;
};

// The message box title of the window's refusals.
inline constexpr char kBreakpointsTitle[] = "Breakpoints";

}  // namespace kestrel
