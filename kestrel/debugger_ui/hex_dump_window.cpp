#include "kestrel/debugger_ui/hex_dump_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>

#include "kestrel/debug/number_format.h"
#include "kestrel/gui/ui_support.h"

namespace kestrel {

std::string HexDumpLine(const MachineRecord& m, uint16_t address) {
    std::string line = NumberText(address, NumberWidth::Word, kBaseDecimal);
    char digits[4];
    HexDigits(digits, address, 4);
    line += ' ';
    line.append(digits, 4);
    line += "  ";
    for (int i = 0; i < 16; ++i) {
        HexDigits(digits, m.MemoryImage[static_cast<uint16_t>(address + i)], 2);
        line.append(digits, 2);
        line += ' ';
    }
    line += ' ';
    for (int i = 0; i < 16; ++i) {
        const uint8_t b = m.MemoryImage[static_cast<uint16_t>(address + i)];
        line += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';  // 7F is DEL
    }
    return line;
}

HexDumpWindow::HexDumpWindow(const MachineRecord& m, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_(m),
      start_(m.Cpu.PC) {
    setObjectName(QStringLiteral("hexDumpWindow"));
    setWindowTitle(QStringLiteral("Kestrel Hex Dump"));
    setFixedSize(480, 420);
    move(70, 70);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("hexDumpList"));
    list_->setAccessibleName(list_->objectName());
    list_->setGeometry(0, 0, 480, 420);
    list_->setFont(ToolFont(8, false));
    // All 32 lines at once, in rows of 13 pixels (420 / 32, no frame); the
    // arrow keys move the dump, so there is nothing to scroll.
    list_->setFrameShape(QFrame::NoFrame);
    list_->setUniformItemSizes(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Fill();
}

HexDumpWindow::~HexDumpWindow() {
    if (running_) qApp->removeEventFilter(this);
}

void HexDumpWindow::Fill() {
    list_->clear();
    for (int i = 0; i < kHexDumpLines; ++i) {
        auto* item = new QListWidgetItem(QString::fromLatin1(
            HexDumpLine(m_, static_cast<uint16_t>(start_ + i * 16)).c_str()));
        item->setSizeHint(QSize(list_->width(), kHexDumpRowHeight));
        list_->addItem(item);
    }
}

void HexDumpWindow::Run() {
    running_ = true;
    qApp->installEventFilter(this);
    show();
    raise();
    activateWindow();
    loop_.exec();
    qApp->removeEventFilter(this);
    running_ = false;
    hide();
}

void HexDumpWindow::Finish() {
    if (running_) loop_.quit();
}

bool HexDumpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!running_ || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    const bool mine = widget == this || isAncestorOf(widget);
    switch (event->type()) {
        case QEvent::Close:
            // A close request of any window ends the dump and is used up here.
            if (widget->isWindow()) {
                event->ignore();
                Finish();
                return true;
            }
            return false;
        case QEvent::KeyPress:
            if (mine) {
                // One step of 16 bytes per arriving key event while the key is
                // held (auto-repeat delivers one event after another).
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Escape) {  // as the other dialogs close
                    Finish();
                    return true;
                }
                if (key == Qt::Key_Up) {
                    start_ = static_cast<uint16_t>(start_ - 16);
                    Fill();
                    return true;
                }
                if (key == Qt::Key_Down) {
                    start_ = static_cast<uint16_t>(start_ + 16);
                    Fill();
                    return true;
                }
            }
            return !mine;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
            // The other windows of the program stand still meanwhile.
            return !mine;
        default:
            return false;
    }
}

}  // namespace kestrel
