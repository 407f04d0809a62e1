// The debugger window driven through its real widgets (Qt offscreen): layout
// against the window's tables, stepping, the T-state counter, the listing,
// the stack, number bases, resets, every way of leaving, and the menus.
#include "kestrel/debugger_ui/debugger_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>
#include <cstring>
#include <memory>

#include "kestrel/debugger_ui/listing_view.h"
#include "kestrel/debugger_ui/stack_view.h"
#include "kestrel/z80/cpu.h"
#include "tests/kestrel_debugger_ui/qt_test_support.h"

using kestrel::DebuggerField;
using kestrel::DebuggerWindow;
using kestrel::ListingView;
using kestrel::testing::WhenModal;

namespace {

class DebuggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_ = std::make_unique<kestrel::MachineRecord>();
        kestrel::InitMachine(*m_);
        kestrel::ResetCpu(*m_);
        m_->Cpu.SP = 0x1FF0;
        m_->Cpu.PC = 0x1800;
        m_->NumberBase = 0;
        m_->RefreshDisplay = [](void* context) { ++*static_cast<int*>(context); };
        m_->RefreshContext = &refreshes_;
    }
    void Load(uint16_t at, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) m_->MemoryImage[at++] = b;
    }
    QString Text(const DebuggerWindow& w, DebuggerField f) const { return w.Field(f)->text(); }
    QPushButton* Button(const DebuggerWindow& w, const char* text) const {
        return w.findChild<QPushButton*>(QStringLiteral("button") + text);
    }
    QAction* Menu(const DebuggerWindow& w, int id) const {
        return w.findChild<QAction*>(QStringLiteral("debuggerMenu%1").arg(id));
    }
    QStringList Lines(const DebuggerWindow& w) const {
        QStringList lines;
        for (int i = 0; i < w.Listing()->count(); ++i) lines << w.Listing()->item(i)->text();
        return lines;
    }
    QStringList StackLines(const DebuggerWindow& w) const {
        QStringList lines;
        for (int i = 0; i < w.Stack()->count(); ++i) lines << w.Stack()->item(i)->text();
        return lines;
    }

    std::unique_ptr<kestrel::MachineRecord> m_;
    int refreshes_ = 0;
};

// --- layout ------------------------------------------------------------------

