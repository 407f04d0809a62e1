// The breakpoint and address-range dialogs, driven as a user would: typing
// into the fields and pressing the buttons (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "kestrel/debug/breakpoint.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/debugger_ui/address_range_dialog.h"
#include "kestrel/debugger_ui/break_on_opcode_dialog.h"
#include "kestrel/debugger_ui/break_on_value_dialog.h"
#include "kestrel/debugger_ui/disassemble_to_file.h"
#include "kestrel/gui/platform.h"
#include "kestrel/debug/machine_record.h"
#include "tests/kestrel_debugger_ui/qt_test_support.h"

namespace kestrel {
namespace {

template <class T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void Type(QWidget* dialog, const char* field, const char* text) {
    QLineEdit* edit = Child<QLineEdit>(dialog, field);
    edit->setFocus();
    QTest::keyClicks(edit, QString::fromLatin1(text));
}

void Press(QWidget* dialog, const char* button) {
    QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
}

QString FieldText(QWidget* dialog, const char* field) {
    return Child<QLineEdit>(dialog, field)->text();
}

// Runs `drive` on the modal dialog that `open` shows.
void WithModal(const std::function<void(QWidget*)>& drive, const std::function<void()>& open) {
    bool driven = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        drive(modal);
        driven = true;
    });
    open();
    EXPECT_TRUE(driven);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { m = std::make_unique<MachineRecord>(); }
    std::unique_ptr<MachineRecord> m;
};

TEST_F(DialogTest, OpcodeDialogLayout) {
    BreakOnOpcodeDialog dialog(*m);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Kestrel - Break on Opcode");
    EXPECT_EQ(dialog.size(), QSize(180, 95));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Child<QLineEdit>(&dialog, "opcodeField")->geometry(), QRect(120, 25, 40, 20));
    EXPECT_EQ(FieldText(&dialog, "opcodeField"), "0");
    EXPECT_EQ(Child<QPushButton>(&dialog, "cancelButton")->geometry(), QRect(20, 55, 60, 25));
    EXPECT_EQ(Child<QPushButton>(&dialog, "cancelButton")->text(), "Cancel");
    EXPECT_EQ(Child<QPushButton>(&dialog, "setButton")->geometry(), QRect(100, 55, 60, 25));
    EXPECT_EQ(Child<QPushButton>(&dialog, "setButton")->text(), "Set");
    auto labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), "Opcode");
    EXPECT_EQ(labels[0]->geometry(), QRect(120, 8, 40, 20));
    testing::ExpectTextsWhole(&dialog, 1);  // "Opcode", not ")pcode"
}

TEST_F(DialogTest, OpcodeTypedAndSet) {
    WithModal(
        [](QWidget* d) {
            QLineEdit* field = Child<QLineEdit>(d, "opcodeField");
            field->selectAll();
            QTest::keyClicks(field, "118");
            Press(d, "setButton");
        },
        [&] { EXPECT_TRUE(BreakOnOpcodeDialog::Run(*m, nullptr)); });
    EXPECT_EQ(m->BreakKind, kBreakOpcode);
    EXPECT_EQ(m->BreakOpcode, 118);
    EXPECT_EQ(m->BreakArmed, 1);
    // Opening again and pressing Set without typing arms opcode 0 (NOP).
    WithModal([](QWidget* d) { Press(d, "setButton"); },
              [&] { EXPECT_TRUE(BreakOnOpcodeDialog::Run(*m, nullptr)); });
    EXPECT_EQ(m->BreakOpcode, 0);
    EXPECT_EQ(m->BreakArmed, 1);
}

TEST_F(DialogTest, OpcodeFieldTakesDigitsAndEmptiesOutOfRange) {
    BreakOnOpcodeDialog dialog(*m);
    dialog.show();
    QLineEdit* field = Child<QLineEdit>(&dialog, "opcodeField");
    field->clear();
    QTest::keyClicks(field, "2x5-5");
    EXPECT_EQ(field->text(), "255");
    EXPECT_EQ(dialog.Opcode(), 255);
    QTest::keyClicks(field, "6");  // 2556: out of range
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(dialog.Opcode(), 0);
    field->clear();
    QTest::keyClicks(field, "256");
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(dialog.Opcode(), 0);
    QTest::keyClicks(field, "12");
    EXPECT_EQ(dialog.Opcode(), 12);
    Press(&dialog, "setButton");
    EXPECT_EQ(m->BreakOpcode, 12);
}

