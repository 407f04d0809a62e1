#include "kestrel/shell/keyboard_map_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "kestrel/gui/platform.h"
#include "kestrel/shell/host_keyboard.h"

namespace kestrel {

namespace {

constexpr int kKeysPerRow = 9;

QString LabelText(const KeyRect& key) {
    return QString::fromLatin1(key.Label).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// The width of the widest text of the table in the application's font (bold,
// as the labels are), so that the nine columns are as wide as each other.
int ColumnWidth() {
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int width = 0;
    for (const KeyRect& key : kKeys) width = std::max(width, metrics.horizontalAdvance(LabelText(key)));
    for (const HostKey& host : kHostKeys)
        width = std::max(width, metrics.horizontalAdvance(QString::fromLatin1(host.Name)));
    return width;
}

// One key of the table: its label in bold, then each host key on a line.
QString KeyCell(const KeyRect& key, int width) {
    QString cell = QStringLiteral("<td align=\"center\" width=\"%1\"><b>%2</b>").arg(width).arg(LabelText(key));
    for (const HostKey& host : kHostKeys)
        if (host.Keypad == key.Key)
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
    const int width = ColumnWidth();
    for (int i = 0; i < static_cast<int>(std::size(kKeys)); ++i) {
        if (i % kKeysPerRow == 0) text += QStringLiteral("<tr>");
        text += KeyCell(kKeys[i], width);
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
