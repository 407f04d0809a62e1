// The load-register dialog of the debugger: sets one register or register
// pair to a typed decimal value.
#pragma once

#include <cstdint>
#include <functional>

#include "kestrel/debug/registers.h"
#include "kestrel/debugger_ui/debugger_menu_ids.h"
#include "kestrel/gui/ui_support.h"
#include "kestrel/debug/machine_record.h"

class QLineEdit;
class QPushButton;

namespace kestrel {

// The register of "Load Register..." menu identifier 38-54 (A F B C D E H L
// I R, then BC DE HL IX IY PC SP).
inline RegisterCode LoadRegisterCode(int id) {
    return static_cast<RegisterCode>(id - debugger_menu::kLoadRegisterFirst);
}

// The register's two-character name for identifier 38-54 (RegisterName);
// empty for other identifiers.
QString LoadRegisterName(int id);

// SetRegister for the register of identifier 38-54; other identifiers do
// nothing.
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