TEST_F(DialogTest, CancelLeavesAnEarlierBreakpointAlone) {
    m->Cpu.F = 0x40;
    ArmFlagBreak(*m, 1);
    WithModal(
        [](QWidget* d) {
            Type(d, "opcodeField", "99");
            Press(d, "cancelButton");
        },
        [&] { EXPECT_FALSE(BreakOnOpcodeDialog::Run(*m, nullptr)); });
    EXPECT_EQ(m->BreakKind, 1);
    EXPECT_EQ(m->BreakArmed, 1);
    EXPECT_EQ(m->BreakValue, 0x40);
    WithModal(
        [](QWidget* d) {
            Type(d, "valueField", "7");
            Press(d, "cancelButton");
        },
        [&] { EXPECT_FALSE(BreakOnValueDialog::Run(*m, 19, nullptr)); });
    EXPECT_EQ(m->BreakKind, 1);
    EXPECT_EQ(m->BreakArmed, 1);
    EXPECT_EQ(m->BreakValue, 0x40);
}

TEST_F(DialogTest, ValueDialogLayoutFor8And16Bits) {
    {
        BreakOnValueDialog dialog(*m, 19);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Kestrel - Break on value of A ");
        EXPECT_EQ(dialog.size(), QSize(190, 95));
        EXPECT_EQ(Child<QLineEdit>(&dialog, "valueField")->geometry(), QRect(130, 25, 40, 20));
        EXPECT_EQ(FieldText(&dialog, "valueField"), "0");
        EXPECT_EQ(Child<QPushButton>(&dialog, "changeButton")->geometry(), QRect(20, 22, 70, 25));
        EXPECT_EQ(Child<QPushButton>(&dialog, "changeButton")->text(), "CHANGE");
        EXPECT_EQ(Child<QPushButton>(&dialog, "cancelButton")->geometry(), QRect(20, 55, 70, 25));
        EXPECT_EQ(Child<QPushButton>(&dialog, "cancelButton")->text(), "CANCEL");
        EXPECT_EQ(Child<QPushButton>(&dialog, "setButton")->geometry(), QRect(110, 55, 60, 25));
        EXPECT_EQ(Child<QPushButton>(&dialog, "setButton")->text(), "SET");
        auto labels = dialog.findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0]->geometry(), QRect(130, 8, 40, 20));
        EXPECT_EQ(labels[0]->text(), "Value");
    }
    {
        BreakOnValueDialog dialog(*m, 35);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Kestrel - Break on value of SP");
        EXPECT_EQ(Child<QLineEdit>(&dialog, "valueField")->geometry(), QRect(110, 25, 60, 20));
        EXPECT_EQ(dialog.findChildren<QLabel*>()[0]->geometry(), QRect(110, 8, 60, 20));
        testing::ExpectTextsWhole(&dialog, 1);
    }
}

TEST_F(DialogTest, ValueFieldRanges) {
    BreakOnValueDialog narrow(*m, 19);
    narrow.show();
    QLineEdit* field = Child<QLineEdit>(&narrow, "valueField");
    field->clear();
    QTest::keyClicks(field, "255");
    EXPECT_EQ(narrow.Value(), 255);
    field->clear();
    QTest::keyClicks(field, "256");
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(narrow.Value(), 0);

    BreakOnValueDialog wide(*m, 34);
    wide.show();
    field = Child<QLineEdit>(&wide, "valueField");
    field->clear();
    QTest::keyClicks(field, "65535");
    EXPECT_EQ(field->text(), "65535");
    EXPECT_EQ(wide.Value(), 65535);
    field->clear();
    QTest::keyClicks(field, "65536");
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(wide.Value(), 0);
}