TEST_F(DebuggerTest, WindowTitlePlaceAndClientArea) {
    DebuggerWindow w(*m_);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Kestrel - Debugger");
    EXPECT_EQ(w.pos(), QPoint(540, 50));
    EXPECT_EQ(w.Client()->size(), QSize(564, 480));
    EXPECT_EQ(w.Client()->geometry().bottom(), w.height() - 1);   // the client fills the window
    EXPECT_EQ(w.MenuBar()->geometry().bottom() + 1, w.Client()->y());  // below the menu bar
    EXPECT_EQ(w.minimumSize(), w.maximumSize());                   // not resizable
    EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(DebuggerTest, ElementsAtTheirPositionsWithTheirFonts) {
    DebuggerWindow w(*m_);
    EXPECT_EQ(w.Listing()->geometry(), QRect(1, 0, 362, 459));
    EXPECT_EQ(w.Stack()->geometry(), QRect(474, 18, 85, 186));
    struct B { const char* text; QRect rect; int points; bool bold; };
    for (const B& b : {B{"BASE", {367, 208, 50, 40}, 12, true}, B{"RUN", {420, 208, 50, 40}, 12, true},
                       B{"STEP", {474, 208, 85, 40}, 12, true}, B{"CLEAR", {367, 282, 50, 15}, 8, false}}) {
        QPushButton* button = Button(w, b.text);
        ASSERT_NE(button, nullptr) << b.text;
        EXPECT_EQ(button->geometry(), b.rect) << b.text;
        EXPECT_EQ(button->font().pointSize(), b.points) << b.text;
        EXPECT_EQ(button->font().bold(), b.bold) << b.text;
    }
    EXPECT_TRUE(Button(w, "STEP")->isDefault());
    EXPECT_EQ(w.Listing()->font().pointSize(), 8);
    EXPECT_FALSE(w.Listing()->font().bold());

    struct H { const char* name; const char* text; QRect rect; };
    for (const H& h : {H{"headerStack", "STACK", {474, 4, 85, 12}},
                       H{"headerStrip1", "", {368, 252, 123, 12}},
                       H{"headerInterrupts", "INTERUPTS", {491, 252, 67, 12}},
                       H{"headerTStates", "T-STATE COUNTER", {368, 268, 118, 12}},
                       H{"headerStrip2", "", {363, 301, 80, 7}},
                       H{"headerFlags", "SZ5H3PNC", {442, 301, 56, 12}},
                       H{"headerStrip3", "", {498, 301, 82, 7}},
                       H{"headerMemptr", "MEMPTR", {520, 413, 38, 12}}}) {
        auto* label = w.findChild<QLabel*>(h.name);
        ASSERT_NE(label, nullptr) << h.name;
        EXPECT_EQ(label->text(), h.text);
        EXPECT_EQ(label->geometry(), h.rect) << h.name;
        EXPECT_TRUE(label->font().bold()) << h.name;
        EXPECT_EQ(label->font().pointSize(), 8) << h.name;
        EXPECT_TRUE(label->alignment() & Qt::AlignHCenter) << h.name;
    }

    struct F { DebuggerField f; QRect rect; };
    for (const F& f : {F{DebuggerField::Enabled, {538, 266, 20, 15}}, F{DebuggerField::Mode, {538, 282, 20, 15}},
                       F{DebuggerField::TStates, {418, 282, 68, 15}}, F{DebuggerField::ABits, {382, 314, 56, 15}},
                       F{DebuggerField::FBits, {442, 314, 56, 15}}, F{DebuggerField::AF, {520, 314, 38, 15}},
                       F{DebuggerField::BBits, {382, 332, 56, 15}}, F{DebuggerField::CBits, {442, 332, 56, 15}},
                       F{DebuggerField::BC, {520, 332, 38, 15}}, F{DebuggerField::DBits, {382, 350, 56, 15}},
                       F{DebuggerField::EBits, {442, 350, 56, 15}}, F{DebuggerField::DE, {520, 350, 38, 15}},
                       F{DebuggerField::HBits, {382, 368, 56, 15}}, F{DebuggerField::LBits, {442, 368, 56, 15}},
                       F{DebuggerField::HL, {520, 368, 38, 15}}, F{DebuggerField::AltAF, {400, 388, 38, 15}},
                       F{DebuggerField::I, {472, 388, 26, 15}}, F{DebuggerField::R, {532, 388, 26, 15}},
                       F{DebuggerField::AltBC, {400, 406, 38, 15}}, F{DebuggerField::IX, {460, 406, 38, 15}},
                       F{DebuggerField::AltDE, {400, 424, 38, 15}}, F{DebuggerField::IY, {460, 424, 38, 15}},
                       F{DebuggerField::MEMPTR, {520, 424, 38, 15}}, F{DebuggerField::AltHL, {400, 442, 38, 15}},
                       F{DebuggerField::PC, {460, 442, 38, 15}}, F{DebuggerField::SP, {520, 442, 38, 15}}}) {
        EXPECT_EQ(w.Field(f.f)->geometry(), f.rect) << w.Field(f.f)->objectName().toStdString();
        EXPECT_EQ(w.Field(f.f)->font().pointSize(), 8);
    }

    struct L { const char* text; QRect rect; bool centred; };
    for (const L& l : {L{"A:", {370, 316, 10, 12}, false}, L{":F=", {498, 316, 20, 12}, true},
                       L{"AF':", {374, 390, 25, 12}, true}, L{"I:", {460, 390, 10, 12}, true},
                       L{"R:", {518, 390, 15, 12}, true}, L{"IX:", {438, 408, 25, 20}, true},
                       L{"PC:", {438, 444, 25, 20}, true}, L{"SP:", {500, 444, 25, 12}, true},
                       L{"Enabled", {491, 268, 42, 15}, true}, L{"Mode", {491, 284, 40, 15}, true}}) {
        auto* label = w.findChild<QLabel*>(QStringLiteral("label") + l.text);
        ASSERT_NE(label, nullptr) << l.text;
        EXPECT_EQ(label->geometry(), l.rect) << l.text;
        EXPECT_EQ(bool(label->alignment() & Qt::AlignHCenter), l.centred) << l.text;
    }
}

TEST_F(DebuggerTest, TextsWholeAndLevelWithTheirFields) {
    DebuggerWindow w(*m_);
    w.show();
    kestrel::testing::ExpectTextsWhole(w.Client());
    for (QLabel* header : w.Client()->findChildren<QLabel*>(QRegularExpression("^header"))) {
        if (header->text().isEmpty()) continue;  // two pixels free at each end ("MEMPTR")
        EXPECT_LE(header->fontMetrics().horizontalAdvance(header->text()), header->width() - 4)
            << header->text().toStdString();
    }
    // A register label's text is level with the text of the field to its right.
    for (const char* name : {"AF':", "BC':", "IX:", "DE':", "IY:", "HL':", "PC:", "SP:", "I:", "R:"}) {
        auto* label = w.findChild<QLabel*>(QStringLiteral("label") + name);
        ASSERT_NE(label, nullptr) << name;
        const QRect text = QStyle::alignedRect(Qt::LeftToRight, label->alignment(),
                                               QSize(label->width(), label->fontMetrics().height()),
                                               label->contentsRect());
        const int labelMiddle = label->y() + text.center().y();
        QLineEdit* field = nullptr;
        for (QLineEdit* f : w.Client()->findChildren<QLineEdit*>())
            if (f->x() >= label->x() + label->width() / 2 && f->y() <= label->y() && f->y() + 15 > label->y() &&
                (field == nullptr || f->x() < field->x()))
                field = f;
        ASSERT_NE(field, nullptr) << name;
        EXPECT_NEAR(labelMiddle, field->geometry().center().y(), 1) << name;
    }
}

TEST_F(DebuggerTest, HeaderColoursAsDrawn) {
    DebuggerWindow w(*m_);
    w.show();
    const QImage image = w.Client()->grab().toImage();
    auto at = [&](int x, int y) { return QColor(image.pixel(x, y)); };
    const qreal ratio = w.Client()->devicePixelRatioF();
    auto px = [&](int x, int y) { return at(int(x * ratio), int(y * ratio)); };
    EXPECT_EQ(px(370, 254), QColor(79, 79, 79));     // empty strip left of INTERUPTS
    EXPECT_EQ(px(365, 303), QColor(207, 207, 207));  // thin strip left of the flags header
    EXPECT_EQ(px(475, 5), QColor(127, 127, 127));    // STACK background corner
    EXPECT_EQ(px(369, 269), QColor(255, 255, 0));    // T-STATE COUNTER background corner
    EXPECT_EQ(px(443, 302), QColor(159, 159, 159));  // flags header corner
    EXPECT_EQ(px(521, 414), QColor(0, 0, 0));        // MEMPTR header corner
}

TEST_F(DebuggerTest, MenuBarHasEveryItemWithItsIdentifier) {
    DebuggerWindow w(*m_);
    QStringList titles;
    for (QAction* a : w.MenuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"File", "Emulation", "Breakpoint", "Tools"}));
    const std::pair<int, const char*> items[] = {
        {1, "Load Bin/Rom"}, {2, "Save Bin/Rom"}, {4, "Exit"}, {5, "Hard"}, {6, "Soft"}, {7, "Run"},
        {8, "View TV Output"}, {9, "S"}, {10, "Z"}, {11, "5"}, {12, "H"}, {13, "3"}, {14, "P"},
        {15, "N"}, {16, "C"}, {17, "Any"}, {18, "Opcode..."}, {19, "A"}, {28, "R"}, {29, "BC"},
        {35, "SP"}, {36, "Debug to file"}, {37, "Disassemble to file"}, {38, "A"}, {47, "R"},
        {48, "BC"}, {54, "SP"}, {55, "0"}, {57, "2"}, {58, "Disable"}, {59, "Enable"},
        {60, "HEX Dump"}, {61, "PEEK Memory"}, {62, "POKE Memory"}};
    for (const auto& [id, text] : items) {
        QAction* a = Menu(w, id);
        ASSERT_NE(a, nullptr) << id;
        EXPECT_EQ(a->text(), text) << id;
        EXPECT_EQ(a->data().toInt(), id);
    }
    int count = 0;
    for (int id = 1; id <= 62; ++id) count += Menu(w, id) != nullptr;
    EXPECT_EQ(count, 61);  // 3 is the separator's place
    // The submenus of the "Tools" menu.
    QMenu* tools = w.MenuBar()->actions()[3]->menu();
    QStringList toolItems;
    for (QAction* a : tools->actions()) toolItems << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(toolItems, (QStringList{"Debug to file", "Disassemble to file", "-", "Load Register...",
                                      "-", "Interupts", "-", "HEX Dump", "-", "PEEK Memory",
                                      "POKE Memory"}));
}

