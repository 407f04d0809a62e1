// "Kestrel v0.01 Start/End Address": asks for the range of a disassembly
// listing.
#pragma once

#include <QDialog>
#include <cstdint>

#include "kestrel/debug/machine_record.h"

class QLineEdit;

namespace kestrel {

// "Start" and "End" over two number fields (DisassemblyStart in decimal and
// "65535"), and the buttons "Use PC", "Cancel" and "Done". A digit string is
// read on every change: 0-65535 is kept; anything larger resets the Start
// field to "0" and the End field to "65535". Marked hexadecimal is read by
// "Done" (number_field.h). "Use PC" puts PC into Start. After "Done"
// an end below the start becomes 65535.
class AddressRangeDialog : public QDialog {
    Q_OBJECT
public:
    AddressRangeDialog(const MachineRecord& m, QWidget* parent = nullptr);

    // Runs the dialog modally and returns whether it was left with "Done".
    bool RunModal();

    uint16_t RangeStart() const { return start_; }
    uint16_t RangeEnd() const { return end_; }
    bool Confirmed() const { return confirmed_; }

private:
    void OnStartChanged(const QString& text);
    void OnEndChanged(const QString& text);
    void OnUsePc();
    void OnDone();

    const MachineRecord& m_;
    QLineEdit* startField_;
    QLineEdit* endField_;
    uint16_t start_;
    uint16_t end_ = 65535;
    bool confirmed_ = true;
};

}  // namespace kestrel
