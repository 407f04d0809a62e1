#include "kestrel/debugger_ui/break_on_opcode_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "kestrel/debug/breakpoint.h"
#include "kestrel/gui/digit_field.h"

namespace kestrel {

BreakOnOpcodeDialog::BreakOnOpcodeDialog(MachineRecord& m, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_(m) {
    setObjectName(QStringLiteral("breakOnOpcodeDialog"));
    setWindowTitle(QStringLiteral("Kestrel - Break on Opcode"));
    setFixedSize(180, 95);
    move(680, 110);

    auto* label = new QLabel(QStringLiteral("Opcode"), this);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(120, 8, 40, 20);

    field_ = MakeDigitField(this, QStringLiteral("0"));
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
    long value = ReadDigitField(text);
    if (value <= 255) {
        opcode_ = static_cast<uint8_t>(value);
    } else {
        field_->clear();  // reads as 0 through the change it causes
    }
}

void BreakOnOpcodeDialog::OnSet() {
    ArmOpcodeBreak(m_, opcode_);
    accept();
}

bool BreakOnOpcodeDialog::Run(MachineRecord& m, QWidget* parent) {
    BreakOnOpcodeDialog dialog(m, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kestrel
