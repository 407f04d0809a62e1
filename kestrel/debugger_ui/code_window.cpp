#include "kestrel/debugger_ui/code_window.h"

#include <QHeaderView>
#include <QMenu>
#include <QTableWidget>
#include <QVBoxLayout>

#include "kestrel/debug/code_lines.h"
#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/gui/platform.h"
#include "kestrel/gui/ui_support.h"

namespace kestrel {
namespace {

constexpr int kLinesBefore = 16;
constexpr int kLinesAfter = 17;  // the current instruction and 16 after it
constexpr int kAddressRole = Qt::UserRole;
constexpr int kLabelRole = Qt::UserRole + 1;

}  // namespace

CodeWindow::CodeWindow(MachineRecord& m, std::function<void(uint16_t)> runTo, QWidget* parent)
    : QWidget(parent), m_(m), runTo_(std::move(runTo)) {
    setObjectName(QStringLiteral("codeWindow"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);  // closes with the debugger
    setFont(ToolFont(8, false));
    table_ = new QTableWidget(0, 2, this);
    table_->setObjectName(QStringLiteral("codeTable"));
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->setShowGrid(false);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setColumnWidth(0, 18);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setDefaultSectionSize(14);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == 0) ToggleAt(row);
    });
    connect(table_, &QWidget::customContextMenuRequested, this, &CodeWindow::ShowContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    resize(300, 480);
    move(1110, 50);
    Refresh();
}

QString CodeWindowTitle(const MachineRecord& m) {
    const QString title = platform::WindowTitle(QStringLiteral("Code"));
    uint16_t symbol = 0;
    if (m.Symbols == nullptr || !m.Symbols->NearestAtOrBelow(m.Cpu.PC, symbol)) return title;
    const int offset = m.Cpu.PC - symbol;
    QString where = QString::fromStdString(*m.Symbols->NameAt(symbol));
    if (offset != 0) where += QStringLiteral("+%1").arg(offset);
    return title + QStringLiteral(" - ") + where;
}

void CodeWindow::Refresh() {
    setWindowTitle(CodeWindowTitle(m_));
    const std::vector<CodeLine> lines = CodeViewLines(m_, m_.Symbols, kLinesBefore, kLinesAfter);
    table_->setRowCount(static_cast<int>(lines.size()));
    currentRow_ = -1;
    for (int row = 0; row < static_cast<int>(lines.size()); ++row) {
        const CodeLine& line = lines[row];
        const int entry = line.Label ? -1 : FindExecuteEntry(m_.Breakpoints, line.Address);
        const bool enabled = entry >= 0 && m_.Breakpoints.Entries[entry].Enabled;
        auto* margin = new QTableWidgetItem(entry < 0 ? QString() : enabled ? QStringLiteral("●") : QStringLiteral("○"));
        auto* text = new QTableWidgetItem(QString::fromStdString(line.Text));
        for (QTableWidgetItem* item : {margin, text}) {
            item->setData(kAddressRole, line.Address);
            item->setData(kLabelRole, line.Label);
        }
        if (!line.Label && line.Address == m_.Cpu.PC && currentRow_ < 0) {
            currentRow_ = row;
            text->setBackground(QColor(255, 255, 0));
            margin->setBackground(QColor(255, 255, 0));
        }
        table_->setItem(row, 0, margin);
        table_->setItem(row, 1, text);
    }
    if (currentRow_ >= 0) table_->scrollToItem(table_->item(currentRow_, 1), QAbstractItemView::PositionAtCenter);
}

void CodeWindow::ToggleAt(int row) {
    QTableWidgetItem* item = table_->item(row, 0);
    if (item == nullptr || item->data(kLabelRole).toBool()) return;
    if (!ToggleExecuteEntry(m_.Breakpoints, static_cast<uint16_t>(item->data(kAddressRole).toUInt())))
        platform::ShowMessage(this, QStringLiteral("Breakpoints"), QStringLiteral("The list holds 32 entries already."));
    Refresh();
}

void CodeWindow::RunToRow(int row) {
    QTableWidgetItem* item = table_->item(row, 1);
    if (item != nullptr) runTo_(static_cast<uint16_t>(item->data(kAddressRole).toUInt()));
}

void CodeWindow::ShowContextMenu(const QPoint& position) {
    const int row = table_->rowAt(position.y());
    if (row < 0) return;
    QMenu menu(this);
    QAction* runTo = menu.addAction(QStringLiteral("Run to here"));
    runTo->setObjectName(QStringLiteral("codeRunToHere"));
    if (menu.exec(table_->viewport()->mapToGlobal(position)) == runTo) RunToRow(row);
}

}  // namespace kestrel