// --- register fields ---------------------------------------------------------

TEST_F(DebuggerTest, EveryFieldInBothBases) {
    auto& c = m_->Cpu;
    c.A = 0x12; c.F = 0x81; c.B = 0x01; c.C = 0xFF; c.D = 0x80; c.E = 0x00; c.H = 0xAB; c.L = 0xCD;
    c.AltA = 0xFF; c.AltF = 0xFF; c.AltB = 0; c.AltC = 1; c.AltD = 0x10; c.AltE = 0x20;
    c.AltH = 0x7F; c.AltL = 0xFE; c.IX = 0x8000; c.IY = 0x0009; c.PC = 0x1800; c.SP = 0x1FF0;
    c.MEMPTR = 0xBEEF; c.I = 0x3F; c.R = 0x7F; c.RBit7 = 0x80; c.IFF = 4; c.IM = 1;
    DebuggerWindow w(*m_);
    struct Row { DebuggerField f; const char* dec; const char* hex; };
    const Row rows[] = {
        {DebuggerField::Enabled, "Y", "Y"},          {DebuggerField::Mode, "1", "1"},
        {DebuggerField::TStates, "      0  0", "      0  0"},
        {DebuggerField::ABits, "00010010", "00010010"}, {DebuggerField::FBits, "10000001", "10000001"},
        {DebuggerField::BBits, "00000001", "00000001"}, {DebuggerField::CBits, "11111111", "11111111"},
        {DebuggerField::DBits, "10000000", "10000000"}, {DebuggerField::EBits, "00000000", "00000000"},
        {DebuggerField::HBits, "10101011", "10101011"}, {DebuggerField::LBits, "11001101", "11001101"},
        {DebuggerField::AF, "04737", "1281h"},        {DebuggerField::BC, "00511", "01FFh"},
        {DebuggerField::DE, "32768", "8000h"},        {DebuggerField::HL, "43981", "ABCDh"},
        {DebuggerField::AltAF, "65535", "FFFFh"},     {DebuggerField::AltBC, "00001", "0001h"},
        {DebuggerField::AltDE, "04128", "1020h"},     {DebuggerField::AltHL, "32766", "7FFEh"},
        {DebuggerField::IX, "32768", "8000h"},        {DebuggerField::IY, "00009", "0009h"},
        {DebuggerField::PC, "06144", "1800h"},        {DebuggerField::SP, "08176", "1FF0h"},
        {DebuggerField::MEMPTR, "48879", "BEEFh"},    {DebuggerField::I, "063", "3Fh"},
        {DebuggerField::R, "127", "7Fh"},  // the counting R, RBit7 not shown
    };
    for (const Row& r : rows) EXPECT_EQ(Text(w, r.f), r.dec) << w.Field(r.f)->objectName().toStdString();
    QTest::mouseClick(Button(w, "BASE"), Qt::LeftButton);
    EXPECT_EQ(m_->NumberBase, 1);
    for (const Row& r : rows) EXPECT_EQ(Text(w, r.f), r.hex) << w.Field(r.f)->objectName().toStdString();
    c.IFF = 0;
    w.RefreshRegisters();
    EXPECT_EQ(Text(w, DebuggerField::Enabled), "N");
}

