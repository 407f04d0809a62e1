// Small pieces shared by the debugger window and the memory tool dialogs:
// fonts, number fields, labels and fixed-size tool windows.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace kestrel {

// "Consolas" at the given point size where it is installed, otherwise the
// system's fixed-pitch font at the same size, narrowed to Consolas' advance
// (0.55 em against the usual 0.60 em).
QFont ToolFont(int pointSize, bool bold);
inline constexpr int kFallbackStretch = 91;

// MakeNumberEdit (kestrel/gui/number_field.h) with initial text "0", named,
// at the given geometry inside `parent`. Read it as number_field.h says.
QLineEdit* MakeNumberField(QWidget* parent, int x, int y, int width, int height,
                           const QString& objectName);

// A label with centred text at the given geometry.
QLabel* MakeCentredLabel(QWidget* parent, const QString& text, int x, int y, int width,
                         int height);

// A modal tool dialog that only its own buttons close: the Escape key and a
// close request from the window system do nothing (the window has no close
// button). Buttons end it with done().
class ToolDialog : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override {}
};

// Turns `dialog` into a small tool window: title, screen position of the
// window, client area of width x height, not resizable, title bar without a
// close button (a minimise button only). Font 8 point regular.
void SetUpToolDialog(QDialog* dialog, const QString& title, int x, int y, int width, int height);

}  // namespace kestrel
