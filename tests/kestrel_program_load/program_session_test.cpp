// kestrel's "Load HEX file" and "Reload" items, --go and --watch, on the
// offscreen platform with every message box recorded.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <cstring>
#include <memory>

#include "kestrel/shell/command_line.h"
#include "kestrel/shell/load_options.h"
#include "kestrel/shell/program_session.h"
#include "kestrel/z80/cpu.h"
#include "tests/kestrel_shell/kestrel_program_fixture.h"

namespace kestrel {
namespace {

class ProgramSessionTest : public KestrelProgramFixture {
protected:
    // A ROM that loops at 0000h: JR $.
    void Start() { StartWith({0x18, 0xFE}); }

    QString Write(const char* name, const QByteArray& content) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    }
    QAction* Item(const char* name) { return W().findChild<QAction*>(QString::fromLatin1(name)); }
    ProgramSource Hex(const QString& path) {
        return {ProgramSource::Kind::Hex, QFile::encodeName(path).toStdString(), 0, 0};
    }
};

TEST_F(ProgramSessionTest, LoadOptionRefusesARawImageRunningPastFFFFh) {
    const QString argument = Write("top.bin", QByteArray(8, '\x11')) + QStringLiteral("@FFF8");
    const CommandLine fits = ParseCommandLine({"kestrel", "--load", argument});
    EXPECT_FALSE(fits.Exit) << fits.Errors.toStdString();
    Write("top.bin", QByteArray(9, '\x11'));
    const CommandLine past = ParseCommandLine({"kestrel", "--load", argument});
    EXPECT_TRUE(past.Exit);
    EXPECT_EQ(past.ExitStatus, 2);
    EXPECT_TRUE(past.Errors.contains(QStringLiteral("9 bytes at FFF8h run past the end of memory at FFFFh: address 10000h does not fit")))
        << past.Errors.toStdString();
}

TEST_F(ProgramSessionTest, SymbolsComeNamedOrBesideTheHexFileAndABadNamedFileEndsWithStatus2) {
    const QString hex = Write("prog.hex", ":011800007671\n:00000001FF\n");
    Write("prog.sym", "loop\t\tEQU 01805H\n");
    const CommandLine beside = ParseCommandLine({"kestrel", "--load", hex});
    ASSERT_FALSE(beside.Exit) << beside.Errors.toStdString();
    uint16_t value = 0;
    ASSERT_TRUE(beside.Load.symbols.has_value());
    EXPECT_TRUE(beside.Load.symbols->Find("loop", value));
    EXPECT_EQ(value, 0x1805);
    const QString bad = Write("bad.lbl", "loop:\tequ $1805\nthis is not one\n");
    const CommandLine named = ParseCommandLine({"kestrel", "--load", hex, "--symbols", bad});
    EXPECT_TRUE(named.Exit);
    EXPECT_EQ(named.ExitStatus, 2);
    EXPECT_TRUE(named.Errors.contains(QStringLiteral("bad.lbl, line 2: "))) << named.Errors.toStdString();
}

// The file named by --load is read once, when the command line is checked:
// what is loaded is what was checked, even if the file changes in between.
TEST_F(ProgramSessionTest, LoadOptionLoadsTheFileAsTheCommandLineReadIt) {
    struct Case {
        const char* name;
        QByteArray checked, changed;
        const char* suffix;
    };
    const Case cases[] = {{"prog.hex", ":0118000011D6\n:00000001FF\n", ":0118000022C5\n:00000001FF\n", ""},
                          {"prog.bin", "\x11", "\x22", "@1800"}};
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine({"kestrel", "--load", Write(c.name, c.checked) + c.suffix});
        ASSERT_FALSE(line.Exit) << line.Errors.toStdString();
        Write(c.name, c.changed);
        Start();
        ApplyLoadOptions(W().Programs(), line.Load);
        EXPECT_EQ(M().MemoryImage[0x1800], 0x11) << c.name;
    }
}

