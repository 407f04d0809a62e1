#include "kestrel/shell/keyboard_map_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

#include "kestrel/gui/platform.h"
#include "kestrel/shell/host_keyboard.h"

namespace kestrel {

namespace {

constexpr int kKeysPerRow = 9;

// One key of the table: its label in bold, then each host key on a line.
QString KeyCell(const KeyRect& key) {
    QString cell = QStringLiteral("<td align=\"center\"><b>%1</b>")
                       .arg(QString::fromLatin1(key.Label).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    for (const HostKey& host : kHostKeys)
        if (KeypadKeyLabelled(host.Keypad) == &key)
            cell += QStringLiteral("<br>") + QString::fromLatin1(host.Name).toHtmlEscaped();
    return cell + QStringLiteral("</td>");
}

}  // namespace

QString KeyboardMapDialog::MapText() {
    QString text = QStringLiteral(
        "<p>While \"Keyboard drives keypad\" (Emulation menu) is checked, each press<br>"
        "of a host key clicks the keypad key above it; a held key repeats.<br>"
        "Escape ends the program. Keys held with Ctrl, Alt or Meta do nothing.</p>"
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">");
    for (int i = 0; i < static_cast<int>(std::size(kKeys)); ++i) {
        if (i % kKeysPerRow == 0) text += QStringLiteral("<tr>");
        text += KeyCell(kKeys[i]);
        if (i % kKeysPerRow == kKeysPerRow - 1) text += QStringLiteral("</tr>");
    }
    return text + QStringLiteral("</table>");
}

KeyboardMapDialog::KeyboardMapDialog(QWidget* parent) : QDialog(parent, platform::kFixedDialogFlags) {
    setObjectName(QStringLiteral("keyboardMapDialog"));
    setWindowTitle(platform::WindowTitle(QStringLiteral("Keyboard map")));
    auto* map = new QLabel(MapText(), this);
    map->setObjectName(QStringLiteral("keyboardMapText"));
    map->setTextFormat(Qt::RichText);
    map->setWordWrap(false);  // the dialog takes the size of the whole table, whatever the font
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(map);
    layout->addWidget(buttons);
}

}  // namespace kestrel
