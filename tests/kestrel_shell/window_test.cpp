// kestrel as a program: start-up, the main window, the keypad, the menus and
// the run loop, on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "kestrel/board/ppi.h"
#include "kestrel/gui/platform.h"
#include "kestrel/gui/ui_support.h"
#include "kestrel/shell/board_view.h"
#include "kestrel/shell/command_line.h"
#include "kestrel/shell/emulator.h"
#include "kestrel/shell/host_keyboard.h"
#include "kestrel/shell/keypad_view.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/z80/cpu.h"
#include "tests/kestrel_shell/kestrel_program_fixture.h"

namespace kestrel {
namespace {

using platform::RecordedMessage;

// Each test runs in a scratch working directory with its own ROM file.
class Shell : public KestrelProgramFixture {
protected:

    // A left click at (x, y) of the keypad picture.
    void ClickKeypadAt(int x, int y) {
        QTest::mouseClick(W().Keypad(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    }

    // Runs the loop until `done` holds, tested between slices every
    // millisecond, or for at most 5 s: a fixed run time fails on a busy host.
    RunStatistics RunUntil(const std::function<bool()>& done) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &W(), [&] {
            if (done()) W().RequestQuit();
        });
        poll.start(1);
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &W(), [this] { W().RequestQuit(); });
        limit.start(5000);
        RunStatistics stats;
        emulator_->Run(&stats);
        return stats;
    }

};

void ExpectOneMessage(const char* title, const char* text) {
    std::vector<RecordedMessage> got = platform::TakeRecordedMessages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Title.toStdString(), title);
    EXPECT_EQ(got[0].Text.toStdString(), text);
}

// The start-up box of a missing or short ROM: the fixed text, then the
// folder looked in and the size needed (and, if short, what the file has).
void ExpectRomMessage(const char* title, const char* text, const char* has = nullptr) {
    QString expected = QString::fromLatin1(text) + "\nFolder looked in: " + QDir::currentPath() +
                       "\nExpected: the monitor ROM image, at least 4,096 bytes";
    if (has != nullptr) expected += QStringLiteral(" (this one has %1)").arg(QString::fromLatin1(has));
    ExpectOneMessage(title, qPrintable(expected));
}

bool AnyWindowVisible() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) return true;
    return false;
}

// --- start-up -------------------------------------------------------------------

TEST_F(Shell, StartupWithoutRomShowsFileNotFoundBeforeAnyWindow) {
    Emulator e;
    EXPECT_FALSE(e.Start());
    ExpectRomMessage("Fatal Error", "mpf1b_u6.rom - File not found!");
    EXPECT_FALSE(AnyWindowVisible());
}

TEST_F(Shell, FailedStartIsReportedWithStatusOneAndOnStandardError) {
    const QByteArray path = dir_.filePath(QStringLiteral("stderr.txt")).toLocal8Bit();
    std::fflush(stderr);
    const int saved = dup(2);
    const int file = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    dup2(file, 2);
    const int status = kestrel::RunKestrel();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(file);
    EXPECT_EQ(status, 1);
    ExpectRomMessage("Fatal Error", "mpf1b_u6.rom - File not found!");
    QFile written(QString::fromLocal8Bit(path));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(),
              "kestrel: Fatal Error: mpf1b_u6.rom - File not found!\nFolder looked in: " +
                  QDir::currentPath().toStdString() + "\nExpected: the monitor ROM image, at least 4,096 bytes\n");
}

TEST_F(Shell, StartupWithShortRomShowsIncorrectFileSize) {
    WriteRom({0x00}, 4095);
    Emulator e;
    EXPECT_FALSE(e.Start());
    ExpectRomMessage("Error", "mpf1b_u6.rom - Incorrect file size!", "4095");
    EXPECT_FALSE(AnyWindowVisible());
}

TEST_F(Shell, StartupWithEmptyRomOrFolderOfThatName) {
    WriteRom({}, 0);
    {
        Emulator e;
        EXPECT_FALSE(e.Start());
        ExpectRomMessage("Error", "mpf1b_u6.rom - Incorrect file size!", "0");
    }
    ASSERT_TRUE(QFile::remove(QStringLiteral("mpf1b_u6.rom")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("mpf1b_u6.rom")));
    Emulator e;
    EXPECT_FALSE(e.Start());
    ExpectRomMessage("Fatal Error", "mpf1b_u6.rom - File not found!");
}

TEST_F(Shell, StartupAcceptsA4096ByteRom) {
    WriteRom({0x3E, 0x5A}, 4096);
    Emulator e;
    EXPECT_TRUE(e.Start());
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
    EXPECT_EQ(e.Machine().MemoryImage[0x0000], 0x3E);
    EXPECT_EQ(e.Machine().MemoryImage[0x0001], 0x5A);
}

