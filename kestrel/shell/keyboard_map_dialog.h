// "Keyboard map" (Help menu): the keypad as a table of its four rows of nine
// keys, each key with the host keys that press it while "Keyboard drives
// keypad" is on. Made from kHostKeys, so it shows what the window does.
#pragma once

#include <QDialog>
#include <QString>

namespace kestrel {

class KeyboardMapDialog : public QDialog {
    Q_OBJECT

public:
    explicit KeyboardMapDialog(QWidget* parent);

    // The map as rich text, as the dialog shows it.
    static QString MapText();
};

}  // namespace kestrel
