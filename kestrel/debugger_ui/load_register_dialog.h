// The load-register dialog of the debugger: sets one register or register
// pair to a typed decimal value.
#pragma once

#include <cstdint>
#include <functional>

#include "kestrel/debugger_ui/ui_support.h"
#include "kestrel/debug/machine_record.h"

class QLineEdit;
class QPushButton;

namespace kestrel {

// Debugger menu identifiers of the registers: 38-47 the 8-bit registers
// A F B C D E H L I R, 48-54 the 16-bit registers BC DE HL IX IY PC SP.
inline constexpr int kLoadRegisterFirst = 38;
inline constexpr int kLoadRegisterLast8Bit = 47;
inline constexpr int kLoadRegisterFirst16Bit = 48;
inline constexpr int kLoadRegisterLast = 54;

// The register's two-character name for identifier 38-54: "A ", "F ", ...
// (letter and a space) and "BC", "DE", "HL", "IX", "IY", "PC", "SP".
QString LoadRegisterName(int id);

// Stores `value` in the register named by identifier 38-54: a pair takes the
// high byte into its first register; R sets the counting R only (RBit7 is
// kept). An 8-bit register takes the low byte.
void StoreRegister(MachineRecord& m, int id, uint16_t value);

class LoadRegisterDialog : public ToolDialog {
public:
    // `refresh` is called after LOAD has stored the value (the debugger's
    // stack and register refresh).
    LoadRegisterDialog(MachineRecord& m, int id, std::function<void()> refresh,
                       QWidget* parent = nullptr);

    QLineEdit* ValueField() const { return value_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* CancelButton() const { return cancel_; }
    uint16_t Value() const { return remembered_; }

private:
    MachineRecord& m_;
    int id_;
    std::function<void()> refresh_;
    QLineEdit* value_;
    QPushButton* cancel_;
    QPushButton* load_;
    uint16_t remembered_ = 0;
};

}  // namespace kestrel
