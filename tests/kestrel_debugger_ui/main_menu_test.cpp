// The debugger and the memory tools as the running program opens them: from
// the main menu, nested inside a pass of the run loop, and from a breakpoint
// hit of the run loop. kestrel starts in a scratch folder with a small ROM.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>
#include <vector>

#include "kestrel/debug/trace.h"
#include "kestrel/debugger_ui/debugger_window.h"
#include "kestrel/debugger_ui/peek_dialog.h"
#include "kestrel/debugger_ui/poke_dialog.h"
#include "kestrel/gui/memory_range_dialog.h"
#include "kestrel/gui/platform.h"
#include "kestrel/shell/emulator.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/shell/run_loop.h"
#include "tests/kestrel_debugger_ui/qt_test_support.h"
#include "tests/kestrel_shell/kestrel_program_fixture.h"

using namespace kestrel;
using kestrel::testing::WhenModal;

namespace {

// 0000 XOR A (Z set); 0001 NOP; 0002 INC A (Z clear); 0003 JR 0003.
const std::vector<uint8_t> kRom = {0xAF, 0x00, 0x3C, 0x18, 0xFE};

class MainMenu : public KestrelProgramFixture {
protected:
    void SetUp() override {
        KestrelProgramFixture::SetUp();
        StartWith(kRom);
    }
    void TearDown() override {
        EXPECT_TRUE(platform::TakeRecordedMessages().empty());  // no "Info" placeholder
        KestrelProgramFixture::TearDown();
    }
    QAction* MainAction(const char* name) { return W().findChild<QAction*>(name); }
    static QAction* DebuggerAction(DebuggerWindow* w, int id) {
        return w->findChild<QAction*>(QStringLiteral("debuggerMenu%1").arg(id));
    }
    static void Click(DebuggerWindow* w, const char* button) {
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("button") + button),
                          Qt::LeftButton);
    }
};

TEST_F(MainMenu, DebuggerItemOpensTheDebugger) {
    QString title, pc;
    WhenModal<DebuggerWindow>([&](DebuggerWindow* w) {
        title = w->windowTitle();
        pc = w->Field(DebuggerField::PC)->text();
        Click(w, "RUN");
    });
    ASSERT_NE(MainAction("actionDebugger"), nullptr);
    MainAction("actionDebugger")->trigger();
    EXPECT_EQ(title, "Kestrel - Debugger");
    EXPECT_EQ(pc, "00000");  // nothing has run since the hard reset
}

TEST_F(MainMenu, PeekPokeAndFileItemsOpenTheirDialogs) {
    WhenModal<PokeDialog>([](PokeDialog* d) {
        d->AddressField()->setText("6144");
        d->ByteField()->setText("66");
        QTest::mouseClick(d->PokeButton(), Qt::LeftButton);
        QTest::mouseClick(d->DoneButton(), Qt::LeftButton);
    });
    MainAction("actionPoke")->trigger();
    EXPECT_EQ(M().MemoryImage[0x1800], 66);

    QString shown;
    WhenModal<PeekDialog>([&](PeekDialog* d) {
        d->AddressField()->setText("6144");
        shown = d->DecimalField()->text();
        QTest::mouseClick(d->DoneButton(), Qt::LeftButton);
    });
    MainAction("actionPeek")->trigger();
    EXPECT_EQ(shown, "066");

    for (const char* name : {"actionLoadBin", "actionSaveBin"}) {
        bool opened = false;
        WhenModal<MemoryRangeDialog>([&](MemoryRangeDialog* d) {
            opened = true;
            QTest::mouseClick(d->CancelButton(), Qt::LeftButton);
        });
        MainAction(name)->trigger();
        EXPECT_TRUE(opened) << name;
    }
}

TEST_F(MainMenu, FlagBreakpointFromTheDebuggerStopsTheRunLoop) {
    int openings = 0;
    QString pcAtHit, enabledAtHit;
    WhenModal<DebuggerWindow>([&](DebuggerWindow* w) {
        ++openings;
        Click(w, "STEP");  // XOR A: Z is set
        EXPECT_EQ(M().Cpu.F & 0x40, 0x40);
        DebuggerAction(w, 10)->trigger();  // "Flag..." > "Z"
        EXPECT_EQ(M().BreakArmed, 1);
        // The next opening is the hit: after INC A has cleared Z.
        WhenModal<DebuggerWindow>([&](DebuggerWindow* again) {
            ++openings;
            pcAtHit = again->Field(DebuggerField::PC)->text();
            EXPECT_EQ(M().BreakArmed, 0);
            Click(again, "RUN");
            W().RequestQuit();
        });
        Click(w, "RUN");
    });
    // The debugger opens inside the first pass of the run loop.
    QTimer::singleShot(0, &W(), [this] { W().OpenDebugger(); });
    emulator_->Run(nullptr);
    EXPECT_EQ(openings, 2);
    EXPECT_EQ(pcAtHit, "00003");  // stopped after INC A, before JR
}

TEST_F(MainMenu, DebugToFileLeavesAndTheRunLoopTraces) {
    WhenModal<DebuggerWindow>([&](DebuggerWindow* w) {
        W().RequestQuit();  // the loop ends after the pass that opened the debugger
        DebuggerAction(w, 36)->trigger();  // "Debug to file"
    });
    QTimer::singleShot(0, &W(), [this] { W().OpenDebugger(); });
    emulator_->Run(nullptr);
    EXPECT_EQ(M().TraceToFile, 1);
    // The start line, the column header, then whole trace lines: the pass
    // that opened the debugger went on with a traced instruction.
    const int start = static_cast<int>(std::strlen("START 14:05:09 06/12/2026\r\n"));
    const int header = static_cast<int>(std::strlen(kTraceHeader));
    const int lines = M().ListingFill - start - header;
    EXPECT_GE(lines, kTraceLineLength);
    EXPECT_EQ(lines % kTraceLineLength, 0);
}

}  // namespace

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
