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
}

void StackView::Refresh(const MachineRecord& m) {
    clear();
    for (int i = 0; i < kStackEntries; ++i)
        addItem(StackEntry(m, static_cast<uint16_t>(m.Cpu.SP + 2 * i)));
}

}  // namespace kestrel
