// The range dialog and the "Load Bin/Rom" / "Save Bin/Rom" actions, driven
// through the real widgets with the platform layer's test hooks standing in
// for the file choosers and message boxes.
#include "kestrel/gui/memory_range_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>

#include "kestrel/gui/platform.h"
#include "tests/kestrel_debugger_ui/qt_test_support.h"

using kestrel::MemoryRangeDialog;
using kestrel::testing::WhenModal;
namespace platform = kestrel::platform;

namespace {

QRect At(int x, int y, int w, int h) { return QRect(x, y, w, h); }

QWidget* LabelWithText(QWidget* parent, const QString& text) {
    for (auto* label : parent->findChildren<QLabel*>())
        if (label->text() == text) return label;
    return nullptr;
}

TEST(RangeDialog, TitleSizeAndElementsInPlace) {
    MemoryRangeDialog d(MemoryRangeDialog::Mode::Load);
    EXPECT_EQ(d.windowTitle(), "Kestrel - Load/Save BIN file");
    EXPECT_EQ(d.size(), QSize(240, 125));
    EXPECT_EQ(d.pos(), QPoint(680, 110));
    EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint);
    ASSERT_NE(LabelWithText(&d, "Base Address"), nullptr);
    EXPECT_EQ(LabelWithText(&d, "Base Address")->geometry(), At(20, 8, 80, 20));
    EXPECT_EQ(LabelWithText(&d, "Byte Count")->geometry(), At(140, 8, 80, 20));
    EXPECT_EQ(d.BaseField()->geometry(), At(20, 25, 80, 20));
    EXPECT_EQ(d.CountField()->geometry(), At(140, 25, 80, 20));
    EXPECT_EQ(d.U6Button()->geometry(), At(15, 58, 60, 25));
    EXPECT_EQ(d.MoreButton()->geometry(), At(15, 88, 60, 25));
    EXPECT_EQ(d.CancelButton()->geometry(), At(90, 88, 60, 25));
    EXPECT_EQ(d.OkButton()->geometry(), At(165, 88, 60, 25));
    EXPECT_EQ(d.U6Button()->text(), "u6");
    EXPECT_EQ(d.MoreButton()->text(), "...");
    EXPECT_EQ(d.BaseField()->text(), "0");
    EXPECT_EQ(d.CountField()->text(), "0");
    kestrel::testing::ExpectTextsWhole(&d, 1);
}

TEST(RangeDialog, TypedDigitsBecomeTheValuesAndLettersAreRefused) {
    MemoryRangeDialog d(MemoryRangeDialog::Mode::Load);
    d.show();
    d.BaseField()->clear();
    QTest::keyClicks(d.BaseField(), "61g44");
    EXPECT_EQ(d.BaseField()->text(), "6144");
    EXPECT_EQ(d.BaseAddress(), 6144);
    d.CountField()->clear();
    QTest::keyClicks(d.CountField(), "65535");
    EXPECT_EQ(d.ByteCount(), 65535);
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST(RangeDialog, MarkedHexIsReadOnOkAndOtherTextIsRefusedWithTheReason) {
    platform::RecordMessages(true);
    MemoryRangeDialog d(MemoryRangeDialog::Mode::Load);
    d.show();
    EXPECT_EQ(d.BaseField()->toolTip(), "Decimal (6144), or hexadecimal written 1800h, 0x1800 or $1800");
    EXPECT_EQ(d.CountField()->toolTip(), d.BaseField()->toolTip());
    d.BaseField()->clear();
    QTest::keyClicks(d.BaseField(), "1A00");
    EXPECT_EQ(d.BaseField()->text(), "1A00");  // kept while it is typed
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Kestrel - Load/Save BIN file");
    EXPECT_TRUE(messages[0].Text.startsWith("Base Address: \"1A00\" is not a decimal number"));
    QTest::keyClicks(d.BaseField(), "h");
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.BaseAddress(), 0x1A00);
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
    platform::RecordMessages(false);
}