// --- stepping and the T-state counter ----------------------------------------

TEST_F(DebuggerTest, OpeningClearsCountersAndDisarmsTheBreakpoint) {
    m_->Cpu.TStates = 1234;
    m_->StepTStateTotal = 99;
    m_->BreakArmed = 1;
    DebuggerWindow w(*m_);
    EXPECT_EQ(m_->Cpu.TStates, 0);
    EXPECT_EQ(m_->StepTStateTotal, 0u);
    EXPECT_EQ(m_->BreakArmed, 0);
    EXPECT_EQ(Text(w, DebuggerField::TStates), "      0  0");
    EXPECT_EQ(w.Listing()->count(), 0);
}

TEST_F(DebuggerTest, StepShowsTheInstructionAndCountsTStates) {
    Load(0x1800, {0x00, 0x3E, 0x05});  // NOP; LD A,5
    DebuggerWindow w(*m_);
    QTest::mouseClick(Button(w, "STEP"), Qt::LeftButton);
    EXPECT_EQ(Text(w, DebuggerField::TStates), "      4  4");
    EXPECT_EQ(Text(w, DebuggerField::PC), "06145");
    EXPECT_EQ(refreshes_, 1);
    QTest::mouseClick(Button(w, "STEP"), Qt::LeftButton);
    EXPECT_EQ(Text(w, DebuggerField::TStates), "     11  7");
    EXPECT_EQ(Text(w, DebuggerField::ABits), "00000101");
    EXPECT_EQ(Text(w, DebuggerField::PC), "06147");
    EXPECT_EQ(refreshes_, 2);
    EXPECT_EQ(Lines(w), (QStringList{"06144 1800  00            NOP",
                                     "06145 1801  3E05          LD A,005"}));
    EXPECT_EQ(m_->StepTStateTotal, 11u);
}

