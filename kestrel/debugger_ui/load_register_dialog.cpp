#include "kestrel/debugger_ui/load_register_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "kestrel/gui/number_field.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

namespace {
bool IsLoadRegisterId(int id) {
    return id >= debugger_menu::kLoadRegisterFirst && id <= debugger_menu::kLoadRegisterLast;
}
}  // namespace

QString LoadRegisterName(int id) {
    if (!IsLoadRegisterId(id)) return {};
    return QString::fromLatin1(RegisterName(LoadRegisterCode(id)));
}

void StoreRegister(MachineRecord& m, int id, uint16_t value) {
    if (IsLoadRegisterId(id)) SetRegister(m, LoadRegisterCode(id), value);
}

LoadRegisterDialog::LoadRegisterDialog(MachineRecord& m, int id, std::function<void()> refresh,
                                       QWidget* parent)
    : ToolDialog(parent), m_(m), id_(id), refresh_(std::move(refresh)) {
    const bool wide = IsWordRegister(LoadRegisterCode(id));
    SetUpToolDialog(this, platform::WindowTitle(QStringLiteral("Load ") + LoadRegisterName(id)),
                    680, 110, 190, 95);
    setObjectName(QStringLiteral("loadRegisterDialog"));
    const int x = wide ? 110 : 130;
    const int w = wide ? 60 : 40;
    MakeCentredLabel(this, QStringLiteral("Value"), x, 8, w, 20);
    value_ = MakeNumberField(this, x, 25, w, 20, QStringLiteral("loadRegisterValue"));
    cancel_ = new QPushButton(QStringLiteral("CANCEL"), this);
    cancel_->setObjectName(QStringLiteral("loadRegisterCancel"));
    cancel_->setGeometry(20, 55, 70, 25);
    cancel_->setAutoDefault(false);
    load_ = new QPushButton(QStringLiteral("LOAD"), this);
    load_->setObjectName(QStringLiteral("loadRegisterLoad"));
    load_->setGeometry(110, 55, 60, 25);
    load_->setAutoDefault(false);

    const uint32_t limit = wide ? 0xFFFF : 0xFF;
    connect(value_, &QLineEdit::textChanged, this, [this, limit](const QString& t) {
        uint32_t v = 0;
        const FieldChange change = ReadFieldChange(t, limit, v);
        if (change == FieldChange::Value) remembered_ = static_cast<uint16_t>(v);
        if (change == FieldChange::OutOfRange) value_->clear();  // converts to 0 as a change of its own
    });
    connect(load_, &QPushButton::clicked, this, [this, limit] {
        const std::optional<uint32_t> value = ConfirmNumberField(value_, limit, QStringLiteral("Value"), this);
        if (!value) return;
        remembered_ = static_cast<uint16_t>(*value);
        StoreRegister(m_, id_, remembered_);
        if (refresh_) refresh_();
        done(Accepted);
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { done(Rejected); });
}

}  // namespace kestrel
