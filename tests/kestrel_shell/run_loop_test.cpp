// The debugging engine inside the running program: the run loop's trace path
// with "debug.lst", its breakpoint test, and the main menu's "Disassemble to
// file". Each test starts kestrel in a scratch folder with its own ROM.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include "kestrel/debug/breakpoint.h"
#include "kestrel/debug/trace.h"
#include "kestrel/gui/platform.h"
#include "kestrel/shell/emulator.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/z80/cpu.h"
#include "tests/kestrel_debugger_ui/qt_test_support.h"
#include "tests/kestrel_shell/kestrel_program_fixture.h"

namespace kestrel {
namespace {

class RunLoopDebug : public KestrelProgramFixture {
protected:
    // Starts kestrel with `rom` at 0x0000, padded with NOPs to 4,096 bytes.
    void StartWith(std::vector<uint8_t> rom) { KestrelProgramFixture::StartWith(std::move(rom), 0x00); }

    // Runs the loop; each time the debugger window opens, notes the PC and
    // leaves it; the loop ends after the first visit (or after 5 s).
    void RunUntilDebuggerOpens() {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto* debugger = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (debugger && debugger->objectName() == QStringLiteral("debuggerWindow")) {
                visits_.push_back(M().Cpu.PC);
                traceAtVisit_ = M().TraceToFile;
                armedAtVisit_ = M().BreakArmed;
                W().RequestQuit();
                debugger->reject();
            }
        });
        poll.start(2);
        QTimer::singleShot(5000, &W(), [this] { W().RequestQuit(); });
        emulator_->Run();
    }

    std::vector<uint16_t> visits_;
    uint8_t traceAtVisit_ = 0xFF;
    uint8_t armedAtVisit_ = 0xFF;
};

TEST_F(RunLoopDebug, TraceFillsDebugListAndOpensTheDebugger) {
    StartWith({});
    BeginTrace(M());
    RunUntilDebuggerOpens();
    ASSERT_EQ(visits_.size(), 1u);
    EXPECT_EQ(traceAtVisit_, 0);
    QFile file(QStringLiteral("debug.lst"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    // Start line and header (125 bytes), 659 lines of 97, the empty line.
    EXPECT_EQ(text.size(), 64050);
    EXPECT_TRUE(text.startsWith("START "));
    EXPECT_EQ(text.mid(125, 31), QByteArray("00000 0000  00            NOP  "));
    EXPECT_TRUE(text.endsWith("\r\n\r\n"));
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
}

TEST_F(RunLoopDebug, UnwritableDebugListIsReportedAndTheDebuggerStillOpens) {
    StartWith({});
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("debug.lst")));  // a folder: cannot be appended to
    BeginTrace(M());
    RunUntilDebuggerOpens();
    ASSERT_EQ(visits_.size(), 1u);
    EXPECT_EQ(traceAtVisit_, 0);
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Error");
    EXPECT_EQ(messages[0].Text, "debug.lst - Can't write file!");
}

TEST_F(RunLoopDebug, ProgramCounterBreakpointStopsBeforeTheAddress) {
    // NOP; JP 0040h; ... 0040: JR 0040h
    std::vector<uint8_t> rom(0x42, 0x00);
    rom[1] = 0xC3;
    rom[2] = 0x40;
    rom[3] = 0x00;
    rom[0x40] = 0x18;
    rom[0x41] = 0xFE;
    StartWith(rom);
    M().BreakKind = 34;  // PC
    M().BreakValue = 0x0040;
    M().BreakOnChange = 0;
    M().BreakArmed = 1;
    RunUntilDebuggerOpens();
    ASSERT_EQ(visits_.size(), 1u);
    EXPECT_EQ(visits_[0], 0x0040);
    EXPECT_EQ(M().BreakArmed, 0);
}

TEST_F(RunLoopDebug, BreakpointWorksWhileTracing) {
    std::vector<uint8_t> rom(0x20, 0x00);
    rom[0x10] = 0x37;  // SCF: sets C
    StartWith(rom);
    M().Cpu.F = 0;
    ArmFlagBreak(M(), kBreakFlagAny);
    BeginTrace(M());
    RunUntilDebuggerOpens();
    ASSERT_EQ(visits_.size(), 1u);
    EXPECT_EQ(visits_[0], 0x0011);
    EXPECT_EQ(traceAtVisit_, 1);  // the trace goes on after the window closes
    EXPECT_FALSE(QFile::exists(QStringLiteral("debug.lst")));
    // Seventeen lines are waiting: start block, then one line per instruction.
    EXPECT_EQ(M().ListingFill, 125 + 17 * 97);
}

TEST_F(RunLoopDebug, MainMenuDisassemblesToFile) {
    StartWith({0x3E, 0x05});
    M().NumberBase = 1;
    bool driven = false;
    QTimer::singleShot(0, [&] {
        QWidget* d = QApplication::activeModalWidget();
        ASSERT_NE(d, nullptr);
        auto* end = d->findChild<QLineEdit*>(QStringLiteral("endField"));
        ASSERT_NE(end, nullptr);
        end->selectAll();
        QTest::keyClicks(end, "1");
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("doneButton")), Qt::LeftButton);
        driven = true;
    });
    W().findChild<QAction*>(QStringLiteral("actionDisassemble"))->trigger();
    EXPECT_TRUE(driven);
    QFile file(QStringLiteral("dis.asm"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    EXPECT_EQ(text.mid(29), QByteArray("00000 0000  3E05        LD A,05h\r\n\r\n"));
    EXPECT_EQ(M().DisassemblyStart, 2);
}

}  // namespace
}  // namespace kestrel

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