TEST_F(DebuggerTest, ThirtySixStepsKeepTheLastThirtyFiveThenClear) {
    // 36 NOPs from 0x1800.
    for (int i = 0; i < 40; ++i) m_->MemoryImage[0x1800 + i] = 0x00;
    DebuggerWindow w(*m_);
    for (int i = 0; i < 36; ++i) w.Step();
    QStringList lines = Lines(w);
    ASSERT_EQ(lines.size(), 35);
    EXPECT_EQ(w.Listing()->LineCount(), 35);
    EXPECT_EQ(lines.first(), "06145 1801  00            NOP");  // the first step is gone
    EXPECT_EQ(lines.last(), "06179 1823  00            NOP");
    EXPECT_EQ(Text(w, DebuggerField::TStates), "    144  4");

    QTest::mouseClick(Button(w, "CLEAR"), Qt::LeftButton);
    lines = Lines(w);
    ASSERT_EQ(lines.size(), 35);
    EXPECT_EQ(lines[0], "06147 1803  00            NOP");  // two more pushed out
    EXPECT_EQ(lines[33], "");
    EXPECT_EQ(lines[34], "Clear T State counter...");
    EXPECT_EQ(m_->StepTStateTotal, 0u);
    EXPECT_EQ(Text(w, DebuggerField::TStates), "      0  4");
}

TEST_F(DebuggerTest, ClearRewritesOnlyTheTStateField) {
    Load(0x1800, {0x00});
    DebuggerWindow w(*m_);
    w.Step();
    m_->Cpu.A = 0xFF;  // changed behind the window's back
    QTest::mouseClick(Button(w, "CLEAR"), Qt::LeftButton);
    EXPECT_EQ(Text(w, DebuggerField::ABits), "00000000");  // not rewritten
    EXPECT_EQ(Text(w, DebuggerField::TStates), "      0  4");
    // A step after a notice starts with an empty line.
    w.Step();
    EXPECT_EQ(Lines(w), (QStringList{"06144 1800  00            NOP", "", "Clear T State counter...",
                                     "", Lines(w).last()}));
}

TEST_F(DebuggerTest, TotalWrapsAtOneLessThanTwoToTheTwentieth) {
    for (int i = 0; i < 4; ++i) m_->MemoryImage[0x1800 + i] = 0x00;
    DebuggerWindow w(*m_);
    m_->StepTStateTotal = 1048570;
    w.Step();
    EXPECT_EQ(m_->StepTStateTotal, 1048574u);
    EXPECT_EQ(Text(w, DebuggerField::TStates), "1048574  4");
    w.Step();  // 1,048,578 modulo 1,048,575
    EXPECT_EQ(m_->StepTStateTotal, 3u);
    m_->StepTStateTotal = 1048571;
    w.Step();  // exactly 1,048,575 wraps to 0
    EXPECT_EQ(m_->StepTStateTotal, 0u);
    EXPECT_EQ(Text(w, DebuggerField::TStates), "      0  4");
}

