// The debugger's breakpoint list, stepping items and Code window, driven
// through their widgets (Qt offscreen).
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <memory>

#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/debugger_ui/breakpoints_window.h"
#include "kestrel/debugger_ui/code_window.h"
#include "kestrel/debugger_ui/debugger_menu_ids.h"
#include "kestrel/debugger_ui/debugger_window.h"
#include "kestrel/debugger_ui/listing_view.h"
#include "kestrel/gui/platform.h"
#include "kestrel/z80/cpu.h"
#include "tests/kestrel_debugger_ui/qt_test_support.h"

namespace kestrel {
namespace {

class BreakpointListUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        FillMnemonicTables();
        m_ = std::make_unique<MachineRecord>();
        InitMachine(*m_);
        ResetCpu(*m_);
        m_->Cpu.PC = 0x1800;
        m_->Cpu.SP = 0x1F00;
        m_->NumberBase = 1;
        symbols_.Add("start", 0x1800);
        symbols_.Add("wait", 0x1900);
        m_->Symbols = &symbols_;
        const uint8_t program[] = {0xCD, 0x00, 0x19, 0x00};  // CALL wait; NOP
        std::copy(std::begin(program), std::end(program), m_->MemoryImage + 0x1800);
        const uint8_t wait[] = {0x06, 0x14, 0x10, 0xFE, 0xC9};  // LD B,20; DJNZ $; RET
        std::copy(std::begin(wait), std::end(wait), m_->MemoryImage + 0x1900);
        platform::RecordMessages(true);
        platform::TakeRecordedMessages();
    }
    void TearDown() override { platform::RecordMessages(false); }
    QAction* Menu(DebuggerWindow& w, int id) { return w.findChild<QAction*>(QStringLiteral("debuggerMenu%1").arg(id)); }
    QString LastLine(DebuggerWindow& w) { return w.Listing()->item(w.Listing()->count() - 1)->text(); }

    std::unique_ptr<MachineRecord> m_;
    SymbolTable symbols_;
};

TEST_F(BreakpointListUiTest, BreakpointsWindowTakesNamesAndRefusesBadEntries) {
    BreakpointsWindow w(*m_, nullptr);
    auto* start = w.findChild<QLineEdit*>(QStringLiteral("breakpointStart"));
    auto* end = w.findChild<QLineEdit*>(QStringLiteral("breakpointEnd"));
    auto* kind = w.findChild<QComboBox*>(QStringLiteral("breakpointKind"));
    start->setText(QStringLiteral("wait"));
    ASSERT_TRUE(w.AddEntry());
    EXPECT_EQ(m_->Breakpoints.Entries[0].Start, 0x1900);
    EXPECT_EQ(w.Table()->item(0, 3)->text(), QStringLiteral("1900h wait"));
    start->setText(QStringLiteral("nowhere"));
    EXPECT_FALSE(w.AddEntry());
    kind->setCurrentIndex(1);  // Write
    start->setText(QStringLiteral("1900h"));
    end->setText(QStringLiteral("$18FF"));
    EXPECT_FALSE(w.AddEntry());
    const auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].Text.contains(QStringLiteral("\"nowhere\""))) << messages[0].Text.toStdString();
    EXPECT_EQ(messages[1].Text, QStringLiteral("The end lies before the start."));
    EXPECT_EQ(m_->Breakpoints.Count, 1);
    w.Table()->item(0, 0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(m_->Breakpoints.Entries[0].Enabled);
    EXPECT_FALSE(ListArmed(m_->Breakpoints));
    w.Table()->setCurrentCell(0, 1);
    EXPECT_TRUE(w.DeleteEntry());
    EXPECT_EQ(m_->Breakpoints.Count, 0);
}

TEST_F(BreakpointListUiTest, StepOverLeavesWithTheStopArmedAndTheHitCountsWhatRan) {
    {
        DebuggerWindow w(*m_);
        Menu(w, debugger_menu::kStepOver)->trigger();
        EXPECT_EQ(w.result(), QDialog::Accepted);  // left, as RUN leaves
    }
    ASSERT_EQ(m_->Breakpoints.Stop, StopKind::StepOver);
    int passes = 0;
    while (!ExecuteChecked(*m_) && ++passes < 100) {}
    DebuggerWindow w(*m_);
    w.ShowCheckHit();
    EXPECT_EQ(LastLine(w), QStringLiteral("Stepped over CALL 1900h: 289 T-states"));
    EXPECT_EQ(w.Field(DebuggerField::TStates)->text(), QStringLiteral("    289 **"));
    Menu(w, debugger_menu::kStepOver)->trigger();  // a NOP steps in the window
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(m_->Breakpoints.Stop, StopKind::None);
    EXPECT_TRUE(LastLine(w).endsWith(QStringLiteral("NOP")));
}

TEST_F(BreakpointListUiTest, CodeWindowFollowsPcWithLabelsAndTogglesInTheMargin) {
    DebuggerWindow w(*m_);
    CodeWindow* code = w.Code();
    EXPECT_EQ(code->windowTitle(), QStringLiteral("Kestrel - Code - start"));
    const int row = code->CurrentRow();
    ASSERT_GT(row, 0);
    EXPECT_EQ(code->Table()->item(row - 1, 1)->text(), QStringLiteral("start:"));
    EXPECT_EQ(code->Table()->item(row, 1)->text(), QStringLiteral("1800h  CD0019      CALL wait"));
    code->ToggleAt(row);
    EXPECT_EQ(FindExecuteEntry(m_->Breakpoints, 0x1800), 0);
    EXPECT_FALSE(code->Table()->item(code->CurrentRow(), 0)->text().isEmpty());
    Menu(w, debugger_menu::kShowSymbols)->trigger();
    w.Step();
    EXPECT_TRUE(LastLine(w).endsWith(QStringLiteral("CALL wait"))) << LastLine(w).toStdString();
    EXPECT_EQ(code->windowTitle(), QStringLiteral("Kestrel - Code - wait"));
    code->ToggleAt(code->CurrentRow() - 1);  // a label line: nothing
    EXPECT_EQ(m_->Breakpoints.Count, 1);
}

}  // namespace
}  // namespace kestrel

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
