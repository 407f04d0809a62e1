#include "kestrel/debugger_ui/poke_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "kestrel/debug/debug_session.h"
#include "kestrel/gui/number_field.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

PokeDialog::PokeDialog(MachineRecord& m, QWidget* parent) : ToolDialog(parent), m_(m) {
    SetUpToolDialog(this, platform::WindowTitle(QStringLiteral("Poke")), 680, 110, 180, 95);
    setObjectName(QStringLiteral("pokeDialog"));
    MakeCentredLabel(this, QStringLiteral("Address"), 20, 8, 60, 20);
    MakeCentredLabel(this, QStringLiteral("Byte"), 120, 8, 40, 20);
    address_ = MakeNumberField(this, 20, 25, 60, 20, QStringLiteral("pokeAddress"));
    byte_ = MakeNumberField(this, 120, 25, 40, 20, QStringLiteral("pokeByte"));
    done_ = new QPushButton(QStringLiteral("Done"), this);
    done_->setObjectName(QStringLiteral("pokeDone"));
    done_->setGeometry(20, 55, 60, 25);
    done_->setAutoDefault(false);
    poke_ = new QPushButton(QStringLiteral("Poke"), this);
    poke_->setObjectName(QStringLiteral("pokePoke"));
    poke_->setGeometry(100, 55, 60, 25);
    poke_->setAutoDefault(false);

    // Out of range empties the field; that change converts to 0.
    connect(address_, &QLineEdit::textChanged, this, [this](const QString& t) {
        uint32_t v = 0;
        const FieldChange change = ReadFieldChange(t, 0xFFFF, v);
        if (change == FieldChange::Value) addressValue_ = static_cast<uint16_t>(v);
        if (change == FieldChange::OutOfRange) address_->clear();
    });
    connect(byte_, &QLineEdit::textChanged, this, [this](const QString& t) {
        uint32_t v = 0;
        const FieldChange change = ReadFieldChange(t, 0xFF, v);
        if (change == FieldChange::Value) byteValue_ = static_cast<uint8_t>(v);
        if (change == FieldChange::OutOfRange) byte_->clear();
    });
    connect(poke_, &QPushButton::clicked, this, [this] { Poke(); });
    connect(done_, &QPushButton::clicked, this, [this] { done(Accepted); });
}

void PokeDialog::Poke() {
    const std::optional<uint32_t> address = ConfirmNumberField(address_, 0xFFFF, QStringLiteral("Address"), this);
    if (!address) return;
    const std::optional<uint32_t> byte = ConfirmNumberField(byte_, 0xFF, QStringLiteral("Byte"), this);
    if (!byte) return;
    addressValue_ = static_cast<uint16_t>(*address);
    byteValue_ = static_cast<uint8_t>(*byte);
    if (PokeMemory(m_, addressValue_, byteValue_)) return;
    platform::ShowMessage(this, windowTitle(),
                          QStringLiteral("%1h is in the monitor ROM (0000h-0FFFh), and \"Write Protect ROM\" "
                                         "(Emulation menu) is checked: nothing was written.")
                              .arg(QString::number(addressValue_, 16).rightJustified(4, QLatin1Char('0')).toUpper()));
}

void RunPokeDialog(MachineRecord& m, QWidget* parent) {
    PokeDialog dialog(m, parent);
    dialog.exec();
}

}  // namespace kestrel
