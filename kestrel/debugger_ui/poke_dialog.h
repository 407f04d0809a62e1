// The poke dialog: writes a byte to an address of MemoryImage. The write goes
// straight into memory without the WriteEnableMap, so it can change the ROM
// while "Write Protect ROM" is not checked; while it is, a poke there is
// refused with a message.
#pragma once

#include <cstdint>

#include "kestrel/gui/ui_support.h"
#include "kestrel/debug/machine_record.h"

class QLineEdit;
class QPushButton;

namespace kestrel {

class PokeDialog : public ToolDialog {
public:
    explicit PokeDialog(MachineRecord& m, QWidget* parent = nullptr);

    QLineEdit* AddressField() const { return address_; }
    QLineEdit* ByteField() const { return byte_; }
    QPushButton* DoneButton() const { return done_; }
    QPushButton* PokeButton() const { return poke_; }
    uint16_t Address() const { return addressValue_; }
    uint8_t Byte() const { return byteValue_; }

private:
    void Poke();

    MachineRecord& m_;
    QLineEdit* address_;
    QLineEdit* byte_;
    QPushButton* done_;
    QPushButton* poke_;
    uint16_t addressValue_ = 0;
    uint8_t byteValue_ = 0;
};

// Opens the poke dialog and returns when "Done" closes it.
void RunPokeDialog(MachineRecord& m, QWidget* parent);

}  // namespace kestrel