TEST_F(DialogTest, ValueSetArmsTheTypedProgramCounter) {
    WithModal(
        [](QWidget* d) {
            QLineEdit* field = Child<QLineEdit>(d, "valueField");
            field->clear();
            QTest::keyClicks(field, "6144");
            Press(d, "setButton");
        },
        [&] { EXPECT_TRUE(BreakOnValueDialog::Run(*m, 34, nullptr)); });
    EXPECT_EQ(m->BreakKind, 34);
    EXPECT_EQ(m->BreakValue, 6144);
    EXPECT_EQ(m->BreakOnChange, 0);
    EXPECT_EQ(m->BreakArmed, 1);
    m->Cpu.PC = 0x17FF;
    EXPECT_FALSE(TestBreakpoint(*m));
    m->Cpu.PC = 0x1800;
    EXPECT_TRUE(TestBreakpoint(*m));
}

TEST_F(DialogTest, ValueChangeTakesTheRegisterNowAndIgnoresTheTypedNumber) {
    m->Cpu.A = 5;
    WithModal(
        [](QWidget* d) {
            Type(d, "valueField", "77");
            Press(d, "changeButton");
        },
        [&] { EXPECT_TRUE(BreakOnValueDialog::Run(*m, 19, nullptr)); });
    EXPECT_EQ(m->BreakKind, 19);
    EXPECT_EQ(m->BreakValue, 5);
    EXPECT_EQ(m->BreakOnChange, 1);
    EXPECT_EQ(m->BreakArmed, 1);
    EXPECT_FALSE(TestBreakpoint(*m));
    m->Cpu.A = 6;
    EXPECT_TRUE(TestBreakpoint(*m));
    EXPECT_EQ(m->BreakOnChange, 0);
}

TEST_F(DialogTest, ValueSetWithoutTypingArmsZero) {
    m->BreakValue = 1234;
    WithModal([](QWidget* d) { Press(d, "setButton"); },
              [&] { EXPECT_TRUE(BreakOnValueDialog::Run(*m, 29, nullptr)); });
    EXPECT_EQ(m->BreakValue, 0);
    EXPECT_EQ(m->BreakKind, 29);
}

TEST_F(DialogTest, AddressRangeLayoutAndFirstUse) {
    AddressRangeDialog dialog(*m);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Kestrel v0.01 Start/End Address");
    EXPECT_EQ(dialog.size(), QSize(180, 130));
    EXPECT_EQ(FieldText(&dialog, "startField"), "0");
    EXPECT_EQ(FieldText(&dialog, "endField"), "65535");
    EXPECT_EQ(Child<QLineEdit>(&dialog, "startField")->geometry(), QRect(20, 25, 60, 20));
    EXPECT_EQ(Child<QLineEdit>(&dialog, "endField")->geometry(), QRect(100, 25, 60, 20));
    EXPECT_EQ(Child<QPushButton>(&dialog, "usePcButton")->geometry(), QRect(100, 60, 60, 25));
    EXPECT_EQ(Child<QPushButton>(&dialog, "usePcButton")->text(), "Use PC");
    EXPECT_EQ(Child<QPushButton>(&dialog, "cancelButton")->geometry(), QRect(20, 90, 60, 25));
    EXPECT_EQ(Child<QPushButton>(&dialog, "doneButton")->geometry(), QRect(100, 90, 60, 25));
    EXPECT_EQ(Child<QPushButton>(&dialog, "doneButton")->text(), "Done");
    EXPECT_EQ(dialog.RangeStart(), 0);
    EXPECT_EQ(dialog.RangeEnd(), 65535);
    testing::ExpectTextsWhole(&dialog, 1);
}

