#include "kestrel/debugger_ui/break_on_opcode_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "kestrel/debug/breakpoint.h"
#include "kestrel/gui/number_field.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

BreakOnOpcodeDialog::BreakOnOpcodeDialog(MachineRecord& m, QWidget* parent)
    : QDialog(parent, platform::kFixedDialogFlags), m_(m) {
    setObjectName(QStringLiteral("breakOnOpcodeDialog"));
    setWindowTitle(QStringLiteral("Kestrel - Break on Opcode"));
    setFixedSize(180, 95);
    move(680, 110);

    auto* label = new QLabel(QStringLiteral("Opcode"), this);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(120, 8, 40, 20);
    label->setFont(platform::FitFont(label->font(), label->text(), label->width() - 2));

    field_ = MakeNumberEdit(this, QStringLiteral("0"));
    field_->setObjectName(QStringLiteral("opcodeField"));
    field_->setGeometry(120, 25, 40, 20);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(20, 55, 60, 25);
    cancel->setAutoDefault(false);

    auto* set = new QPushButton(QStringLiteral("Set"), this);
    set->setObjectName(QStringLiteral("setButton"));
    set->setGeometry(100, 55, 60, 25);
    set->setDefault(true);

    connect(field_, &QLineEdit::textChanged, this, &BreakOnOpcodeDialog::OnTextChanged);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(set, &QPushButton::clicked, this, &BreakOnOpcodeDialog::OnSet);
}

void BreakOnOpcodeDialog::OnTextChanged(const QString& text) {
    uint32_t value = 0;
    const FieldChange change = ReadFieldChange(text, 255, value);
    if (change == FieldChange::Value) opcode_ = static_cast<uint8_t>(value);
    if (change == FieldChange::OutOfRange) field_->clear();  // reads as 0 through the change it causes
}

void BreakOnOpcodeDialog::OnSet() {
    const std::optional<uint32_t> opcode = ConfirmNumberField(field_, 255, QStringLiteral("Opcode"), this);
    if (!opcode) return;
    opcode_ = static_cast<uint8_t>(*opcode);
    ArmOpcodeBreak(m_, opcode_);
    accept();
}

bool BreakOnOpcodeDialog::Run(MachineRecord& m, QWidget* parent) {
    BreakOnOpcodeDialog dialog(m, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kestrel