TEST_F(ProgramSessionTest, LoadHexSitsAfterLoadBinAndReloadIsGreyedUntilALoad) {
    Start();
    const QList<QAction*> file = W().findChild<QMenu*>(QStringLiteral("menuFile"))->actions();
    ASSERT_GE(file.size(), 3);
    EXPECT_EQ(file[0]->objectName(), QStringLiteral("actionLoadBin"));
    EXPECT_EQ(file[1]->text(), QStringLiteral("Load HEX file"));
    EXPECT_EQ(file[2]->text(), QStringLiteral("Reload"));
    EXPECT_EQ(file[2]->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_FALSE(Item("actionReload")->isEnabled());

    platform::SetNextFileName(Write("prog.hex", ":021800001122B3\n:00000001FF\n"));
    Item("actionLoadHex")->trigger();
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
    EXPECT_EQ(M().MemoryImage[0x1801], 0x22);
    EXPECT_TRUE(Item("actionReload")->isEnabled());

    // Reload reads the file again: a changed byte comes back.
    M().MemoryImage[0x1801] = 0;
    W().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
    QTest::keyClick(&W(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(M().MemoryImage[0x1801], 0x22);
}

TEST_F(ProgramSessionTest, ABadHexFileGetsABoxNamingLineAndFaultAndChangesNothing) {
    Start();
    auto before = std::make_unique<MachineRecord>(M());
    platform::SetNextFileName(Write("bad.hex", ":02000000F3C348\n:0118000076\n:00000001FF\n"));
    Item("actionLoadHex")->trigger();
    const auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, QStringLiteral("Load HEX"));
    EXPECT_EQ(messages[0].Text, QStringLiteral("line 2: the record length is 01h but it carries 0 data bytes"));
    EXPECT_EQ(std::memcmp(before.get(), &M(), sizeof(MachineRecord)), 0);
    EXPECT_FALSE(Item("actionReload")->isEnabled());
}

TEST_F(ProgramSessionTest, GoStartsTheProgramOverTheMonitorAndReloadRestartsIt) {
    Start();
    LoadOptions options;
    options.source = Hex(Write("prog.hex", ":011800007671\n:00000001FF\n"));  // 1800h: HALT
    options.go = 0x1800;
    ApplyLoadOptions(W().Programs(), options);
    EXPECT_EQ(M().Cpu.PC, 0x1800);
    EXPECT_EQ(M().MemoryImage[0x1800], 0x76);

    ExecuteInstruction(M());
    EXPECT_TRUE(M().Cpu.Halted);
    Item("actionReload")->trigger();
    EXPECT_FALSE(M().Cpu.Halted);
    EXPECT_EQ(M().Cpu.PC, 0x1800);
}

TEST_F(ProgramSessionTest, WatchLoadsAChangedFileOnlyOnceItHasStoppedChanging) {
    Start();
    LoadOptions options;
    options.source = ProgramSource{ProgramSource::Kind::Bin,
                                   QFile::encodeName(Write("prog.bin", "\x11")).toStdString(), 0x1800, 0};
    options.go = 0x1800;
    options.watch = true;
    ApplyLoadOptions(W().Programs(), options);
    W().Programs().SetStableInterval(600);
    ASSERT_EQ(M().MemoryImage[0x1800], 0x11);

    // The file grows a byte every 50 ms: never two equal reads in a row.
    QFile file(dir_.filePath(QStringLiteral("prog.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (int i = 0; i < 12; ++i) {
        file.write("\x22", 1);
        file.flush();
        QTest::qWait(50);
        ASSERT_EQ(W().Programs().WatchLoads(), 0) << "loaded while still being written";
    }
    file.close();
    QTRY_COMPARE_WITH_TIMEOUT(W().Programs().WatchLoads(), 1, 10000);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(M().MemoryImage[0x1800 + i], 0x22);
    EXPECT_EQ(M().Cpu.PC, 0x1800);
}

}  // namespace
}  // namespace kestrel
