#include "kestrel/gui/number_field.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "kestrel/debug/number_input.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

QLineEdit* MakeNumberEdit(QWidget* parent, const QString& text) {
    auto* field = new QLineEdit(text, parent);
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString::fromLatin1(kNumberInputPattern)), field));
    field->setToolTip(QString::fromLatin1(kNumberInputHint));
    return field;
}

FieldChange ReadFieldChange(const QString& text, uint32_t max, uint32_t& value) {
    const std::string typed = text.toStdString();
    if (!IsDecimalInput(typed)) return FieldChange::Pending;
    const NumberInput number = ParseNumberInput(typed, max);
    if (!number.Ok) return FieldChange::OutOfRange;
    value = number.Value;
    return FieldChange::Value;
}

std::optional<uint32_t> ConfirmNumberField(const QLineEdit* field, uint32_t max, const QString& what,
                                           QWidget* dialog) {
    const NumberInput number = ParseNumberInput(field->text().toStdString(), max);
    if (number.Ok) return number.Value;
    platform::ShowMessage(dialog, dialog->windowTitle(),
                          what + QStringLiteral(": ") + QString::fromStdString(number.Reason));
    return std::nullopt;
}

}  // namespace kestrel
