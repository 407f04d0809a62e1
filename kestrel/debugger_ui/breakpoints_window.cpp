#include "kestrel/debugger_ui/breakpoints_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "kestrel/debug/number_format.h"
#include "kestrel/debug/number_input.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/gui/platform.h"
#include "kestrel/gui/ui_support.h"

namespace kestrel {
namespace {

const char* const kKindNames[] = {"Execute", "Write", "Read or write"};

QPushButton* AddButton(QGridLayout* grid, const char* text, const char* name, int column) {
    auto* button = new QPushButton(QString::fromLatin1(text));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    grid->addWidget(button, 3, column);
    return button;
}

}  // namespace

BreakpointsWindow::BreakpointsWindow(MachineRecord& m, QWidget* parent) : QDialog(parent), m_(m) {
    setObjectName(QStringLiteral("breakpointsWindow"));
    setWindowTitle(platform::WindowTitle(QStringLiteral("Breakpoints")));
    setFont(ToolFont(8, false));
    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName(QStringLiteral("breakpointsTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("On"), QStringLiteral("#"), QStringLiteral("Kind"),
                                       QStringLiteral("Start"), QStringLiteral("End")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    kind_ = new QComboBox;
    kind_->setObjectName(QStringLiteral("breakpointKind"));
    for (const char* name : kKindNames) kind_->addItem(QString::fromLatin1(name));
    start_ = new QLineEdit;
    start_->setObjectName(QStringLiteral("breakpointStart"));
    start_->setToolTip(QStringLiteral("%1, or a symbol name").arg(QString::fromLatin1(kNumberInputHint)));
    end_ = new QLineEdit;
    end_->setObjectName(QStringLiteral("breakpointEnd"));
    end_->setToolTip(start_->toolTip());
    auto* grid = new QGridLayout(this);
    grid->addWidget(table_, 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Kind")), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Start")), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("End")), 1, 2);
    grid->addWidget(kind_, 2, 0);
    grid->addWidget(start_, 2, 1);
    grid->addWidget(end_, 2, 2);
    QPushButton* add = AddButton(grid, "Add", "breakpointAdd", 0);
    add->setDefault(true);  // Return in a field adds the entry
    connect(add, &QPushButton::clicked, this, [this] { AddEntry(); });
    connect(AddButton(grid, "Change", "breakpointChange", 1), &QPushButton::clicked, this, [this] { ChangeEntry(); });
    connect(AddButton(grid, "Delete", "breakpointDelete", 2), &QPushButton::clicked, this, [this] { DeleteEntry(); });
    connect(AddButton(grid, "Close", "breakpointClose", 3), &QPushButton::clicked, this, &QDialog::accept);
    connect(kind_, &QComboBox::currentIndexChanged, this, [this](int kind) { end_->setEnabled(kind != 0); });
    end_->setEnabled(false);
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) { FillFields(row); });
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!refreshing_ && item->column() == 0) SetEnabled(item->row(), item->checkState() == Qt::Checked);
    });
    resize(420, 360);
    Refresh();
    start_->setFocus();
}

QString BreakpointsWindow::AddressText(uint16_t address) const {
    QString text = QString::fromStdString(NumberText(address, NumberWidth::Word, m_.NumberBase));
    if (m_.Symbols != nullptr) {
        if (const std::string* name = m_.Symbols->NameAt(address)) text += QStringLiteral(" ") + QString::fromStdString(*name);
    }
    return text;
}

void BreakpointsWindow::Refresh() {
    refreshing_ = true;
    const BreakpointList& c = m_.Breakpoints;
    table_->setRowCount(c.Count);
    for (int i = 0; i < c.Count; ++i) {
        const BreakEntry& e = c.Entries[i];
        auto* on = new QTableWidgetItem;
        on->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        on->setCheckState(e.Enabled ? Qt::Checked : Qt::Unchecked);
        table_->setItem(i, 0, on);
        table_->setItem(i, 1, new QTableWidgetItem(QString::number(i + 1)));
        table_->setItem(i, 2, new QTableWidgetItem(QString::fromLatin1(kKindNames[static_cast<int>(e.Kind)])));
        table_->setItem(i, 3, new QTableWidgetItem(AddressText(e.Start)));
        table_->setItem(i, 4, new QTableWidgetItem(e.Kind == BreakEntryKind::Execute ? QString() : AddressText(e.End)));
    }
    refreshing_ = false;
}

void BreakpointsWindow::FillFields(int index) {
    if (index < 0 || index >= m_.Breakpoints.Count) return;
    const BreakEntry& e = m_.Breakpoints.Entries[index];
    kind_->setCurrentIndex(static_cast<int>(e.Kind));
    start_->setText(QString::fromStdString(NumberText(e.Start, NumberWidth::Word, kBaseHex)));
    end_->setText(QString::fromStdString(NumberText(e.End, NumberWidth::Word, kBaseHex)));
}

bool BreakpointsWindow::ReadFields(BreakEntry& entry) {
    entry.Kind = static_cast<BreakEntryKind>(kind_->currentIndex());
    const NumberInput start = ParseAddressInput(start_->text().toStdString(), m_.Symbols);
    NumberInput end = start;
    if (start.Ok && entry.Kind != BreakEntryKind::Execute && !end_->text().trimmed().isEmpty())
        end = ParseAddressInput(end_->text().toStdString(), m_.Symbols);
    QString reason;
    if (!start.Ok) reason = QStringLiteral("Start: ") + QString::fromStdString(start.Reason);
    else if (!end.Ok) reason = QStringLiteral("End: ") + QString::fromStdString(end.Reason);
    else if (end.Value < start.Value) reason = QStringLiteral("The end lies before the start.");
    if (!reason.isEmpty()) {
        platform::ShowMessage(this, QString::fromLatin1(kBreakpointsTitle), reason);
        return false;
    }
    entry.Start = static_cast<uint16_t>(start.Value);
    entry.End = static_cast<uint16_t>(end.Value);
    entry.Enabled = true;
    return true;
}

bool BreakpointsWindow::AddEntry() {
    BreakEntry entry;
    if (!ReadFields(entry)) return false;
    if (!AddBreakEntry(m_.Breakpoints, entry)) {
        platform::ShowMessage(this, QString::fromLatin1(kBreakpointsTitle),
                              QStringLiteral("The list holds %1 entries already.").arg(kMaxBreakEntries));
        return false;
    }
    Refresh();
    table_->setCurrentCell(m_.Breakpoints.Count - 1, 1);
    return true;
}

bool BreakpointsWindow::ChangeEntry() {
    const int row = table_->currentRow();
    BreakEntry entry;
    if (row < 0 || !ReadFields(entry)) return false;
    entry.Enabled = m_.Breakpoints.Entries[row].Enabled;
    EditBreakEntry(m_.Breakpoints, row, entry);
    Refresh();
    return true;
}

bool BreakpointsWindow::DeleteEntry() {
    const int row = table_->currentRow();
    if (row < 0 || row >= m_.Breakpoints.Count) return false;
    RemoveBreakEntry(m_.Breakpoints, row);
    Refresh();
    return true;
}

void BreakpointsWindow::SetEnabled(int index, bool enabled) {
    EnableBreakEntry(m_.Breakpoints, index, enabled);
    Refresh();
}

}  // namespace kestrel