TEST(RangeDialog, OutOfRangeEmptiesTheFieldAndOkTakesZero) {
    MemoryRangeDialog d(MemoryRangeDialog::Mode::Load);
    d.show();
    d.BaseField()->clear();
    QTest::keyClicks(d.BaseField(), "7000");
    EXPECT_EQ(d.BaseAddress(), 7000);
    QTest::keyClicks(d.BaseField(), "0");  // 70000
    EXPECT_EQ(d.BaseField()->text(), "");
    EXPECT_EQ(d.BaseAddress(), 0);
    d.CountField()->setText("65536");
    EXPECT_EQ(d.CountField()->text(), "");
    EXPECT_EQ(d.ByteCount(), 0);
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible());
}

TEST(RangeDialog, SaveModeRefusesOkWithCountZero) {
    MemoryRangeDialog d(MemoryRangeDialog::Mode::Save);
    d.show();
    d.BaseField()->setText("6144");
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    d.CountField()->setText("1");
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.BaseAddress(), 6144);
    EXPECT_EQ(d.ByteCount(), 1);
}

TEST(RangeDialog, LoadModeAcceptsCountZero) {
    MemoryRangeDialog d(MemoryRangeDialog::Mode::Load);
    d.show();
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.ByteCount(), 0);
}

TEST(RangeDialog, BothPresetsGiveTheMonitorRange) {
    for (int which = 0; which < 2; ++which) {
        MemoryRangeDialog d(MemoryRangeDialog::Mode::Save);
        d.show();
        d.BaseField()->setText("123");
        d.CountField()->setText("9");
        QTest::mouseClick(which == 0 ? d.U6Button() : d.MoreButton(), Qt::LeftButton);
        EXPECT_EQ(d.BaseField()->text(), "0");
        EXPECT_EQ(d.CountField()->text(), "4096");
        EXPECT_EQ(d.BaseAddress(), 0);
        EXPECT_EQ(d.ByteCount(), 4096);
        EXPECT_TRUE(d.isVisible());
    }
}

TEST(RangeDialog, CancelAbandonsAndEscapeDoesNothing) {
    MemoryRangeDialog d(MemoryRangeDialog::Mode::Load);
    d.show();
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    d.close();  // a close request from the window system
    EXPECT_TRUE(d.isVisible());
    QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST(FileChooser, FilterInQtFormStartingInTheRunFolder) {
    EXPECT_EQ(kestrel::QtFileFilter(kestrel::kImageFileFilter),
              "All supported files (*.bin *.scr *.rom)");
    EXPECT_EQ(kestrel::QtFileFilter("Text|*.txt"), "Text (*.txt)");
    EXPECT_EQ(kestrel::ImageFileStartDirectory(), QDir::currentPath());
    EXPECT_STREQ(kestrel::kLoadFileTitle, "Load BIN file");
    EXPECT_STREQ(kestrel::kSaveFileTitle, "Save BIN file");
}

TEST(FileChooser, OffersAllFilesReopensInTheLastFolderAndSitsOverTheWindow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir("images");
    QWidget window;
    window.setGeometry(170, 20, 460, 560);
    window.show();
    platform::SetNextFileName(dir.filePath("images/ram.dat"));
    EXPECT_EQ(platform::OpenFileName(&window, "Load BIN file", "Any (*.bin)", QDir::homePath()),
              dir.filePath("images/ram.dat"));

    const QString filter = kestrel::QtFileFilter(kestrel::kImageFileFilter);
    for (bool save : {false, true}) {
        auto chooser = platform::MakeFileChooser(&window, "Save BIN file", filter, QDir::homePath(), save);
        EXPECT_EQ(chooser->nameFilters(), (QStringList{filter, "All files (*)"}));
        EXPECT_EQ(chooser->selectedNameFilter(), filter);
        EXPECT_EQ(QFileInfo(chooser->directory().absolutePath()).canonicalFilePath(),
                  QFileInfo(dir.filePath("images")).canonicalFilePath());
        // Qt's own overwrite question would ask about the name before the
        // extension is added; the save action asks about the final name.
        EXPECT_EQ(chooser->testOption(QFileDialog::DontConfirmOverwrite), save);
        chooser->show();
        const QPoint offset = chooser->frameGeometry().center() - window.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
        EXPECT_GE(chooser->width(), platform::kChooserWidth);
    }
}

// --- the two actions ---------------------------------------------------------

class FileActions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        m_ = std::make_unique<kestrel::MachineRecord>();
        for (int a = 0; a < 65536; ++a) m_->MemoryImage[a] = static_cast<uint8_t>(a ^ 0x5A);
        m_->Cpu.PC = 0x1234;
        m_->Cpu.SP = 0x1FF0;
        m_->Cpu.A = 7;
        platform::RecordMessages(true);
        platform::TakeRecordedMessages();
    }
    void TearDown() override {
        platform::RecordMessages(false);
        platform::TakeRecordedMessages();
    }
    // Answers the range dialog with the given texts, then OK.
    static void AnswerRange(const QString& base, const QString& count) {
        WhenModal<MemoryRangeDialog>([base, count](MemoryRangeDialog* d) {
            d->BaseField()->setText(base);
            d->CountField()->setText(count);
            QTest::mouseClick(d->OkButton(), Qt::LeftButton);
        });
    }
    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
    void Write(const char* name, int size, uint8_t seed) const {
        std::ofstream out(Path(name), std::ios::binary);
        for (int i = 0; i < size; ++i) out.put(static_cast<char>(seed + i));
    }

    QTemporaryDir dir_;
    std::unique_ptr<kestrel::MachineRecord> m_;
};

