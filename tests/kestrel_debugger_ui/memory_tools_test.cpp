// Peek, poke, load-register and hex dump, driven through their widgets (Qt
// offscreen), standalone and from the debugger's menus.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "kestrel/debug/trace.h"
#include "kestrel/debugger_ui/debugger_window.h"
#include "kestrel/debugger_ui/hex_dump_window.h"
#include "kestrel/debugger_ui/load_register_dialog.h"
#include "kestrel/debugger_ui/peek_dialog.h"
#include "kestrel/debugger_ui/poke_dialog.h"
#include "kestrel/gui/memory_range_dialog.h"
#include "kestrel/gui/platform.h"
#include "kestrel/z80/cpu.h"
#include "tests/kestrel_debugger_ui/qt_test_support.h"

using namespace kestrel;
using kestrel::testing::WhenModal;
using kestrel::testing::WhenShown;

namespace {

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_ = std::make_unique<MachineRecord>();
        InitMachine(*m_);
        ResetCpu(*m_);
        m_->MemoryImage[0x0000] = 0xF3;  // ROM's first byte
        m_->MemoryImage[0xFFFF] = 0x2A;
    }
    QLabel* Label(QWidget* parent, const QString& text) const {
        for (auto* l : parent->findChildren<QLabel*>())
            if (l->text() == text) return l;
        return nullptr;
    }
    QAction* Menu(const DebuggerWindow& w, int id) const {
        return w.findChild<QAction*>(QStringLiteral("debuggerMenu%1").arg(id));
    }
    std::unique_ptr<MachineRecord> m_;
};

// --- peek ----------------------------------------------------------------------

TEST_F(ToolsTest, PeekLayout) {
    PeekDialog d(*m_);
    EXPECT_EQ(d.windowTitle(), "Kestrel - Peek");
    EXPECT_EQ(d.pos(), QPoint(680, 110));
    EXPECT_EQ(d.size(), QSize(180, 95));
    EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Label(&d, "Address")->geometry(), QRect(20, 8, 60, 20));
    EXPECT_EQ(Label(&d, "Contents")->geometry(), QRect(95, 8, 65, 20));
    EXPECT_EQ(d.AddressField()->geometry(), QRect(20, 25, 60, 20));
    EXPECT_EQ(d.DecimalField()->geometry(), QRect(95, 25, 30, 20));
    EXPECT_EQ(d.HexField()->geometry(), QRect(130, 25, 30, 20));
    EXPECT_EQ(d.DoneButton()->geometry(), QRect(95, 55, 65, 25));
    EXPECT_EQ(d.AddressField()->text(), "0");
    kestrel::testing::ExpectTextsWhole(&d, 1);
}

TEST_F(ToolsTest, PeekShowsRomByteAndLastByteAndResetsOutOfRange) {
    PeekDialog d(*m_);
    d.show();
    EXPECT_EQ(d.DecimalField()->text(), "243");  // 0xF3 at address 0 on opening
    EXPECT_EQ(d.HexField()->text(), "F3h");
    d.AddressField()->clear();
    QTest::keyClicks(d.AddressField(), "65535");
    EXPECT_EQ(d.DecimalField()->text(), "042");
    EXPECT_EQ(d.HexField()->text(), "2Ah");
    QTest::keyClicks(d.AddressField(), "0");  // 655350
    EXPECT_EQ(d.AddressField()->text(), "0");
    EXPECT_EQ(d.HexField()->text(), "F3h");
    d.AddressField()->clear();
    QTest::keyClicks(d.AddressField(), "4096");  // unpopulated: 0xFF
    EXPECT_EQ(d.DecimalField()->text(), "255");
    EXPECT_EQ(d.HexField()->text(), "FFh");
}

