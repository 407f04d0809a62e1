// Digit-only number fields of kestrel's small dialogs.
//
// Every number a user types is decimal, in a single-line field that accepts
// only the digits 0-9 and is read again on every change.
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace kestrel {

// A line edit that accepts only the digits 0-9, holding `text`.
QLineEdit* MakeDigitField(QWidget* parent, const QString& text);

// The field's text as a decimal number: empty reads as 0; a value too large
// for any field (more than 9 digits) reads as 999,999,999, which every range
// check refuses.
long ReadDigitField(const QString& text);

}  // namespace kestrel