TEST_F(FileActions, LoadAtBaseZeroWithU6ReplacesTheRomAndResets) {
    Write("mon.rom", 4096, 0x31);
    WhenModal<MemoryRangeDialog>([](MemoryRangeDialog* d) {
        QTest::mouseClick(d->U6Button(), Qt::LeftButton);
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    platform::SetNextFileName(dir_.filePath("mon.rom"));
    kestrel::LoadBinFile(*m_, nullptr);
    EXPECT_EQ(m_->MemoryImage[0], 0x31);
    EXPECT_EQ(m_->MemoryImage[4095], static_cast<uint8_t>(0x31 + 4095));
    EXPECT_EQ(m_->MemoryImage[4096], static_cast<uint8_t>(4096 ^ 0x5A));
    EXPECT_EQ(m_->Cpu.PC, 0);
    EXPECT_EQ(m_->Cpu.SP, 0);
    EXPECT_EQ(m_->Cpu.A, 0);
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
}

TEST_F(FileActions, LoadPastFFFFhWrapsOnlyWithoutWriteProtectRom) {
    Write("top.bin", 9, 0x40);
    m_->WriteProtectRom = true;
    AnswerRange("65528", "0");
    platform::SetNextFileName(dir_.filePath("top.bin"));
    ASSERT_TRUE(kestrel::LoadBinFile(*m_, nullptr));
    EXPECT_EQ(m_->MemoryImage[0xFFFF], 0x47);
    EXPECT_EQ(m_->MemoryImage[0], 0x5A);
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Load BIN");
    EXPECT_TRUE(messages[0].Text.startsWith("1 byte past FFFFh not written")) << messages[0].Text.toStdString();

    m_->WriteProtectRom = false;
    AnswerRange("65528", "0");
    platform::SetNextFileName(dir_.filePath("top.bin"));
    ASSERT_TRUE(kestrel::LoadBinFile(*m_, nullptr));
    EXPECT_EQ(m_->MemoryImage[0], 0x48);
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
}

TEST_F(FileActions, LoadOfAMissingFileShowsLoadBinAndKeepsRegisters) {
    AnswerRange("0", "0");
    platform::SetNextFileName(dir_.filePath("missing.bin"));
    kestrel::LoadBinFile(*m_, nullptr);
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Load BIN");
    EXPECT_EQ(messages[0].Text, "Can't read from file!");
    EXPECT_EQ(m_->Cpu.PC, 0x1234);
    EXPECT_EQ(m_->MemoryImage[0], 0x5A);
}

TEST_F(FileActions, LoadOfAFolderShowsLoadBin) {
    QDir(dir_.path()).mkdir("sub.bin");
    AnswerRange("6144", "0");
    platform::SetNextFileName(dir_.filePath("sub.bin"));
    kestrel::LoadBinFile(*m_, nullptr);
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Load BIN");
}

TEST_F(FileActions, CancelledRangeOrChooserDoesNothing) {
    Write("x.bin", 16, 1);
    WhenModal<MemoryRangeDialog>(
        [](MemoryRangeDialog* d) { QTest::mouseClick(d->CancelButton(), Qt::LeftButton); });
    platform::SetNextFileName(dir_.filePath("x.bin"));
    kestrel::LoadBinFile(*m_, nullptr);  // the range dialog is cancelled: no chooser asked
    EXPECT_EQ(m_->MemoryImage[0], 0x5A);
    EXPECT_EQ(m_->Cpu.PC, 0x1234);

    // The armed answer is still waiting; cancel the chooser this time.
    platform::SetNextFileName(QString());
    AnswerRange("0", "0");
    kestrel::LoadBinFile(*m_, nullptr);
    EXPECT_EQ(m_->Cpu.PC, 0x1234);
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());

    AnswerRange("0", "16");
    platform::SetNextFileName(QString());
    kestrel::SaveBinFile(*m_, nullptr);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"x.bin"});
}