TEST_F(Shell, StartupTakesTheFirst4096BytesOfA8192ByteRom) {
    std::vector<uint8_t> rom(8192);
    for (size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    WriteRom(rom, 8192);
    emulator_ = std::make_unique<Emulator>();
    ASSERT_TRUE(emulator_->Start());
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
    EXPECT_EQ(std::memcmp(M().MemoryImage, rom.data(), 4096), 0);
    EXPECT_EQ(M().MemoryImage[0x1000], 0xFF);  // not the file's byte 4096 (0x10)
    EXPECT_EQ(M().MemoryImage[0x1FFF + 1], 0xFF);
}

TEST_F(Shell, MemoryMapAfterStartup) {
    // LD A,0x5A / LD (0x0000),A / LD (0x2000),A / LD (0x1800),A / LD (0x1000),A / HALT
    StartWith({0x3E, 0x5A, 0x32, 0x00, 0x00, 0x32, 0x00, 0x20, 0x32, 0x00, 0x18, 0x32, 0x00, 0x10, 0x76});
    EXPECT_EQ(M().MemoryImage[0x1000], 0xFF);
    EXPECT_EQ(M().MemoryImage[0x17FF], 0xFF);
    EXPECT_EQ(M().MemoryImage[0x2000], 0xFF);
    EXPECT_EQ(M().MemoryImage[0x8000], 0xFF);
    EXPECT_EQ(M().MemoryImage[0xFFFF], 0xFF);
    EXPECT_EQ(M().MemoryImage[0x1FE5], 0xFF);
    for (uint32_t a = 0; a < 0x10000; ++a)
        ASSERT_EQ(M().WriteEnableMap[a] != 0, a >= 0x1800 && a <= 0x1FFF) << std::hex << a;
    // The hard reset left the processor at 0x0000 with everything zero.
    EXPECT_EQ(M().Cpu.PC, 0x0000);
    EXPECT_EQ(M().Cpu.SP, 0x0000);
    EXPECT_EQ(M().Cpu.IFF, 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(M().KeyColumns[i], 0xFF);
    EXPECT_EQ(M().NumberBase, 0);
    EXPECT_EQ(M().TraceToFile, 0);
    EXPECT_EQ(M().BreakArmed, 0);
    const uint8_t digitX[6] = {226, 188, 140, 102, 64, 26};
    EXPECT_EQ(std::memcmp(M().DigitX, digitX, 6), 0);

    for (int i = 0; i < 5; ++i) ExecuteInstruction(M());
    EXPECT_EQ(M().MemoryImage[0x0000], 0x3E);  // ROM: refused
    EXPECT_EQ(M().MemoryImage[0x2000], 0xFF);  // nothing there
    EXPECT_EQ(M().MemoryImage[0x1000], 0xFF);
    EXPECT_EQ(M().MemoryImage[0x1800], 0x5A);  // RAM
}

TEST_F(Shell, HardResetFillsRamWithNoiseThatDiffersBetweenRuns) {
    StartWith({0x76});
    std::vector<uint8_t> first(M().MemoryImage + 0x1800, M().MemoryImage + 0x2000);
    int distinct = 0;
    bool seen[256] = {};
    for (uint8_t b : first) distinct += seen[b] ? 0 : (seen[b] = true, 1);
    EXPECT_GT(distinct, 200);  // 2,048 random bytes cover nearly every value
    Emulator second;
    ASSERT_TRUE(second.Start());
    EXPECT_NE(std::memcmp(first.data(), second.Machine().MemoryImage + 0x1800, 0x800), 0);
}

TEST_F(Shell, MainWindowLayout) {
    StartWith({0x76});
    EXPECT_EQ(W().windowTitle().toStdString(), "Kestrel MicroProfessor Emulator - Pre-release beta");
    EXPECT_EQ(W().size(), QSize(460, 680));
    EXPECT_EQ(W().minimumSize(), W().maximumSize());  // not resizable
    EXPECT_FALSE(W().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(W().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(W().windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(W().pos(), QPoint(50, 50));
    EXPECT_TRUE(W().isVisible());
    EXPECT_EQ(W().Board()->size(), QSize(460, 438));
    EXPECT_EQ(W().Board()->pos(), QPoint(0, 0));
    EXPECT_EQ(W().Keypad()->size(), QSize(460, 222));
    EXPECT_EQ(W().Keypad()->pos(), QPoint(0, 438));
    EXPECT_EQ(W().Board()->parentWidget()->mapTo(&W(), QPoint(0, 0)).y(), W().menuBar()->height());
    // Menu bar, board and keypad fill the 680 pixels: no strip under the keypad.
    EXPECT_EQ(W().Keypad()->mapTo(&W(), QPoint(0, 222)).y(), 680);
    for (QAction* menu : W().menuBar()->actions())
        EXPECT_LE(W().menuBar()->fontMetrics().height(), W().menuBar()->actionGeometry(menu).height());
    // The three fonts of the debugger and the memory tools.
    EXPECT_EQ(ToolFont(12, true).pointSize(), 12);
    EXPECT_TRUE(ToolFont(12, true).bold());
    EXPECT_TRUE(ToolFont(8, true).bold());
    EXPECT_FALSE(ToolFont(8, false).bold());
    EXPECT_TRUE(ToolFont(8, false).fixedPitch());
}

// --- keypad ---------------------------------------------------------------------

struct KeyCase {
    const char* Name;
    int X0, X1, Y0, Y1;
    int Code;
    int Pattern;
};

// Typed from the board's key table: rectangle, code, pattern.
const KeyCase kKeyTable[36] = {
    {"RESET", 25, 50, 28, 44, 10, 0x00},   {"MOVE", 74, 99, 28, 44, 5, 0xDF},
    {"INS", 123, 147, 28, 44, 5, 0xEF},    {"SBR", 171, 196, 28, 44, 5, 0xFE},
    {"PC", 220, 244, 28, 44, 4, 0xFD},     {"C", 268, 292, 28, 44, 3, 0xF7},
    {"D", 316, 340, 28, 44, 2, 0xF7},      {"E", 363, 387, 28, 44, 1, 0xF7},
    {"F", 411, 435, 28, 44, 0, 0xF7},      {"MONI", 25, 50, 77, 93, 20, 0x00},
    {"RELA", 74, 99, 77, 93, 4, 0xDF},     {"DEL", 123, 147, 77, 93, 4, 0xEF},
    {"CBR", 171, 196, 77, 93, 4, 0xFE},    {"REG", 220, 244, 77, 93, 4, 0xFB},
    {"8", 268, 292, 77, 93, 3, 0xFB},      {"9", 316, 340, 77, 93, 2, 0xFB},
    {"A", 363, 387, 77, 93, 1, 0xFB},      {"B", 411, 435, 77, 93, 0, 0xFB},
    {"INTR", 25, 50, 125, 141, 30, 0x00},  {"TAPE WR", 74, 99, 125, 141, 3, 0xDF},
    {"STEP", 123, 147, 125, 141, 2, 0xEF}, {"-", 171, 196, 125, 141, 5, 0xFD},
    {"DATA", 220, 244, 125, 141, 5, 0xFB}, {"4", 268, 292, 125, 141, 3, 0xFD},
    {"5", 316, 340, 125, 141, 2, 0xFD},    {"6", 363, 387, 125, 141, 1, 0xFD},
    {"7", 411, 435, 125, 141, 0, 0xFD},    {"USER KEY", 25, 50, 174, 190, 40, 0x00},
    {"TAPE RD", 74, 99, 174, 190, 2, 0xDF},{"GO", 123, 147, 174, 190, 3, 0xEF},
    {"+", 171, 196, 174, 190, 5, 0xF7},    {"ADDR", 220, 244, 174, 190, 4, 0xF7},
    {"0", 268, 292, 174, 190, 3, 0xFE},    {"1", 316, 340, 174, 190, 2, 0xFE},
    {"2", 363, 387, 174, 190, 1, 0xFE},    {"3", 411, 435, 174, 190, 0, 0xFE},
};

TEST_F(Shell, EveryMatrixKeyStoresItsPatternInItsColumn) {
    StartWith({0x76});
    for (const KeyCase& key : kKeyTable) {
        if (key.Code >= 10) continue;
        // Centre and the four corners of the rectangle all press the key.
        const QPoint points[] = {{(key.X0 + key.X1) / 2, (key.Y0 + key.Y1) / 2}, {key.X0, key.Y0},
                                 {key.X1, key.Y0}, {key.X0, key.Y1}, {key.X1, key.Y1}};
        for (QPoint p : points) {
            std::memset(M().KeyColumns, 0xFF, 6);
            ClickKeypadAt(p.x(), p.y());
            for (int c = 0; c < 6; ++c) {
                EXPECT_EQ(M().KeyColumns[c], c == key.Code ? key.Pattern : 0xFF)
                    << key.Name << " at (" << p.x() << ", " << p.y() << ") column " << c;
            }
        }
    }
}

TEST_F(Shell, ClicksBetweenKeysOrOutsideDoNothing) {
    StartWith({0x76});
    M().Cpu.PC = 0x0123;
    M().Cpu.IFF = 4;
    M().DigitSegments[0] = 0x55;
    const QPoint misses[] = {{60, 36},  {24, 36},  {51, 36},  {436, 36}, {37, 27},  {37, 45},
                             {37, 60},  {300, 60}, {320, 110}, {110, 150}, {330, 205}, {0, 36},
                             {200, 5},  {459, 221}, {258, 182}};
    for (QPoint p : misses) ClickKeypadAt(p.x(), p.y());
    for (int c = 0; c < 6; ++c) EXPECT_EQ(M().KeyColumns[c], 0xFF);
    EXPECT_EQ(M().Cpu.PC, 0x0123);
    EXPECT_FALSE(M().UserKeyPending);
    EXPECT_EQ(M().DigitSegments[0], 0x55);
    // Only left clicks count.
    QTest::mouseClick(W().Keypad(), Qt::RightButton, Qt::NoModifier, QPoint(328, 133));
    EXPECT_EQ(M().KeyColumns[2], 0xFF);
    // x below 1 in client coordinates is ignored even on a key's row.
    W().ClickKeypad(0, 438 + 36);
    EXPECT_EQ(W().MouseX(), 0);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(M().KeyColumns[c], 0xFF);
}

TEST_F(Shell, FiveKeyIsSeenByExactlyOnePortARead) {
    StartWith({0x76});
    ClickKeypadAt(328, 133);  // centre of "5"
    EXPECT_EQ(M().KeyColumns[2], 0xFD);
    EXPECT_EQ(W().MouseX(), 328);
    EXPECT_EQ(W().MouseY(), 438 + 133);
    M().PortCLatch = 0xFB;  // column 2 selected
    PortAccess(M(), 1, 0, 0x00, 0x00);
    EXPECT_EQ(M().IoData, 0xFD);
    EXPECT_EQ(M().KeyColumns[2], 0xFF);
    PortAccess(M(), 1, 0, 0x00, 0x00);
    EXPECT_EQ(M().IoData, 0xFF);
    // A second click on the same column before the read waits for that read:
    // neither is lost.
    ClickKeypadAt(328, 133);
    ClickKeypadAt(328, 182);  // "1", same column
    EXPECT_EQ(M().KeyColumns[2], 0xFD);
    for (uint8_t expected : {0xFD, 0xFE, 0xFF}) {
        PortAccess(M(), 1, 0, 0x00, 0x00);
        EXPECT_EQ(M().IoData, expected);
    }
}

TEST_F(Shell, ResetKeyResetsTheProcessorAndKeepsRam) {
    StartWith({0x76});
    M().MemoryImage[0x1900] = 0x42;
    M().Cpu.PC = 0x1234;
    M().Cpu.A = 0x99;
    M().DigitSegments[3] = 0xBD;
    M().KeyColumns[1] = 0xFB;
    ClickKeypadAt(37, 36);
    EXPECT_EQ(M().Cpu.PC, 0x0000);
    EXPECT_EQ(M().Cpu.A, 0x00);
    EXPECT_EQ(M().DigitSegments[3], 0x00);
    EXPECT_EQ(M().MemoryImage[0x1900], 0x42);
    EXPECT_EQ(M().KeyColumns[1], 0xFB);  // the keypad survives a reset
}

TEST_F(Shell, MoniWhileHaltedReturnsPastTheHalt) {
    StartWith({0x76});
    M().MemoryImage[0x1800] = 0x76;  // HALT in RAM
    M().Cpu.PC = 0x1800;
    M().Cpu.SP = 0x1F00;
    M().Cpu.IFF = 0;
    M().Cpu.IM = 1;
    ExecuteInstruction(M());
    ASSERT_TRUE(M().Cpu.Halted);
    std::memset(M().DigitSegments, 0xBD, 6);
    ClickKeypadAt(37, 85);  // MONI
    EXPECT_FALSE(M().Cpu.Halted);
    EXPECT_EQ(M().Cpu.PC, 0x0066);
    EXPECT_EQ(M().Cpu.SP, 0x1EFE);
    EXPECT_EQ(M().MemoryImage[0x1EFE], 0x01);
    EXPECT_EQ(M().MemoryImage[0x1EFF], 0x18);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(M().DigitSegments[i], 0);
    EXPECT_EQ(M().Cpu.IFF, 0);
    EXPECT_EQ(M().Cpu.IM, 1);
}

TEST_F(Shell, IntrIsLostWhileDisabledAndRightAfterEi) {
    // 0x0000: EI / NOP / NOP ...
    StartWith({0xFB, 0x00, 0x00, 0x00});
    M().Cpu.SP = 0x1F00;
    M().Cpu.IM = 1;
    // Disabled: nothing now, nothing later.
    ClickKeypadAt(37, 133);
    EXPECT_EQ(M().Cpu.PC, 0x0000);
    EXPECT_EQ(M().Cpu.SP, 0x1F00);
    ExecuteInstruction(M());  // EI
    ASSERT_EQ(M().Cpu.IFF, 4);
    // Right after EI: refused and forgotten.
    ClickKeypadAt(37, 133);
    EXPECT_EQ(M().Cpu.PC, 0x0001);
    EXPECT_EQ(M().Cpu.SP, 0x1F00);
    ExecuteInstruction(M());  // NOP
    EXPECT_EQ(M().Cpu.PC, 0x0002);
    // One instruction later: accepted.
    ClickKeypadAt(37, 133);
    EXPECT_EQ(M().Cpu.PC, 0x0038);
    EXPECT_EQ(M().Cpu.SP, 0x1EFE);
    EXPECT_EQ(M().MemoryImage[0x1EFE], 0x02);
    EXPECT_EQ(M().MemoryImage[0x1EFF], 0x00);
    EXPECT_EQ(M().Cpu.IFF, 4);
}

TEST_F(Shell, IntrLeavesHaltInModeTwo) {
    StartWith({0x76});
    M().MemoryImage[0x1234] = 0x76;
    M().MemoryImage[0x18FF] = 0x34;
    M().MemoryImage[0x1900] = 0x12;
    M().Cpu.PC = 0x1234;
    M().Cpu.SP = 0x1F00;
    M().Cpu.IFF = 4;
    M().Cpu.IM = 2;
    M().Cpu.I = 0x18;
    ExecuteInstruction(M());
    ASSERT_TRUE(M().Cpu.Halted);
    ClickKeypadAt(37, 133);
    EXPECT_FALSE(M().Cpu.Halted);
    EXPECT_EQ(M().Cpu.PC, 0x1234);  // through the vector at 0x18FF
    EXPECT_EQ(M().MemoryImage[0x1EFE], 0x35);
    EXPECT_EQ(M().MemoryImage[0x1EFF], 0x12);
}

TEST_F(Shell, UserKeyClearsBitSixOfTheNextColumnRead) {
    StartWith({0x76});
    ClickKeypadAt(37, 182);
    EXPECT_TRUE(M().UserKeyPending);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(M().KeyColumns[c], 0xFF);
    M().PortCLatch = 0xFE;  // column 0
    PortAccess(M(), 1, 0, 0x00, 0x00);
    EXPECT_EQ(M().IoData, 0xBF);
    EXPECT_FALSE(M().UserKeyPending);
    PortAccess(M(), 1, 0, 0x00, 0x00);
    EXPECT_EQ(M().IoData, 0xFF);
}

TEST_F(Shell, DoubleClickIsASecondPress) {
    StartWith({0x76});
    M().PortCLatch = 0xF7;  // column 3 selected
    // Two quick clicks on "0": a press, then the double-click event alone
    // (Qt sends no second press). Each is one key press seen by one read.
    // Both come before the program reads: the second waits its turn.
    ClickKeypadAt(280, 182);
    QTest::mouseDClick(W().Keypad(), Qt::LeftButton, Qt::NoModifier, QPoint(280, 182));
    EXPECT_EQ(M().KeyColumns[3], 0xFE);
    for (uint8_t expected : {0xFE, 0xFE, 0xFF}) {
        PortAccess(M(), 1, 0, 0x00, 0x00);
        EXPECT_EQ(M().IoData, expected);
    }
    QTest::mouseDClick(W().Keypad(), Qt::LeftButton, Qt::NoModifier, QPoint(280, 182));
    PortAccess(M(), 1, 0, 0x00, 0x00);
    EXPECT_EQ(M().IoData, 0xFE);
    PortAccess(M(), 1, 0, 0x00, 0x00);
    EXPECT_EQ(M().IoData, 0xFF);
    // A double click on RESET resets; one with the right button does nothing.
    M().Cpu.PC = 0x0100;
    QTest::mouseDClick(W().Keypad(), Qt::RightButton, Qt::NoModifier, QPoint(37, 36));
    EXPECT_EQ(M().Cpu.PC, 0x0100);
    QTest::mouseDClick(W().Keypad(), Qt::LeftButton, Qt::NoModifier, QPoint(37, 36));
    EXPECT_EQ(M().Cpu.PC, 0x0000);
}

// --- host keyboard ----------------------------------------------------------------

TEST(HostKeyboardMap, EveryKeypadKeyHasAHostKeyAndNoHostKeyIsMappedTwice) {
    std::set<int> hostKeys;
    for (const HostKey& host : kHostKeys) {
        EXPECT_LT(static_cast<int>(host.Keypad), kKeypadKeyCount) << host.Name;
        EXPECT_TRUE(hostKeys.insert(host.Key).second) << host.Name << " is mapped twice";
    }
    EXPECT_EQ(hostKeys.count(Qt::Key_Escape), 0u);  // Escape ends the program
    for (const KeyRect& key : kKeys) {
        int reached = 0;
        for (int host : hostKeys) reached += KeypadKeyForHostKey(host, Qt::NoModifier) == &key;
        EXPECT_GE(reached, 1) << key.Label;
    }
    // The hex keys are the host's digits and letters, number pad and Shift too.
    const KeyRect* five = KeypadKeyForHostKey(Qt::Key_5, Qt::KeypadModifier);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(WiringOf(five->Key).Column, 2);
    EXPECT_EQ(WiringOf(five->Key).Pattern, 0xFD);
    const KeyRect* a = KeypadKeyForHostKey(Qt::Key_A, Qt::ShiftModifier);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(WiringOf(a->Key).Column, 1);
    EXPECT_EQ(WiringOf(a->Key).Pattern, 0xFB);
    const KeyRect* go = KeypadKeyForHostKey(Qt::Key_Return, Qt::NoModifier);
    ASSERT_NE(go, nullptr);
    EXPECT_STREQ(go->Label, "GO");
    // With Ctrl, Alt or Meta a key clicks nothing; an unmapped key neither.
    EXPECT_EQ(KeypadKeyForHostKey(Qt::Key_5, Qt::ControlModifier), nullptr);
    EXPECT_EQ(KeypadKeyForHostKey(Qt::Key_F1, Qt::AltModifier), nullptr);
    EXPECT_EQ(KeypadKeyForHostKey(Qt::Key_G, Qt::NoModifier), nullptr);
}

// A key press as the window system delivers it, auto-repeated or not.
void SendKeyPress(QWidget* window, Qt::Key key, bool autoRepeat = false) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(window, &press);
}

TEST_F(Shell, WhenOnEachHostKeyPressIsOneClickOfItsKey) {
    StartWith({0x76});
    W().findChild<QAction*>(QStringLiteral("actionKeyboardDrivesKeypad"))->trigger();
    ASSERT_TRUE(W().KeyboardDrivesKeypad());
    M().PortCLatch = 0xFB;  // column 2 selected
    SendKeyPress(&W(), Qt::Key_5);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(M().KeyColumns[c], c == 2 ? 0xFD : 0xFF) << c;
    PortAccess(M(), 1, 0, 0x00, 0x00);
    EXPECT_EQ(M().IoData, 0xFD);
    // The held key repeats: each repeat is one more press.
    for (int i = 0; i < 2; ++i) {
        SendKeyPress(&W(), Qt::Key_5, true);
        PortAccess(M(), 1, 0, 0x00, 0x00);
        EXPECT_EQ(M().IoData, 0xFD) << "repeat " << i;
        PortAccess(M(), 1, 0, 0x00, 0x00);
        EXPECT_EQ(M().IoData, 0xFF) << "repeat " << i;
    }
    // The keys past the matrix do what their clicks do.
    SendKeyPress(&W(), Qt::Key_F1);  // ADDR
    EXPECT_EQ(M().KeyColumns[4], 0xF7);
    SendKeyPress(&W(), Qt::Key_F12);  // USER KEY
    EXPECT_TRUE(M().UserKeyPending);
    M().Cpu.PC = 0x0100;
    SendKeyPress(&W(), Qt::Key_Home);  // RESET
    EXPECT_EQ(M().Cpu.PC, 0x0000);
    EXPECT_EQ(W().QuitRequested(), 0);
    SendKeyPress(&W(), Qt::Key_Escape);
    EXPECT_EQ(W().QuitRequested(), 1);
}

TEST_F(Shell, WhenOffEveryMappedKeyIsIgnored) {
    StartWith({0x76});
    ASSERT_FALSE(W().KeyboardDrivesKeypad());
    M().Cpu.PC = 0x0100;
    for (const HostKey& host : kHostKeys) SendKeyPress(&W(), static_cast<Qt::Key>(host.Key));
    for (int c = 0; c < 6; ++c) EXPECT_EQ(M().KeyColumns[c], 0xFF);
    EXPECT_FALSE(M().UserKeyPending);
    EXPECT_EQ(M().Cpu.PC, 0x0100);
    EXPECT_EQ(W().QuitRequested(), 0);
}

TEST_F(Shell, KeyboardChoiceIsRememberedAndTheOptionIsNot) {
    StartWith({0x76});
    QAction* item = W().findChild<QAction*>(QStringLiteral("actionKeyboardDrivesKeypad"));
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    StartWith({0x76});  // the next run
    EXPECT_TRUE(W().KeyboardDrivesKeypad());
    EXPECT_TRUE(W().findChild<QAction*>(QStringLiteral("actionKeyboardDrivesKeypad"))->isChecked());
    W().findChild<QAction*>(QStringLiteral("actionKeyboardDrivesKeypad"))->trigger();
    StartWith({0x76});
    EXPECT_FALSE(W().KeyboardDrivesKeypad());
    // --keyboard turns it on for one run only.
    EXPECT_TRUE(ParseCommandLine({"kestrel", "--keyboard"}).Keyboard);
    EXPECT_FALSE(ParseCommandLine({"kestrel"}).Keyboard);
    W().SetKeyboardDrivesKeypad(true, false);
    EXPECT_TRUE(W().findChild<QAction*>(QStringLiteral("actionKeyboardDrivesKeypad"))->isChecked());
    StartWith({0x76});
    EXPECT_FALSE(W().KeyboardDrivesKeypad());
}

TEST_F(Shell, KeyboardMapShowsTheKeypadWithItsHostKeysWhole) {
    StartWith({0x76});
    QString title, text;
    bool whole = false;
    QTimer::singleShot(0, &W(), [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        auto* label = dialog->findChild<QLabel*>(QStringLiteral("keyboardMapText"));
        ASSERT_NE(label, nullptr);
        text = label->text();
        whole = label->width() >= label->sizeHint().width() && label->height() >= label->sizeHint().height();
        dialog->close();
    });
    W().findChild<QAction*>(QStringLiteral("actionKeyboardMap"))->trigger();
    EXPECT_EQ(title.toStdString(), "Kestrel - Keyboard map");
    EXPECT_TRUE(whole);
    // Keys in the keypad's order, each with its host keys.
    const qsizetype reset = text.indexOf(QStringLiteral("<b>RESET</b><br>Home</td>"));
    const qsizetype addr = text.indexOf(QStringLiteral("<b>ADDR</b><br>F1</td>"));
    const qsizetype plus = text.indexOf(QStringLiteral("<b>+</b><br>+<br>=<br>Down</td>"));
    EXPECT_GE(reset, 0);
    EXPECT_GT(plus, reset);
    EXPECT_GT(addr, plus);
    EXPECT_TRUE(text.contains(QStringLiteral("<b>TAPE WR</b><br>F10</td>")));
    EXPECT_EQ(text.count(QStringLiteral("<tr>")), 4);
    EXPECT_EQ(text.count(QStringLiteral("<td")), 36);
}

// --- menus ------------------------------------------------------------------------

TEST_F(Shell, MenuBarHasEveryItemWithItsIdentifier) {
    StartWith({0x76});
    struct Item {
        const char* Text;  // "-" for a separator
        int Id;
    };
    const std::vector<std::pair<const char*, std::vector<Item>>> expected = {
        {"File",
         {{"Load Bin/Rom", 3}, {"Load HEX file", 40}, {"Reload", 41}, {"Load symbols", 46}, {"Save Bin/Rom", 4},
          {"-", 0}, {"Save state...", 60}, {"Load state...", 61}, {"Quick save state", 62},
          {"Quick restore state", 63},
          {"-", 0}, {"Exit", 5}}},
        {"Emulation",
         {{"Hard Reset", 6}, {"-", 0}, {"Write Protect ROM", 18}, {"-", 0}, {"Real-time speed", 50},
          {"Keyboard drives keypad", 44}, {"-", 0}, {"Keep machine between runs", 64}}},
        {"Tools",
         {{"Disassemble to file", 25}, {"-", 0}, {"Debugger", 26}, {"-", 0}, {"PEEK Memory", 28},
          {"POKE Memory", 29}}},
        {"Help", {{"Help Topics", 30}, {"Keyboard map", 45}, {"Debugger keys", 47}, {"About", 31}}},
    };
    QList<QAction*> menus = W().menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(menus[i]->text().toStdString(), expected[i].first);
        QList<QAction*> items = menus[i]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[i].second.size())) << expected[i].first;
        for (qsizetype j = 0; j < items.size(); ++j) {
            const Item& want = expected[i].second[static_cast<size_t>(j)];
            if (std::strcmp(want.Text, "-") == 0) {
                EXPECT_TRUE(items[j]->isSeparator()) << expected[i].first << " item " << j;
            } else {
                EXPECT_EQ(items[j]->text().toStdString(), want.Text);
                EXPECT_EQ(items[j]->data().toInt(), want.Id) << want.Text;
                EXPECT_EQ(items[j]->isCheckable(), want.Id == 18 || want.Id == 50 || want.Id == 44 || want.Id == 64)
                    << want.Text;
                EXPECT_EQ(W().MenuAction(want.Id), items[j]);
            }
        }
    }
}

TEST_F(Shell, WriteProtectRomTogglesOnlyItsCheckMark) {
    // LD A,0x77 / LD (0x0010),A / JR -5
    StartWith({0x3E, 0x77, 0x32, 0x10, 0x00, 0x18, 0xF9});
    QAction* item = W().findChild<QAction*>(QStringLiteral("actionWriteProtectRom"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(M().WriteProtectRom);
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(M().WriteProtectRom);
    for (int i = 0; i < 3; ++i) ExecuteInstruction(M());
    EXPECT_EQ(M().MemoryImage[0x0010], 0xFF);  // the ROM stays read-only
    EXPECT_EQ(M().WriteEnableMap[0x0010], 0);
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(M().WriteProtectRom);
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
}

TEST_F(Shell, HelpTopicsIsNotInstalled) {
    StartWith({0x76});
    W().findChild<QAction*>(QStringLiteral("actionHelpTopics"))->trigger();
    ExpectOneMessage("Info", "MenuItem: 30 is not currently installed.");
}

TEST_F(Shell, AboutAndTheVersionOptionGiveOneVersion) {
    StartWith({0x76});
    W().findChild<QAction*>(QStringLiteral("actionAbout"))->trigger();
    std::vector<RecordedMessage> got = platform::TakeRecordedMessages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Title.toStdString(), "About");
    EXPECT_EQ(got[0].Text.toStdString(), "Kestrel, version 0.01");
    EXPECT_EQ(ParseCommandLine({"kestrel", "--version"}).Output.toStdString(), "kestrel 0.01\n");
}

TEST_F(Shell, HardResetRefillsRamAndKeepsRom) {
    StartWith({0xC3, 0x00, 0x01});
    std::memset(M().MemoryImage + 0x1800, 0x00, 0x800);
    M().Cpu.PC = 0x0456;
    W().findChild<QAction*>(QStringLiteral("actionHardReset"))->trigger();
    EXPECT_EQ(M().Cpu.PC, 0x0000);
    EXPECT_EQ(M().MemoryImage[0x1FE5], 0xFF);
    int nonZero = 0;
    for (int a = 0x1800; a < 0x2000; ++a) nonZero += M().MemoryImage[a] != 0;
    EXPECT_GT(nonZero, 1900);
    EXPECT_EQ(M().MemoryImage[0x0000], 0xC3);
}

// --- run loop -------------------------------------------------------------------

TEST_F(Shell, EscapeEndsTheLoopOtherKeysDoNot) {
    StartWith({0x18, 0xFE});  // JR $
    bool quitAfterOtherKey = true;
    QTimer::singleShot(20, &W(), [&] {
        QTest::keyClick(&W(), Qt::Key_A);
        QTest::keyClick(&W(), Qt::Key_Return);
        quitAfterOtherKey = W().QuitRequested() != 0;
        QTimer::singleShot(20, &W(), [&] { QTest::keyClick(&W(), Qt::Key_Escape); });
    });
    RunStatistics stats;
    emulator_->Run(&stats);
    EXPECT_FALSE(quitAfterOtherKey);
    EXPECT_EQ(W().QuitRequested(), 1);
    EXPECT_GT(stats.Instructions, 1000u);
    EXPECT_EQ(M().Cpu.PC, 0x0000);
}

TEST_F(Shell, CloseButtonAndExitEndTheLoop) {
    StartWith({0x18, 0xFE});
    QTimer::singleShot(10, &W(), [&] { W().close(); });
    emulator_->Run();
    EXPECT_EQ(W().QuitRequested(), 1);
    W().CancelQuit();
    QTimer::singleShot(10, &W(), [&] { W().findChild<QAction*>(QStringLiteral("actionExit"))->trigger(); });
    emulator_->Run();
    EXPECT_EQ(W().QuitRequested(), 1);
}

TEST_F(Shell, TheInstructionOfThePassThatQuitsStillRuns) {
    // INC A forever: A counts the passes exactly.
    std::vector<uint8_t> rom(4096, 0x3C);
    StartWith(rom);
    QTimer::singleShot(0, &W(), [&] { W().RequestQuit(); });
    RunStatistics stats;
    emulator_->Run(&stats);
    EXPECT_EQ(stats.Instructions, 1u);
    EXPECT_EQ(M().Cpu.A, 1);
    EXPECT_EQ(M().Cpu.PC, 1);
}

TEST_F(Shell, EveryPassExecutesOneInstruction) {
    // LD BC,0 / loop: INC BC / JR loop  -> BC counts half the passes after the first.
    StartWith({0x01, 0x00, 0x00, 0x03, 0x18, 0xFD});
    RunStatistics stats = RunUntil([this] { return GetBC(M().Cpu) > 1000; });
    uint32_t bc = GetBC(M().Cpu);
    uint64_t afterFirst = stats.Instructions - 1;
    // The JR/INC pairs: BC (mod 65,536) = number of INCs executed.
    EXPECT_EQ(bc, static_cast<uint32_t>(((afterFirst + 1) / 2) & 0xFFFF));
    EXPECT_GE(stats.Polls, 2u);
}

TEST_F(Shell, HookAt02E1BlanksTheDisplay) {
    // 0x0000: JP 0x02E0; 0x02E0: NOP; 0x02E1: JR $
    std::vector<uint8_t> rom(0x2E3, 0x00);
    rom[0] = 0xC3;
    rom[1] = 0xE0;
    rom[2] = 0x02;
    rom[0x2E1] = 0x18;
    rom[0x2E2] = 0xFE;
    StartWith(rom);
    std::memset(M().DigitSegments, 0xBD, 6);
    W().Board()->Refresh();
    W().Board()->PresentLatest();
    ASSERT_EQ(W().Board()->PresentedSnapshot().Digits[2], 0xBD);
    RunUntil([this] { return M().Cpu.PC == 0x02E1; });
    for (int i = 0; i < 6; ++i) EXPECT_EQ(M().DigitSegments[i], 0);
    W().Board()->PresentLatest();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(W().Board()->PresentedSnapshot().Digits[i], 0);
}

TEST_F(Shell, HookAt05E4Beeps40Milliseconds) {
    // 0x0000: JP 0x05E3; 0x05E3: NOP; 0x05E4: JP 0x0100; 0x0100: JR $
    std::vector<uint8_t> rom(0x5E7, 0x00);
    rom[0] = 0xC3;
    rom[1] = 0xE3;
    rom[2] = 0x05;
    rom[0x100] = 0x18;
    rom[0x101] = 0xFE;
    rom[0x5E4] = 0xC3;
    rom[0x5E5] = 0x00;
    rom[0x5E6] = 0x01;
    StartWith(rom);
    int before = platform::BeepCount();
    auto start = std::chrono::steady_clock::now();
    RunUntil([this] { return M().Cpu.PC == 0x0100; });
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(platform::BeepCount(), before + 1);
    EXPECT_GE(took, std::chrono::milliseconds(40));
}

TEST_F(Shell, EnteringHaltRefreshesWithTheHaltLamp) {
    StartWith({0x00, 0x00, 0x76});  // NOP / NOP / HALT
    W().Board()->PresentLatest();
    EXPECT_FALSE(W().Board()->PresentedSnapshot().Halted);
    RunUntil([this] { return M().Cpu.Halted != 0; });
    EXPECT_TRUE(M().Cpu.Halted);
    EXPECT_EQ(M().Cpu.PC, 0x0002);
    W().Board()->PresentLatest();
    EXPECT_TRUE(W().Board()->PresentedSnapshot().Halted);
    // The composed frame carries the red lamp.
    const uint8_t* lamp = W().Board()->Frame().At(278 + 6, 391 + 5);
    EXPECT_GT(lamp[0], 200);
    EXPECT_LT(lamp[1], 100);
}

TEST_F(Shell, PortWritesReachTheBoardViewAtScreenRate) {
    // LD A,0x01 / OUT (2),A / LD A,0xBD / OUT (1),A / LD A,0x7F / OUT (2),A / JR $
    StartWith({0x3E, 0x01, 0xD3, 0x02, 0x3E, 0xBD, 0xD3, 0x01, 0x3E, 0x7F, 0xD3, 0x02, 0x18, 0xFE});
    // Until the board view has presented the digit and has nothing pending.
    RunUntil([this] { return W().Board()->PresentedSnapshot().Digits[0] == 0xBD && !W().Board()->RefreshPending(); });
    const DisplaySnapshot& shown = W().Board()->PresentedSnapshot();
    EXPECT_EQ(shown.Digits[0], 0xBD);
    EXPECT_TRUE(shown.ToneLit);
    EXPECT_FALSE(W().Board()->RefreshPending());
}

}  // namespace
}  // namespace kestrel

