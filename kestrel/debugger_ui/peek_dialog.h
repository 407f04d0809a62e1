// The peek dialog: shows the byte at an address of MemoryImage in decimal and
// hexadecimal. Reads memory directly; changes nothing. "Done" closes it once
// the address field holds an address (number_field.h).
#pragma once

#include <cstdint>

#include "kestrel/gui/ui_support.h"
#include "kestrel/debug/machine_record.h"

class QLineEdit;
class QPushButton;

namespace kestrel {

class PeekDialog : public ToolDialog {
public:
    explicit PeekDialog(const MachineRecord& m, QWidget* parent = nullptr);

    QLineEdit* AddressField() const { return address_; }
    QLineEdit* DecimalField() const { return decimal_; }
    QLineEdit* HexField() const { return hex_; }
    QPushButton* DoneButton() const { return done_; }

private:
    void AddressChanged(const QString& text);
    void ShowByteAt(uint16_t address);

    const MachineRecord& m_;
    QLineEdit* address_;
    QLineEdit* decimal_;
    QLineEdit* hex_;
    QPushButton* done_;
};

// Opens the peek dialog and returns when "Done" closes it.
void RunPeekDialog(const MachineRecord& m, QWidget* parent);

}  // namespace kestrel