TEST_F(FileActions, SaveAppendsTheExtensionOfTheRange) {
    struct Case { const char* base; const char* count; const char* name; const char* file; int size; };
    const Case cases[] = {
        {"0", "16384", "monitor", "monitor.rom", 16384},
        {"16384", "6912", "screen", "screen.scr", 6912},
        {"6144", "2048", "ram", "ram.bin", 2048},
        {"6144", "2048", "ram.dat", "ram.dat", 2048},
    };
    for (const Case& c : cases) {
        AnswerRange(c.base, c.count);
        platform::SetNextFileName(dir_.filePath(c.name));
        kestrel::SaveBinFile(*m_, nullptr);
        QFileInfo info(dir_.filePath(c.file));
        EXPECT_TRUE(info.exists()) << c.file;
        EXPECT_EQ(info.size(), c.size) << c.file;
    }
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath("monitor")));
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
}

TEST_F(FileActions, SaveAsksAboutTheFileItWillReplaceByItsFinalName) {
    Write("saved100.bin", 3, 0x77);
    for (bool replace : {false, true}) {
        AnswerRange("6144", "16");
        platform::SetNextFileName(dir_.filePath("saved100"));  // typed without extension
        platform::SetNextAnswer(replace);
        kestrel::SaveBinFile(*m_, nullptr);
        auto messages = platform::TakeRecordedMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].Title, "Save BIN");
        EXPECT_TRUE(messages[0].Text.startsWith(dir_.filePath("saved100.bin") + " already exists."))
            << messages[0].Text.toStdString();
        EXPECT_EQ(QFileInfo(dir_.filePath("saved100.bin")).size(), replace ? 16 : 3);
    }
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath("saved100")));
}

TEST_F(FileActions, SaveThatCannotCreateShowsSaveBin) {
    Write("plain", 4, 0);
    AnswerRange("0", "16");
    // A regular file used as a folder refuses new files even to root.
    platform::SetNextFileName(dir_.filePath("plain") + "/out.bin");
    kestrel::SaveBinFile(*m_, nullptr);
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Save BIN");
    EXPECT_EQ(messages[0].Text, "Can't open file!");
}

TEST_F(FileActions, SaveWhoseWritesFailShowsSaveBin) {
    if (!QFileInfo::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // A name with an extension that leads to /dev/full: created like any
    // file, then every write fails with "no space left on device".
    // It exists, so replacing it is asked first.
    ASSERT_TRUE(QFile::link("/dev/full", dir_.filePath("full.bin")));
    AnswerRange("0", "16");
    platform::SetNextFileName(dir_.filePath("full.bin"));
    platform::SetNextAnswer(true);
    kestrel::SaveBinFile(*m_, nullptr);
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].Text.contains("full.bin already exists."));
    EXPECT_EQ(messages[1].Title, "Save BIN");
    EXPECT_EQ(messages[1].Text, "Can't write to file!");
}

}  // namespace

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
