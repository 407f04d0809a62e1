// "Kestrel - Break on Opcode": arms the breakpoint on the opcode byte at PC.
#pragma once

#include <QDialog>
#include <cstdint>

#include "kestrel/debug/machine_record.h"

class QLineEdit;

namespace kestrel {

// The dialog shows "Opcode" over a number field holding "0", and the
// buttons "Cancel" and "Set". A digit string is read on every change: 0 to
// 255 is kept, anything larger empties the field (which then reads as 0);
// marked hexadecimal is read by "Set" (number_field.h). "Set" arms
// BreakKind 18 with the last kept opcode, 0 if nothing was typed. "Cancel"
// (or Escape) closes without touching the breakpoint, so one armed earlier
// stays as it was.
class BreakOnOpcodeDialog : public QDialog {
    Q_OBJECT
public:
    BreakOnOpcodeDialog(MachineRecord& m, QWidget* parent = nullptr);

    // Runs the dialog modally; returns whether the breakpoint was armed.
    static bool Run(MachineRecord& m, QWidget* parent);

    uint8_t Opcode() const { return opcode_; }

private:
    void OnTextChanged(const QString& text);
    void OnSet();

    MachineRecord& m_;
    QLineEdit* field_;
    uint8_t opcode_ = 0;
};

}  // namespace kestrel