TEST_F(ToolsTest, PeekClosesOnlyWithDone) {
    PeekDialog d(*m_);
    d.show();
    QTest::keyClick(&d, Qt::Key_Escape);
    d.close();
    EXPECT_TRUE(d.isVisible());
    QTest::mouseClick(d.DoneButton(), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
}

// --- poke ----------------------------------------------------------------------

TEST_F(ToolsTest, PokeLayout) {
    PokeDialog d(*m_);
    EXPECT_EQ(d.windowTitle(), "Kestrel - Poke");
    EXPECT_EQ(d.size(), QSize(180, 95));
    EXPECT_EQ(d.pos(), QPoint(680, 110));
    EXPECT_EQ(Label(&d, "Address")->geometry(), QRect(20, 8, 60, 20));
    EXPECT_EQ(Label(&d, "Byte")->geometry(), QRect(120, 8, 40, 20));
    EXPECT_EQ(d.AddressField()->geometry(), QRect(20, 25, 60, 20));
    EXPECT_EQ(d.ByteField()->geometry(), QRect(120, 25, 40, 20));
    EXPECT_EQ(d.DoneButton()->geometry(), QRect(20, 55, 60, 25));
    EXPECT_EQ(d.PokeButton()->geometry(), QRect(100, 55, 60, 25));
    kestrel::testing::ExpectTextsWhole(&d, 1);
}

TEST_F(ToolsTest, PokeWritesTheRomAndStaysOpen) {
    PokeDialog d(*m_);
    d.show();
    d.ByteField()->clear();
    QTest::keyClicks(d.ByteField(), "255");
    QTest::mouseClick(d.PokeButton(), Qt::LeftButton);  // address untouched: 0
    EXPECT_EQ(m_->MemoryImage[0], 0xFF);
    EXPECT_TRUE(d.isVisible());
    d.AddressField()->clear();
    QTest::keyClicks(d.AddressField(), "8192");
    QTest::mouseClick(d.PokeButton(), Qt::LeftButton);
    EXPECT_EQ(m_->MemoryImage[0x2000], 0xFF);
    d.ByteField()->setText("7");
    QTest::mouseClick(d.PokeButton(), Qt::LeftButton);
    EXPECT_EQ(m_->MemoryImage[0x2000], 7);
    QTest::mouseClick(d.DoneButton(), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(ToolsTest, PokeWithUntouchedByteWritesZeroAndOutOfRangeEmpties) {
    PokeDialog d(*m_);
    d.show();
    d.AddressField()->setText("6144");
    QTest::mouseClick(d.PokeButton(), Qt::LeftButton);
    EXPECT_EQ(m_->MemoryImage[0x1800], 0);

    d.ByteField()->setText("25");
    QTest::keyClicks(d.ByteField(), "6");  // 256
    EXPECT_EQ(d.ByteField()->text(), "");
    EXPECT_EQ(d.Byte(), 0);
    d.AddressField()->setText("65536");
    EXPECT_EQ(d.AddressField()->text(), "");
    EXPECT_EQ(d.Address(), 0);
    m_->MemoryImage[0] = 0x55;
    QTest::mouseClick(d.PokeButton(), Qt::LeftButton);
    EXPECT_EQ(m_->MemoryImage[0], 0);
}

TEST_F(ToolsTest, PokeRefusesTheRomWhileWriteProtectRomIsChecked) {
    m_->WriteProtectRom = true;
    platform::RecordMessages(true);
    PokeDialog d(*m_);
    d.ByteField()->setText("7");
    for (const char* address : {"4095", "4096"}) {
        d.AddressField()->setText(address);
        QTest::mouseClick(d.PokeButton(), Qt::LeftButton);
    }
    EXPECT_EQ(m_->MemoryImage[0x0FFF], 0xFF);
    EXPECT_EQ(m_->MemoryImage[0x1000], 7);
    const auto messages = platform::TakeRecordedMessages();
    platform::RecordMessages(false);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Title, "Kestrel - Poke");
    EXPECT_TRUE(messages[0].Text.startsWith("0FFFh is in the monitor ROM")) << messages[0].Text.toStdString();
}

// --- load register -------------------------------------------------------------

TEST_F(ToolsTest, LoadRegisterTitlesAndLayouts) {
    LoadRegisterDialog a(*m_, 38, {});
    EXPECT_EQ(a.windowTitle(), "Kestrel - Load A ");
    EXPECT_EQ(a.size(), QSize(190, 95));
    EXPECT_EQ(a.pos(), QPoint(680, 110));
    EXPECT_EQ(Label(&a, "Value")->geometry(), QRect(130, 8, 40, 20));
    EXPECT_EQ(a.ValueField()->geometry(), QRect(130, 25, 40, 20));
    EXPECT_EQ(a.CancelButton()->geometry(), QRect(20, 55, 70, 25));
    EXPECT_EQ(a.LoadButton()->geometry(), QRect(110, 55, 60, 25));
    LoadRegisterDialog sp(*m_, 54, {});
    EXPECT_EQ(sp.windowTitle(), "Kestrel - Load SP");
    EXPECT_EQ(Label(&sp, "Value")->geometry(), QRect(110, 8, 60, 20));
    EXPECT_EQ(sp.ValueField()->geometry(), QRect(110, 25, 60, 20));
    kestrel::testing::ExpectTextsWhole(&a, 1);
    kestrel::testing::ExpectTextsWhole(&sp, 1);
    const char* names[] = {"A ", "F ", "B ", "C ", "D ", "E ", "H ", "L ", "I ", "R ",
                           "BC", "DE", "HL", "IX", "IY", "PC", "SP"};
    for (int id = 38; id <= 54; ++id) EXPECT_EQ(LoadRegisterName(id), names[id - 38]);
}

TEST_F(ToolsTest, LoadHlFromTypedValueRefreshesAndCloses) {
    int refreshed = 0;
    LoadRegisterDialog d(*m_, 50, [&] { ++refreshed; });
    d.show();
    d.ValueField()->clear();
    QTest::keyClicks(d.ValueField(), "4660");
    QTest::mouseClick(d.LoadButton(), Qt::LeftButton);
    EXPECT_EQ(m_->Cpu.H, 0x12);
    EXPECT_EQ(m_->Cpu.L, 0x34);
    EXPECT_EQ(refreshed, 1);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(ToolsTest, LoadUntouchedLoadsZeroAndCancelChangesNothing) {
    m_->Cpu.A = 0x77;
    {
        LoadRegisterDialog d(*m_, 38, {});
        d.show();
        QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(m_->Cpu.A, 0x77);
    }
    LoadRegisterDialog d(*m_, 38, {});
    d.show();
    QTest::mouseClick(d.LoadButton(), Qt::LeftButton);
    EXPECT_EQ(m_->Cpu.A, 0);
}

TEST_F(ToolsTest, LoadRangesEmptyTheField) {
    LoadRegisterDialog a(*m_, 38, {});
    a.ValueField()->setText("255");
    EXPECT_EQ(a.Value(), 255);
    a.ValueField()->setText("256");
    EXPECT_EQ(a.ValueField()->text(), "");
    EXPECT_EQ(a.Value(), 0);
    LoadRegisterDialog ix(*m_, 51, {});
    ix.ValueField()->setText("65535");
    EXPECT_EQ(ix.Value(), 65535);
    ix.ValueField()->setText("65536");
    EXPECT_EQ(ix.ValueField()->text(), "");
}

TEST_F(ToolsTest, StoreRegisterCoversEveryRegister) {
    m_->Cpu.RBit7 = 0x80;
    for (int id = 38; id <= 47; ++id) StoreRegister(*m_, id, static_cast<uint16_t>(0x100 + id));
    const Z80State& c = m_->Cpu;
    EXPECT_EQ(c.A, 38); EXPECT_EQ(c.F, 39); EXPECT_EQ(c.B, 40); EXPECT_EQ(c.C, 41);
    EXPECT_EQ(c.D, 42); EXPECT_EQ(c.E, 43); EXPECT_EQ(c.H, 44); EXPECT_EQ(c.L, 45);
    EXPECT_EQ(c.I, 46); EXPECT_EQ(c.R, 47); EXPECT_EQ(c.RBit7, 0x80);  // counting R only
    StoreRegister(*m_, 48, 0x0102); StoreRegister(*m_, 49, 0x0304); StoreRegister(*m_, 50, 0x0506);
    StoreRegister(*m_, 51, 0x1111); StoreRegister(*m_, 52, 0x2222);
    StoreRegister(*m_, 53, 0x3333); StoreRegister(*m_, 54, 0x4444);
    EXPECT_EQ(c.B, 1); EXPECT_EQ(c.C, 2); EXPECT_EQ(c.D, 3); EXPECT_EQ(c.E, 4);
    EXPECT_EQ(c.H, 5); EXPECT_EQ(c.L, 6); EXPECT_EQ(c.IX, 0x1111); EXPECT_EQ(c.IY, 0x2222);
    EXPECT_EQ(c.PC, 0x3333); EXPECT_EQ(c.SP, 0x4444);
}

TEST_F(ToolsTest, LoadFromTheDebuggerMenuRefreshesItsFields) {
    DebuggerWindow w(*m_);
    WhenModal<LoadRegisterDialog>([](LoadRegisterDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Kestrel - Load HL");
        d->ValueField()->setText("4660");
        QTest::mouseClick(d->LoadButton(), Qt::LeftButton);
    });
    Menu(w, 50)->trigger();
    EXPECT_EQ(w.Field(DebuggerField::HL)->text(), "04660");
    EXPECT_EQ(w.Field(DebuggerField::HBits)->text(), "00010010");

    WhenModal<LoadRegisterDialog>([](LoadRegisterDialog* d) {
        d->ValueField()->setText("8192");
        QTest::mouseClick(d->LoadButton(), Qt::LeftButton);
    });
    m_->MemoryImage[0x2000] = 0x34;
    m_->MemoryImage[0x2001] = 0x12;
    Menu(w, 54)->trigger();  // SP: the stack view follows
    EXPECT_EQ(w.Field(DebuggerField::SP)->text(), "08192");
}

TEST_F(ToolsTest, NameStaysAfterATraceHasRun) {
    BeginTrace(*m_);
    for (int i = 0; i < 5; ++i) TraceRunLoopStep(*m_, "/dev/null");
    LoadRegisterDialog d(*m_, 48, {});
    EXPECT_EQ(d.windowTitle(), "Kestrel - Load BC");
}

// --- hex dump --------------------------------------------------------------------

TEST_F(ToolsTest, HexDumpLinesWrapAndShowCharacters) {
    const uint8_t bytes[16] = {0x41, 0x7F, 0x80, 0x1F, 0x20, 0x7E, 0x00, 0xFF,
                               0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37};
    for (int i = 0; i < 16; ++i) m_->MemoryImage[static_cast<uint16_t>(0xFFF8 + i)] = bytes[i];
    EXPECT_EQ(HexDumpLine(*m_, 0xFFF8),
              "65528 FFF8  41 7F 80 1F 20 7E 00 FF 30 31 32 33 34 35 36 37  "
              "A... ~..01234567");  // 7F (DEL) has no glyph: a dot

    m_->Cpu.PC = 0xFFF8;
    HexDumpWindow dump(*m_);
    EXPECT_EQ(dump.windowTitle(), "Kestrel Hex Dump");
    EXPECT_EQ(dump.size(), QSize(480, 420));
    EXPECT_EQ(dump.pos(), QPoint(70, 70));
    EXPECT_EQ(dump.List()->geometry(), QRect(0, 0, 480, 420));
    EXPECT_EQ(dump.List()->font().pointSize(), 8);
    ASSERT_EQ(dump.List()->count(), 32);
    EXPECT_TRUE(dump.List()->item(0)->text().startsWith("65528 FFF8  41 7F"));
    EXPECT_TRUE(dump.List()->item(1)->text().startsWith("00008 0008  FF FF"));
    EXPECT_TRUE(dump.List()->item(2)->text().startsWith("00024 0018  "));
    EXPECT_TRUE(dump.List()->item(31)->text().startsWith("00488 01E8  "));

    // Every line whole in view, no scroll bar, with the fallback fonts too.
    dump.show();
    QApplication::processEvents();
    const QRect view = dump.List()->viewport()->rect();
    for (int i = 0; i < 32; ++i) {
        const QRect row = dump.List()->visualItemRect(dump.List()->item(i));
        EXPECT_TRUE(view.contains(row)) << "line " << i;
        // The ink of any line fits its row (the font's leading may not).
        EXPECT_GE(row.height(), dump.List()->fontMetrics().tightBoundingRect("Wgjy|_[]").height())
            << "line " << i;
        EXPECT_LE(dump.List()->fontMetrics().horizontalAdvance(dump.List()->item(i)->text()),
                  view.width()) << "line " << i;
    }
    EXPECT_FALSE(dump.List()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(dump.List()->horizontalScrollBar()->isVisible());
}

TEST_F(ToolsTest, HexDumpMovesSixteenBytesPerArrowEventAndAnyCloseEndsIt) {
    m_->Cpu.PC = 0x1800;
    DebuggerWindow debugger(*m_);
    debugger.show();
    bool checked = false;
    WhenShown<HexDumpWindow>([&](HexDumpWindow* dump) {
        EXPECT_EQ(dump->StartAddress(), 0x1800);
        QTest::keyClick(dump->List(), Qt::Key_Down);
        QTest::keyClick(dump->List(), Qt::Key_Down);
        EXPECT_EQ(dump->StartAddress(), 0x1820);
        EXPECT_TRUE(dump->List()->item(0)->text().startsWith("06176 1820  "));
        QTest::keyClick(dump->List(), Qt::Key_Up);
        EXPECT_EQ(dump->StartAddress(), 0x1810);
        // An auto-repeated press is another arriving event: one more step.
        QTest::keyEvent(QTest::Press, dump->List(), Qt::Key_Up, Qt::NoModifier, -1);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(dump->List(), &repeat);
        EXPECT_EQ(dump->StartAddress(), 0x17F0);
        // Input to the debugger behind is ignored while the dump is open.
        auto* step = debugger.findChild<QPushButton*>("buttonSTEP");
        QTest::mouseClick(step, Qt::LeftButton);
        EXPECT_EQ(m_->Cpu.PC, 0x1800);
        // A close request of the debugger window closes the dump instead.
        QCloseEvent close;
        QApplication::sendEvent(&debugger, &close);
        checked = true;
    });
    Menu(debugger, 60)->trigger();  // returns when the dump has closed
    EXPECT_TRUE(checked);
    EXPECT_TRUE(debugger.isVisible());  // the close request was used up
    EXPECT_EQ(debugger.result(), 0);
}

TEST_F(ToolsTest, HexDumpClosesOnItsOwnCloseButtonAndOnEscape) {
    DebuggerWindow debugger(*m_);
    WhenShown<HexDumpWindow>([](HexDumpWindow* dump) { dump->close(); });
    Menu(debugger, 60)->trigger();
    WhenShown<HexDumpWindow>([](HexDumpWindow* dump) { QTest::keyClick(dump->List(), Qt::Key_Escape); });
    Menu(debugger, 60)->trigger();  // returns once the dump has closed
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(dynamic_cast<HexDumpWindow*>(w) && w->isVisible());
}

TEST_F(ToolsTest, PeekAndPokeFromTheDebuggerMenu) {
    DebuggerWindow w(*m_);
    WhenModal<PokeDialog>([](PokeDialog* d) {
        d->AddressField()->setText("100");
        d->ByteField()->setText("200");
        QTest::mouseClick(d->PokeButton(), Qt::LeftButton);
        QTest::mouseClick(d->DoneButton(), Qt::LeftButton);
    });
    Menu(w, 62)->trigger();
    EXPECT_EQ(m_->MemoryImage[100], 200);
    QString seen;
    WhenModal<PeekDialog>([&](PeekDialog* d) {
        d->AddressField()->setText("100");
        seen = d->HexField()->text();
        QTest::mouseClick(d->DoneButton(), Qt::LeftButton);
    });
    Menu(w, 61)->trigger();
    EXPECT_EQ(seen, "C8h");
}

TEST_F(ToolsTest, LoadAndSaveFromTheDebuggerFileMenu) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile f(dir.filePath("two.bin"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x11\x22", 2);
    }
    m_->Cpu.PC = 0x1234;
    DebuggerWindow w(*m_);
    WhenModal<MemoryRangeDialog>([](MemoryRangeDialog* d) {
        d->BaseField()->setText("0");
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    platform::SetNextFileName(dir.filePath("two.bin"));
    Menu(w, 1)->trigger();
    EXPECT_EQ(m_->MemoryImage[0], 0x11);
    EXPECT_EQ(m_->MemoryImage[1], 0x22);
    EXPECT_EQ(m_->Cpu.PC, 0);                                 // base 0 resets the processor
    EXPECT_EQ(w.Field(DebuggerField::PC)->text(), "04660");  // but the fields are not refreshed

    WhenModal<MemoryRangeDialog>([](MemoryRangeDialog* d) {
        d->BaseField()->setText("0");
        d->CountField()->setText("2");
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    platform::SetNextFileName(dir.filePath("copy"));
    Menu(w, 2)->trigger();
    QFile copy(dir.filePath("copy.bin"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("\x11\x22", 2));
}

}  // namespace

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
