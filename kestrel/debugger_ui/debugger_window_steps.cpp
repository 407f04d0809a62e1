// The debugger's items beyond its original menus: symbols, step over, step
// out, run to an address and the breakpoint list. The debugger is modal, so
// the stepping items leave it with a one-time stop armed
// (kestrel/debug/breakpoint_list.h); the run loop opens it again at the stop.
#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <algorithm>

#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/debugger_ui/breakpoints_window.h"
#include "kestrel/debugger_ui/code_window.h"
#include "kestrel/debugger_ui/debugger_menu_ids.h"
#include "kestrel/debugger_ui/debugger_window.h"
#include "kestrel/debugger_ui/listing_view.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

void DebuggerWindow::AddDebugItems(QMenu* file, QMenu* emulation, QMenu* breakpoint) {
    using namespace debugger_menu;
    QAction* exit = file->actions().constLast();
    QAction* load = AddMenuItem(file, "Load symbols", kLoadSymbols);
    QAction* show = AddMenuItem(file, "Show symbols", kShowSymbols);
    show->setCheckable(true);
    show->setChecked(m_.ShowSymbols != 0);
    connect(show, &QAction::toggled, this, [this](bool on) { SetShowSymbols(on); });
    file->insertAction(exit, load);
    file->insertAction(exit, show);
    file->insertSeparator(exit);

    emulation->addSeparator();
    AddMenuItem(emulation, "Step over", kStepOver)->setShortcut(QKeySequence(Qt::Key_F10));
    AddMenuItem(emulation, "Step out", kStepOut)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F11));
    AddMenuItem(emulation, "Run to address...", kRunToAddress);

    breakpoint->addSeparator();
    AddMenuItem(breakpoint, "Breakpoints...", kBreakpoints)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
}

void DebuggerWindow::StepOver() {
    if (ArmStepOver(m_)) {
        Leave();
    } else {
        Step();
    }
}

void DebuggerWindow::StepOut() {
    ArmStepOut(m_);
    Leave();
}

void DebuggerWindow::RunToAddress() {
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("runToDialog"));
    dialog.setWindowTitle(platform::WindowTitle(QStringLiteral("Run to address")));
    dialog.setLabelText(QStringLiteral("Address (a number or a symbol):"));
    if (dialog.exec() != QDialog::Accepted) return;
    const NumberInput address = ParseAddressInput(dialog.textValue().toStdString(), m_.Symbols);
    if (!address.Ok) {
        platform::ShowMessage(this, QStringLiteral("Run to address"), QString::fromStdString(address.Reason));
        return;
    }
    RunTo(static_cast<uint16_t>(address.Value));
}

void DebuggerWindow::RunTo(uint16_t address) {
    ArmRunTo(m_, address);
    Leave();
}

void DebuggerWindow::OpenBreakpoints() {
    BreakpointsWindow window(m_, this);
    window.exec();
    code_->Refresh();  // the margin marks
}

void DebuggerWindow::SetShowSymbols(bool on) { m_.ShowSymbols = on ? 1 : 0; }

void DebuggerWindow::ShowCheckHit() {
    const BreakpointList& c = m_.Breakpoints;
    const QString text = QString::fromStdString(CheckHitText(m_, c.Hit));
    if (c.Hit.Kind == HitKind::OneTimeStop) {
        // What ran counts as one step does.
        m_.StepTStateTotal = static_cast<uint32_t>(c.StopTStates % kStepTotalModulus);
        m_.Cpu.TStates = static_cast<uint16_t>(std::min<uint64_t>(c.StopTStates, 0xFFFF));
        RefreshTStateField();
    }
    Listing()->AddLine(ListingView::Notice, text);
    ShowStatus(text);
}

}  // namespace kestrel
