#include "kestrel/debugger_ui/load_register_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "kestrel/gui/digit_field.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

namespace {
// Two characters per register, in menu order; never changes.
constexpr char kRegisterNames[] = "A F B C D E H L I R BCDEHLIXIYPCSP";
}  // namespace

QString LoadRegisterName(int id) {
    if (id < kLoadRegisterFirst || id > kLoadRegisterLast) return {};
    return QString::fromLatin1(kRegisterNames + (id - kLoadRegisterFirst) * 2, 2);
}

void StoreRegister(MachineRecord& m, int id, uint16_t value) {
    Z80State& c = m.Cpu;
    const uint8_t hi = static_cast<uint8_t>(value >> 8);
    const uint8_t lo = static_cast<uint8_t>(value);
    switch (id) {
        case 38: c.A = lo; break;
        case 39: c.F = lo; break;
        case 40: c.B = lo; break;
        case 41: c.C = lo; break;
        case 42: c.D = lo; break;
        case 43: c.E = lo; break;
        case 44: c.H = lo; break;
        case 45: c.L = lo; break;
        case 46: c.I = lo; break;
        case 47: c.R = lo; break;
        case 48: c.B = hi; c.C = lo; break;
        case 49: c.D = hi; c.E = lo; break;
        case 50: c.H = hi; c.L = lo; break;
        case 51: c.IX = value; break;
        case 52: c.IY = value; break;
        case 53: c.PC = value; break;
        case 54: c.SP = value; break;
        default: break;
    }
}

LoadRegisterDialog::LoadRegisterDialog(MachineRecord& m, int id, std::function<void()> refresh,
                                       QWidget* parent)
    : ToolDialog(parent), m_(m), id_(id), refresh_(std::move(refresh)) {
    const bool wide = id >= kLoadRegisterFirst16Bit;
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

    const long limit = wide ? 0xFFFF : 0xFF;
    connect(value_, &QLineEdit::textChanged, this, [this, limit](const QString& t) {
        const long v = ReadDigitField(t);
        if (v >= 0 && v <= limit)
            remembered_ = static_cast<uint16_t>(v);
        else
            value_->clear();  // converts to 0 as a change of its own
    });
    connect(load_, &QPushButton::clicked, this, [this] {
        StoreRegister(m_, id_, remembered_);
        if (refresh_) refresh_();
        done(Accepted);
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { done(Rejected); });
}

}  // namespace kestrel
