#include "kestrel/gui/digit_field.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace kestrel {

QLineEdit* MakeDigitField(QWidget* parent, const QString& text) {
    auto* field = new QLineEdit(text, parent);
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
    return field;
}

long ReadDigitField(const QString& text) {
    constexpr long kTooLarge = 999999999;
    long value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) continue;
        value = value * 10 + (c.unicode() - '0');
        if (value > kTooLarge) return kTooLarge;
    }
    return value;
}

}  // namespace kestrel
