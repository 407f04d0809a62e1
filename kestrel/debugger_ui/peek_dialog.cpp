#include "kestrel/debugger_ui/peek_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "kestrel/debug/number_format.h"
#include "kestrel/debug/number_input.h"
#include "kestrel/gui/number_field.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

PeekDialog::PeekDialog(const MachineRecord& m, QWidget* parent) : ToolDialog(parent), m_(m) {
    SetUpToolDialog(this, platform::WindowTitle(QStringLiteral("Peek")), 680, 110, 180, 95);
    setObjectName(QStringLiteral("peekDialog"));
    MakeCentredLabel(this, QStringLiteral("Address"), 20, 8, 60, 20);
    MakeCentredLabel(this, QStringLiteral("Contents"), 95, 8, 65, 20);
    address_ = MakeNumberField(this, 20, 25, 60, 20, QStringLiteral("peekAddress"));
    decimal_ = new QLineEdit(this);
    decimal_->setObjectName(QStringLiteral("peekDecimal"));
    decimal_->setAccessibleName(decimal_->objectName());
    decimal_->setGeometry(95, 25, 30, 20);
    decimal_->setReadOnly(true);
    hex_ = new QLineEdit(this);
    hex_->setObjectName(QStringLiteral("peekHex"));
    hex_->setAccessibleName(hex_->objectName());
    hex_->setGeometry(130, 25, 30, 20);
    hex_->setReadOnly(true);
    done_ = new QPushButton(QStringLiteral("Done"), this);
    done_->setObjectName(QStringLiteral("peekDone"));
    done_->setGeometry(95, 55, 65, 25);
    done_->setAutoDefault(false);

    connect(address_, &QLineEdit::textChanged, this, [this](const QString& t) { AddressChanged(t); });
    connect(done_, &QPushButton::clicked, this, [this] {
        if (ConfirmNumberField(address_, 0xFFFF, QStringLiteral("Address"), this)) done(Accepted);
    });
    ShowByteAt(0);
}

void PeekDialog::AddressChanged(const QString& text) {
    uint32_t value = 0;
    switch (ReadFieldChange(text, 0xFFFF, value)) {
        case FieldChange::Value: ShowByteAt(static_cast<uint16_t>(value)); return;
        case FieldChange::OutOfRange:
            // Back to address 0 (this change shows its byte).
            address_->setText(QStringLiteral("0"));
            ShowByteAt(0);
            return;
        case FieldChange::Pending: break;
    }
    // Hexadecimal: its byte as soon as it reads as an address, nothing meanwhile.
    const NumberInput address = ParseNumberInput(text.toStdString(), 0xFFFF);
    if (address.Ok) {
        ShowByteAt(static_cast<uint16_t>(address.Value));
    } else {
        decimal_->clear();
        hex_->clear();
    }
}

void PeekDialog::ShowByteAt(uint16_t address) {
    const uint8_t byte = m_.MemoryImage[address];
    decimal_->setText(QString::fromStdString(NumberText(byte, NumberWidth::Byte, kBaseDecimal)));
    hex_->setText(QString::fromStdString(NumberText(byte, NumberWidth::Byte, kBaseHex)));
}

void RunPeekDialog(const MachineRecord& m, QWidget* parent) {
    PeekDialog dialog(m, parent);
    dialog.exec();
}

}  // namespace kestrel