TEST_F(DebuggerTest, BaseSwitchesPcAndStackButNotOldLines) {
    Load(0x1800, {0x3E, 0x05, 0x00});
    m_->Cpu.PC = 0x1800;
    m_->MemoryImage[0x1FF0] = 0xFF;
    m_->MemoryImage[0x1FF1] = 0x00;
    DebuggerWindow w(*m_);
    w.Step();
    EXPECT_EQ(StackLines(w).first(), "08176 : 00255");
    QTest::mouseClick(Button(w, "BASE"), Qt::LeftButton);
    EXPECT_EQ(Text(w, DebuggerField::PC), "1802h");
    EXPECT_EQ(StackLines(w).first(), "1FF0h : 00FFh");
    w.Step();
    EXPECT_EQ(Lines(w), (QStringList{"06144 1800  3E05          LD A,005",
                                     "06146 1802  00            NOP"}));
    QTest::mouseClick(Button(w, "BASE"), Qt::LeftButton);
    EXPECT_EQ(Text(w, DebuggerField::PC), "06147");
    EXPECT_EQ(StackLines(w).first(), "08176 : 00255");
    EXPECT_EQ(Lines(w).first(), "06144 1800  3E05          LD A,005");
}

TEST_F(DebuggerTest, HexStepListsTheTextInHex) {
    Load(0x1800, {0x3E, 0x05});
    m_->NumberBase = 1;
    DebuggerWindow w(*m_);
    w.Step();
    EXPECT_EQ(Lines(w), QStringList{"06144 1800  3E05          LD A,05h"});
}

TEST_F(DebuggerTest, StackFromTopOfMemoryWraps) {
    m_->Cpu.SP = 0xFFFE;
    m_->MemoryImage[0xFFFE] = 0x34;
    m_->MemoryImage[0xFFFF] = 0x12;
    m_->MemoryImage[0x0000] = 0x01;
    m_->MemoryImage[0x0001] = 0x00;
    DebuggerWindow w(*m_);
    QStringList lines = StackLines(w);
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0], "65534 : 04660");
    EXPECT_EQ(lines[1], "00000 : 00001");
    EXPECT_TRUE(lines[2].startsWith("00002 : "));
    EXPECT_TRUE(lines[13].startsWith("00024 : "));
}

TEST_F(DebuggerTest, ResetsShowPcZeroAndTotalZeroAtOnce) {
    for (int id : {5, 6}) {
        m_->Cpu.PC = 0x1800;
        for (int i = 0; i < 4; ++i) m_->MemoryImage[0x1800 + i] = 0x00;
        DebuggerWindow w(*m_);
        w.Step();
        w.Step();
        EXPECT_EQ(Text(w, DebuggerField::TStates), "      8  4");
        Menu(w, id)->trigger();
        EXPECT_EQ(Text(w, DebuggerField::PC), "00000") << id;
        EXPECT_EQ(Text(w, DebuggerField::TStates), "      0  0") << id;
        EXPECT_EQ(Text(w, DebuggerField::SP), "00000") << id;
        EXPECT_EQ(StackLines(w).first().left(8), "00000 : ") << id;
    }
}

// --- interrupts menu ---------------------------------------------------------

TEST_F(DebuggerTest, ForceModeAndState) {
    DebuggerWindow w(*m_);
    Menu(w, 57)->trigger();
    EXPECT_EQ(m_->Cpu.IM, 2);
    EXPECT_EQ(Text(w, DebuggerField::Mode), "2");
    Menu(w, 55)->trigger();
    EXPECT_EQ(Text(w, DebuggerField::Mode), "0");
    Menu(w, 56)->trigger();
    EXPECT_EQ(Text(w, DebuggerField::Mode), "1");

    Menu(w, 59)->trigger();
    EXPECT_EQ(m_->Cpu.IFF, 4);
    EXPECT_TRUE(m_->Cpu.EiPending);
    EXPECT_EQ(Text(w, DebuggerField::Enabled), "Y");
    Menu(w, 58)->trigger();
    EXPECT_EQ(m_->Cpu.IFF, 0);
    EXPECT_TRUE(m_->Cpu.EiPending);  // left as it was
    EXPECT_EQ(Text(w, DebuggerField::Enabled), "N");
}

TEST_F(DebuggerTest, FlagBreakpointsArmAtOnce) {
    m_->Cpu.F = 0x40;  // Z set
    DebuggerWindow w(*m_);
    Menu(w, 10)->trigger();  // "Z"
    EXPECT_EQ(m_->BreakArmed, 1);
    EXPECT_EQ(m_->BreakKind, 1);
    EXPECT_EQ(m_->BreakFlagMask, 0x40);
    EXPECT_EQ(m_->BreakValue, 0x40);
    Menu(w, 17)->trigger();  // "Any"
    EXPECT_EQ(m_->BreakKind, 8);
    EXPECT_EQ(m_->BreakFlagMask, 0xFF);
    EXPECT_TRUE(Menu(w, 17)->isChecked());
    EXPECT_FALSE(Menu(w, 10)->isChecked());  // replaced: one check mark only
    Menu(w, 8)->trigger();  // "View TV Output": nothing
    EXPECT_TRUE(w.findChildren<QDialog*>().isEmpty());
}

