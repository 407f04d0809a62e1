#include "kestrel/debugger_ui/stack_view.h"

#include "kestrel/debug/number_format.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

QString StackEntry(const MachineRecord& m, uint16_t address) {
    const uint16_t word = ReadWord(m, address);
    return QString::fromStdString(NumberText(address, NumberWidth::Word, m.NumberBase) + " : " +
                                  NumberText(word, NumberWidth::Word, m.NumberBase));
}

StackView::StackView(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("stackView"));
    setAccessibleName(objectName());
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    // Plain rows as a list box draws them: no eliding, no padding, 13 pixels
    // a row so that 35 lines (14 stack entries) fill the view.
    setTextElideMode(Qt::ElideNone);
    setStyleSheet(QStringLiteral("QListWidget::item { padding: 0px; margin: 0px; border: 0px; height: 13px; }"));
    // Fourteen entries fill the view; there is nothing to scroll to.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void StackView::Refresh(const MachineRecord& m) {
    clear();
    for (int i = 0; i < kStackEntries; ++i)
        addItem(StackEntry(m, static_cast<uint16_t>(m.Cpu.SP + 2 * i)));
}

}  // namespace kestrel