TEST_F(DialogTest, AddressRangeFieldsResetOutOfRangeNumbers) {
    m->Cpu.PC = 0x1800;
    AddressRangeDialog dialog(*m);
    dialog.show();
    QLineEdit* start = Child<QLineEdit>(&dialog, "startField");
    QLineEdit* end = Child<QLineEdit>(&dialog, "endField");
    start->clear();
    QTest::keyClicks(start, "70000");
    EXPECT_EQ(start->text(), "0");
    EXPECT_EQ(dialog.RangeStart(), 0);
    end->clear();
    QTest::keyClicks(end, "70000");
    EXPECT_EQ(end->text(), "65535");
    EXPECT_EQ(dialog.RangeEnd(), 65535);
    Press(&dialog, "usePcButton");
    EXPECT_EQ(start->text(), "6144");
    EXPECT_EQ(dialog.RangeStart(), 6144);
}

TEST_F(DialogTest, AddressRangeEndBelowStartBecomesTop) {
    AddressRangeDialog dialog(*m);
    QTimer::singleShot(0, [&] {
        QLineEdit* start = Child<QLineEdit>(&dialog, "startField");
        start->selectAll();
        QTest::keyClicks(start, "5");
        QLineEdit* end = Child<QLineEdit>(&dialog, "endField");
        end->selectAll();
        QTest::keyClicks(end, "3");
        EXPECT_EQ(dialog.RangeEnd(), 3);
        Press(&dialog, "doneButton");
    });
    EXPECT_TRUE(dialog.RunModal());
    EXPECT_EQ(dialog.RangeStart(), 5);
    EXPECT_EQ(dialog.RangeEnd(), 65535);
    EXPECT_TRUE(dialog.Confirmed());
}

class DisassembleToFileTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        FillMnemonicTables();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("dis.asm").toStdString();
        platform::RecordMessages(true);
        platform::TakeRecordedMessages();
    }
    void TearDown() override { platform::RecordMessages(false); }
    QByteArray Contents() {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return file.readAll();
    }
    void RunWith(const char* start, const char* end, const char* button) {
        WithModal(
            [&](QWidget* d) {
                if (start) {
                    QLineEdit* f = Child<QLineEdit>(d, "startField");
                    f->selectAll();
                    QTest::keyClicks(f, start);
                }
                if (end) {
                    QLineEdit* f = Child<QLineEdit>(d, "endField");
                    f->selectAll();
                    QTest::keyClicks(f, end);
                }
                Press(d, button);
            },
            [&] { DisassembleToFile(*m, nullptr, path.c_str()); });
    }
    QTemporaryDir dir;
    std::string path;
};

TEST_F(DisassembleToFileTest, ListsTheRangeAndOffersWhereItStopped) {
    RunWith("0", "10", "doneButton");
    QByteArray file = Contents();
    ASSERT_EQ(file.size(), 29 + 10 * 29 + 2);
    EXPECT_TRUE(file.startsWith("START "));
    EXPECT_EQ(file.mid(29, 29), QByteArray("00000 0000  00          NOP\r\n"));
    EXPECT_EQ(file.right(31), QByteArray("00009 0009  00          NOP\r\n\r\n"));
    EXPECT_EQ(m->DisassemblyStart, 10);
    // The next use offers 10.
    WithModal(
        [](QWidget* d) {
            EXPECT_EQ(FieldText(d, "startField"), "10");
            EXPECT_EQ(FieldText(d, "endField"), "65535");
            Press(d, "cancelButton");
        },
        [&] { DisassembleToFile(*m, nullptr, path.c_str()); });
    EXPECT_EQ(Contents().size(), file.size());
    EXPECT_TRUE(platform::TakeRecordedMessages().empty());
}

TEST_F(DisassembleToFileTest, CancelWritesNothing) {
    m->DisassemblyStart = 0x1234;
    RunWith("0", "10", "cancelButton");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    EXPECT_EQ(m->DisassemblyStart, 0x1234);
}

TEST_F(DisassembleToFileTest, UnwritableFileShowsAnError) {
    path = dir.filePath("no such folder/dis.asm").toStdString();
    RunWith("0", "10", "doneButton");
    auto messages = platform::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Error");
    EXPECT_EQ(messages[0].Text, "dis.asm - Can't write file!");
    EXPECT_EQ(m->DisassemblyStart, 10);
}

}  // namespace
}  // namespace kestrel

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
