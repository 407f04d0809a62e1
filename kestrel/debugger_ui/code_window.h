// The "Code" window beside the debugger: the disassembly around PC
// (kestrel/debug/code_lines.h), the current instruction highlighted, execution
// breakpoints marked in the margin. Clicking a line's margin toggles a
// breakpoint there; a line's context menu offers "Run to here".
//
// It lives as long as the debugger window that owns it and follows PC after
// every change the debugger makes (Refresh).
#pragma once

#include <QWidget>
#include <QString>
#include <cstdint>
#include <functional>

#include "kestrel/debug/machine_record.h"

class QTableWidget;

namespace kestrel {

// "Kestrel - Code", followed by where PC is by the symbols, " - fill" or
// " - fill+5" (bytes past the nearest symbol at or below PC), when any is.
QString CodeWindowTitle(const MachineRecord& m);

class CodeWindow : public QWidget {
public:
    // `runTo` is called with the address of "Run to here".
    CodeWindow(MachineRecord& m, std::function<void(uint16_t)> runTo, QWidget* parent);

    void Refresh();
    // The margin click of row `row`: toggles the execution breakpoint there.
    void ToggleAt(int row);
    void RunToRow(int row);
    QTableWidget* Table() const { return table_; }
    // The row of the instruction at PC.
    int CurrentRow() const { return currentRow_; }

private:
    void ShowContextMenu(const QPoint& position);

    MachineRecord& m_;
    std::function<void(uint16_t)> runTo_;
    QTableWidget* table_ = nullptr;
    int currentRow_ = -1;
};

}  // namespace kestrel