TEST_F(DebuggerTest, BreakpointHitTextNamesTheWatchThePcAndItsInstruction) {
    Load(0x1800, {0x3E, 0x05});  // LD A,05h
    std::strcpy(m_->InstructionText, "NOP");
    m_->NumberBase = 1;
    m_->BreakKind = 31;  // HL
    m_->Cpu.H = 0x12;
    m_->Cpu.L = 0x34;
    EXPECT_EQ(kestrel::BreakpointHitText(*m_),
              "Breakpoint hit: register HL = 1234h at PC 1800h: LD A,05h");
    EXPECT_STREQ(m_->InstructionText, "NOP");  // the last step's text stays
    m_->BreakKind = 18;
    m_->BreakOpcode = 0x76;
    m_->NumberBase = 0;
    EXPECT_EQ(kestrel::BreakpointHitText(*m_), "Breakpoint hit: opcode 118 at PC 06144: LD A,005");
    QString shown;
    WhenModal<DebuggerWindow>([&](DebuggerWindow* w) {
        shown = w->StatusLine()->text();
        EXPECT_TRUE(w->StatusLine()->isVisible());
        w->Leave();
    });
    kestrel::RunDebuggerWindow(*m_, nullptr, "Breakpoint hit: flag C");
    EXPECT_EQ(shown, "Breakpoint hit: flag C");
}

// --- leaving -----------------------------------------------------------------

class Leaving : public DebuggerTest, public ::testing::WithParamInterface<int> {};

// 0 RUN button, 4 "Exit", 7 "Run", 36 "Debug to file", -1 the close button.
TEST_P(Leaving, EveryWayReturnsToTheRunLoopWithCountersCleared) {
    const int way = GetParam();
    Load(0x1800, {0x00, 0x00});
    bool stepped = false;
    WhenModal<DebuggerWindow>([this, way, &stepped](DebuggerWindow* w) {
        QTest::mouseClick(Button(*w, "STEP"), Qt::LeftButton);
        stepped = m_->StepTStateTotal == 4;
        QTest::keyClick(w, Qt::Key_Escape);  // Escape is no way out
        EXPECT_TRUE(w->isVisible());
        if (!w->isVisible()) return;
        if (way == 0)
            QTest::mouseClick(Button(*w, "RUN"), Qt::LeftButton);
        else if (way < 0)
            w->close();
        else
            Menu(*w, way)->trigger();
    });
    kestrel::RunDebuggerWindow(*m_, nullptr);
    EXPECT_TRUE(stepped);
    EXPECT_EQ(m_->Cpu.TStates, 0);
    EXPECT_EQ(m_->StepTStateTotal, 0u);
    EXPECT_EQ(m_->Cpu.PC, 0x1801);
    EXPECT_EQ(m_->TraceToFile, way == 36 ? 1 : 0);
    if (way == 36) {
        EXPECT_GT(m_->ListingFill, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, Leaving, ::testing::Values(0, 4, 7, 36, -1));

// --- the listing rule on its own -----------------------------------------------

TEST(ListingViewRule, EmptyLineOnKindChangeAndAtMostThirtyFive) {
    ListingView view;
    view.AddLine(ListingView::Notice, "a");  // first line: no empty line before it
    EXPECT_EQ(view.count(), 1);
    view.AddLine(ListingView::Instruction, "b");
    view.AddLine(ListingView::Instruction, "c");
    view.AddLine(ListingView::Notice, "d");
    ASSERT_EQ(view.count(), 6);
    EXPECT_EQ(view.item(1)->text(), "");
    EXPECT_EQ(view.item(4)->text(), "");
    for (int i = 0; i < 40; ++i) view.AddLine(ListingView::Notice, QString::number(i));
    EXPECT_EQ(view.count(), 35);
    EXPECT_EQ(view.LineCount(), 35);
    EXPECT_EQ(view.item(0)->text(), "5");
    EXPECT_EQ(view.item(34)->text(), "39");
}

}  // namespace

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
