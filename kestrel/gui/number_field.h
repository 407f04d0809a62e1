// Number fields of kestrel's small dialogs.
//
// A field takes decimal digits, as the board's dialogs always have, and
// hexadecimal written with a marker (1800h, 0x1800, $1800): one parser reads
// them all (kestrel/debug/number_input.h) and the tooltip says so. A digit
// string is read on every change, so a decimal value beyond the field's
// limit is dealt with at once (each dialog empties or resets the field); any
// other text is left as typed and read when the dialog is confirmed, where
// a text that is not a number in range is refused with a message box.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QLineEdit;
class QWidget;

namespace kestrel {

// A line edit for a number, holding `text`, with the tooltip.
QLineEdit* MakeNumberEdit(QWidget* parent, const QString& text);

// What a change of a field's text means for a field whose limit is `max`.
enum class FieldChange {
    Value,       // a decimal digit string from 0 to max (empty reads as 0): in `value`
    OutOfRange,  // a decimal digit string above max
    Pending,     // anything else: read when the dialog is confirmed
};
FieldChange ReadFieldChange(const QString& text, uint32_t max, uint32_t& value);

// On confirming a dialog: the number in `field`, from 0 to `max`. Otherwise
// a message box titled as `dialog` names the field (`what`) and the reason,
// and there is no value: the dialog stays open.
std::optional<uint32_t> ConfirmNumberField(const QLineEdit* field, uint32_t max, const QString& what,
                                           QWidget* dialog);

}  // namespace kestrel
