#include "kestrel/debugger_ui/address_range_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "kestrel/gui/number_field.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

AddressRangeDialog::AddressRangeDialog(const MachineRecord& m, QWidget* parent)
    : QDialog(parent, platform::kFixedDialogFlags),
      m_(m),
      start_(m.DisassemblyStart) {
    setObjectName(QStringLiteral("addressRangeDialog"));
    setWindowTitle(QStringLiteral("Kestrel v0.01 Start/End Address"));
    setFixedSize(180, 130);
    move(280, 100);

    auto* startLabel = new QLabel(QStringLiteral("Start"), this);
    startLabel->setAlignment(Qt::AlignCenter);
    startLabel->setGeometry(20, 8, 60, 20);
    auto* endLabel = new QLabel(QStringLiteral("End"), this);
    endLabel->setAlignment(Qt::AlignCenter);
    endLabel->setGeometry(100, 8, 60, 20);

    startField_ = MakeNumberEdit(this, QString::number(start_));
    startField_->setObjectName(QStringLiteral("startField"));
    startField_->setGeometry(20, 25, 60, 20);
    endField_ = MakeNumberEdit(this, QStringLiteral("65535"));
    endField_->setObjectName(QStringLiteral("endField"));
    endField_->setGeometry(100, 25, 60, 20);

    auto* usePc = new QPushButton(QStringLiteral("Use PC"), this);
    usePc->setObjectName(QStringLiteral("usePcButton"));
    usePc->setGeometry(100, 60, 60, 25);
    usePc->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(20, 90, 60, 25);
    cancel->setAutoDefault(false);
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("doneButton"));
    done->setGeometry(100, 90, 60, 25);
    done->setDefault(true);

    connect(startField_, &QLineEdit::textChanged, this, &AddressRangeDialog::OnStartChanged);
    connect(endField_, &QLineEdit::textChanged, this, &AddressRangeDialog::OnEndChanged);
    connect(usePc, &QPushButton::clicked, this, &AddressRangeDialog::OnUsePc);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(done, &QPushButton::clicked, this, &AddressRangeDialog::OnDone);
}

void AddressRangeDialog::OnStartChanged(const QString& text) {
    uint32_t value = 0;
    const FieldChange change = ReadFieldChange(text, 65535, value);
    if (change == FieldChange::Value) start_ = static_cast<uint16_t>(value);
    if (change == FieldChange::OutOfRange) startField_->setText(QStringLiteral("0"));
}

void AddressRangeDialog::OnEndChanged(const QString& text) {
    uint32_t value = 0;
    const FieldChange change = ReadFieldChange(text, 65535, value);
    if (change == FieldChange::Value) end_ = static_cast<uint16_t>(value);
    if (change == FieldChange::OutOfRange) endField_->setText(QStringLiteral("65535"));
}

void AddressRangeDialog::OnDone() {
    const std::optional<uint32_t> start = ConfirmNumberField(startField_, 65535, QStringLiteral("Start"), this);
    if (!start) return;
    const std::optional<uint32_t> end = ConfirmNumberField(endField_, 65535, QStringLiteral("End"), this);
    if (!end) return;
    start_ = static_cast<uint16_t>(*start);
    end_ = static_cast<uint16_t>(*end);
    accept();
}

void AddressRangeDialog::OnUsePc() {
    startField_->setText(QString::number(m_.Cpu.PC));
    start_ = m_.Cpu.PC;
}

bool AddressRangeDialog::RunModal() {
    confirmed_ = exec() == QDialog::Accepted;
    if (end_ < start_) end_ = 65535;
    return confirmed_;
}

}  // namespace kestrel
