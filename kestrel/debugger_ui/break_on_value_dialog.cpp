#include "kestrel/debugger_ui/break_on_value_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "kestrel/debug/breakpoint.h"
#include "kestrel/gui/number_field.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

BreakOnValueDialog::BreakOnValueDialog(MachineRecord& m, uint8_t code, QWidget* parent)
    : QDialog(parent, platform::kFixedDialogFlags),
      m_(m),
      code_(code) {
    const bool wide = Is16BitBreakKind(code);
    setObjectName(QStringLiteral("breakOnValueDialog"));
    setWindowTitle(QStringLiteral("Kestrel - Break on value of ") +
                   QString::fromStdString(BreakRegisterName(code)));
    setFixedSize(190, 95);
    move(680, 110);

    const int fieldX = wide ? 110 : 130;
    const int fieldWidth = wide ? 60 : 40;
    auto* label = new QLabel(QStringLiteral("Value"), this);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(fieldX, 8, fieldWidth, 20);
    label->setFont(platform::FitFont(label->font(), label->text(), label->width() - 2));

    field_ = MakeNumberEdit(this, QStringLiteral("0"));
    field_->setObjectName(QStringLiteral("valueField"));
    field_->setGeometry(fieldX, 25, fieldWidth, 20);

    auto* change = new QPushButton(QStringLiteral("CHANGE"), this);
    change->setObjectName(QStringLiteral("changeButton"));
    change->setGeometry(20, 22, 70, 25);
    change->setAutoDefault(false);

    auto* cancel = new QPushButton(QStringLiteral("CANCEL"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(20, 55, 70, 25);
    cancel->setAutoDefault(false);

    auto* set = new QPushButton(QStringLiteral("SET"), this);
    set->setObjectName(QStringLiteral("setButton"));
    set->setGeometry(110, 55, 60, 25);
    set->setDefault(true);

    connect(field_, &QLineEdit::textChanged, this, &BreakOnValueDialog::OnTextChanged);
    connect(change, &QPushButton::clicked, this, [this] {
        ArmRegisterChangeBreak(m_, BreakRegister(code_));
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(set, &QPushButton::clicked, this, [this] {
        const uint32_t limit = Is16BitBreakKind(code_) ? 65535 : 255;
        const std::optional<uint32_t> value = ConfirmNumberField(field_, limit, QStringLiteral("Value"), this);
        if (!value) return;
        value_ = static_cast<uint16_t>(*value);
        ArmRegisterBreak(m_, BreakRegister(code_), value_);
        accept();
    });
}

void BreakOnValueDialog::OnTextChanged(const QString& text) {
    const uint32_t limit = Is16BitBreakKind(code_) ? 65535 : 255;
    uint32_t value = 0;
    const FieldChange change = ReadFieldChange(text, limit, value);
    if (change == FieldChange::Value) value_ = static_cast<uint16_t>(value);
    if (change == FieldChange::OutOfRange) field_->clear();  // reads as 0 through the change it causes
}

bool BreakOnValueDialog::Run(MachineRecord& m, uint8_t code, QWidget* parent) {
    if (!IsRegisterBreakKind(code)) return false;
    BreakOnValueDialog dialog(m, code, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kestrel