namespace kestrel {
namespace {

// --- the beep ------------------------------------------------------------------

TEST(PlatformBeep, TakesItsDurationWithAndWithoutAnAudioDevice) {
    using Clock = std::chrono::steady_clock;
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    // No device: SDL has no driver of that name.
    platform::ShutdownAudio();
    qputenv("SDL_AUDIODRIVER", "kestrel-no-such-driver");
    platform::InitAudio();
    EXPECT_FALSE(platform::AudioAvailable());
    int before = platform::BeepCount();
    auto start = Clock::now();
    platform::Beep(1000, 40);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(40));
    EXPECT_EQ(platform::BeepCount(), before + 1);
    // SDL's dummy output stands in for a sound card.
    platform::ShutdownAudio();
    qputenv("SDL_AUDIODRIVER", "dummy");
    platform::InitAudio();
    EXPECT_TRUE(platform::AudioAvailable());
    start = Clock::now();
    platform::Beep(1000, 40);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(40));
    platform::ShutdownAudio();
    if (driver.isNull()) qunsetenv("SDL_AUDIODRIVER");
    else qputenv("SDL_AUDIODRIVER", driver);
}

TEST(PlatformMessages, RecordedBoxesAndFileNamesAnswerOnce) {
    platform::RecordMessages(true);
    platform::ShowMessage(nullptr, QStringLiteral("Info"), QStringLiteral("one"));
    platform::ShowMessage(nullptr, QStringLiteral("Error"), QStringLiteral("two"));
    std::vector<RecordedMessage> got = platform::TakeRecordedMessages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].Title.toStdString(), "Error");
    EXPECT_EQ(got[1].Text.toStdString(), "two");
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
    platform::RecordMessages(false);
    platform::SetNextFileName(QStringLiteral("image.bin"));
    EXPECT_EQ(platform::OpenFileName(nullptr, QStringLiteral("Load"), QString(), QString()).toStdString(),
              "image.bin");
    platform::SetNextFileName(QString());
    EXPECT_TRUE(platform::SaveFileName(nullptr, QStringLiteral("Save"), QString(), QString()).isEmpty());
    EXPECT_EQ(platform::WindowTitle(QStringLiteral("Debugger")).toStdString(), "Kestrel - Debugger");
}

}  // namespace
}  // namespace kestrel
