// "Kestrel - Break on value of <register>": arms the breakpoint on an 8-bit
// (codes 19-28) or 16-bit (codes 29-35) register.
#pragma once

#include <QDialog>
#include <cstdint>

#include "kestrel/debug/machine_record.h"

class QLineEdit;

namespace kestrel {

// "Value" over a number field holding "0", and the buttons "CHANGE",
// "CANCEL" and "SET". A digit string is read on every change: 0-255 (8-bit)
// or 0-65535 (16-bit) is kept, anything larger empties the field; marked
// hexadecimal is read by "SET" (number_field.h).
//   "SET"     arms: hit when the register equals the last kept value (0 if none).
//   "CHANGE"  arms: hit when the register differs from its value now; the typed
//             number is not used.
//   "CANCEL"  (or Escape) closes; the breakpoint is not touched, so one armed
//             earlier stays as it was.
// The dialog arms the breakpoint itself; the caller only passes the kind.
class BreakOnValueDialog : public QDialog {
    Q_OBJECT
public:
    BreakOnValueDialog(MachineRecord& m, uint8_t code, QWidget* parent = nullptr);

    // Runs the dialog modally; returns whether the breakpoint was armed.
    static bool Run(MachineRecord& m, uint8_t code, QWidget* parent);

    uint16_t Value() const { return value_; }

private:
    void OnTextChanged(const QString& text);

    MachineRecord& m_;
    uint8_t code_;
    QLineEdit* field_;
    uint16_t value_ = 0;
};

}  // namespace kestrel
