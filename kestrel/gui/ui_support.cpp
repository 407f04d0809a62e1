#include "kestrel/gui/ui_support.h"

#include <QDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>

#include "kestrel/gui/number_field.h"

#include "kestrel/gui/platform.h"

namespace kestrel {

QFont ToolFont(int pointSize, bool bold) {
    static const QString preferred = QStringLiteral("Consolas");
    static const bool installed = QFontDatabase::families().contains(preferred);
    static const QString family =
        installed ? preferred : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    QFont font(family, pointSize, bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    // The usual fallbacks (DejaVu Sans Mono and its kin) are a tenth wider
    // than Consolas at the same size; narrowed to its advance they fit the
    // fields and lists that were laid out for it.
    if (!installed) font.setStretch(kFallbackStretch);
    return font;
}

QLineEdit* MakeNumberField(QWidget* parent, int x, int y, int width, int height,
                           const QString& objectName) {
    QLineEdit* field = MakeNumberEdit(parent, QStringLiteral("0"));
    field->setObjectName(objectName);
    field->setAccessibleName(objectName);
    field->setGeometry(x, y, width, height);
    return field;
}

QLabel* MakeCentredLabel(QWidget* parent, const QString& text, int x, int y, int width,
                         int height) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, width, height);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void SetUpToolDialog(QDialog* dialog, const QString& title, int x, int y, int width, int height) {
    dialog->setWindowFlags(platform::kFixedDialogFlags);
    dialog->setWindowTitle(title);
    dialog->setFont(ToolFont(8, false));
    dialog->setFixedSize(width, height);
    dialog->move(x, y);
}

}  // namespace kestrel
