#include "kestrel/debugger_ui/debugger_window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <string_view>

#include "kestrel/board/ppi.h"
#include "kestrel/debug/breakpoint.h"
#include "kestrel/debug/debug_session.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/number_format.h"
#include "kestrel/debug/registers.h"
#include "kestrel/debug/symbols.h"
#include "kestrel/debug/trace.h"
#include "kestrel/debugger_ui/break_on_opcode_dialog.h"
#include "kestrel/debugger_ui/break_on_value_dialog.h"
#include "kestrel/debugger_ui/code_window.h"
#include "kestrel/debugger_ui/debugger_menu_ids.h"
#include "kestrel/debugger_ui/disassemble_to_file.h"
#include "kestrel/debugger_ui/hex_dump_window.h"
#include "kestrel/debugger_ui/listing_view.h"
#include "kestrel/debugger_ui/load_register_dialog.h"
#include "kestrel/debugger_ui/peek_dialog.h"
#include "kestrel/debugger_ui/poke_dialog.h"
#include "kestrel/debugger_ui/stack_view.h"
#include "kestrel/debugger_ui/symbol_files.h"
#include "kestrel/gui/memory_range_dialog.h"
#include "kestrel/gui/platform.h"
#include "kestrel/gui/ui_support.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

namespace {

QString Bits(uint8_t value) {
    QString text(8, QLatin1Char('0'));
    for (int i = 0; i < 8; ++i)
        if (value & (0x80 >> i)) text[i] = QLatin1Char('1');
    return text;
}

QString Word(uint16_t value, uint8_t base) {
    return QString::fromStdString(NumberText(value, NumberWidth::Word, base));
}

QString Byte(uint8_t value, uint8_t base) {
    return QString::fromStdString(NumberText(value, NumberWidth::Byte, base));
}

// A header strip: bold 8 point text, centred, in its colours.
QLabel* MakeHeader(QWidget* parent, const QString& text, int x, int y, int w, int h,
                   const char* colours, const QString& name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(x, y, w, h);
    label->setAlignment(Qt::AlignCenter);
    // Two pixels stay free at each end of the strip.
    label->setFont(platform::FitFont(ToolFont(8, true), text, w - 4));
    label->setStyleSheet(QString::fromLatin1(colours));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int x, int y, int w, int h,
                        const QFont& font) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("button") + text);
    button->setAccessibleName(text);
    button->setGeometry(x, y, w, h);
    button->setFont(font);
    button->setAutoDefault(false);
    return button;
}

struct FieldPlace {
    DebuggerField field;
    const char* name;  // object name after "field", and accessible name
    const char* label;
    int x, y, w;
};

// Where every field sits (height 15 each).
constexpr FieldPlace kFieldPlaces[] = {
    {DebuggerField::Enabled, "Enabled", "Enabled", 538, 266, 20},
    {DebuggerField::Mode, "Mode", "Mode", 538, 282, 20},
    {DebuggerField::TStates, "TStates", "T-state", 418, 282, 68},
    {DebuggerField::ABits, "ABits", "A bits", 382, 314, 56},
    {DebuggerField::FBits, "FBits", "F bits", 442, 314, 56},
    {DebuggerField::BBits, "BBits", "B bits", 382, 332, 56},
    {DebuggerField::CBits, "CBits", "C bits", 442, 332, 56},
    {DebuggerField::DBits, "DBits", "D bits", 382, 350, 56},
    {DebuggerField::EBits, "EBits", "E bits", 442, 350, 56},
    {DebuggerField::HBits, "HBits", "H bits", 382, 368, 56},
    {DebuggerField::LBits, "LBits", "L bits", 442, 368, 56},
    {DebuggerField::AF, "AF", "AF", 520, 314, 38},
    {DebuggerField::BC, "BC", "BC", 520, 332, 38},
    {DebuggerField::DE, "DE", "DE", 520, 350, 38},
    {DebuggerField::HL, "HL", "HL", 520, 368, 38},
    {DebuggerField::AltAF, "AltAF", "AF'", 400, 388, 38},
    {DebuggerField::AltBC, "AltBC", "BC'", 400, 406, 38},
    {DebuggerField::AltDE, "AltDE", "DE'", 400, 424, 38},
    {DebuggerField::AltHL, "AltHL", "HL'", 400, 442, 38},
    {DebuggerField::IX, "IX", "IX", 460, 406, 38},
    {DebuggerField::IY, "IY", "IY", 460, 424, 38},
    {DebuggerField::PC, "PC", "PC", 460, 442, 38},
    {DebuggerField::SP, "SP", "SP", 520, 442, 38},
    {DebuggerField::MEMPTR, "MEMPTR", "MEMPTR", 520, 424, 38},
    {DebuggerField::I, "I", "I", 472, 388, 26},
    {DebuggerField::R, "R", "R", 532, 388, 26},
};

struct LabelPlace {
    const char* text;
    int x, y, w, h;
};

// The register labels (centred but for "A:").
constexpr LabelPlace kLabelPlaces[] = {
    {"A:", 370, 316, 10, 12},   {":F=", 498, 316, 20, 12},
    {"B:", 370, 334, 10, 12},   {":C=", 498, 334, 20, 12},
    {"D:", 370, 352, 10, 12},   {":E=", 498, 352, 20, 12},
    {"H:", 370, 370, 10, 12},   {":L=", 498, 370, 20, 12},
    {"AF':", 374, 390, 25, 12}, {"I:", 460, 390, 10, 12},  {"R:", 518, 390, 15, 12},
    {"BC':", 374, 408, 25, 12}, {"IX:", 438, 408, 25, 20},
    {"DE':", 374, 426, 25, 12}, {"IY:", 438, 426, 25, 20},
    {"HL':", 374, 444, 25, 12}, {"PC:", 438, 444, 25, 20}, {"SP:", 500, 444, 25, 12},
    {"Enabled", 491, 268, 42, 15}, {"Mode", 491, 284, 40, 15},
};

}  // namespace

QString DebuggerFieldText(const MachineRecord& m, DebuggerField field) {
    const Z80State& c = m.Cpu;
    const uint8_t base = m.NumberBase;
    auto pair = [](uint8_t hi, uint8_t lo) { return static_cast<uint16_t>(hi << 8 | lo); };
    switch (field) {
        case DebuggerField::Enabled: return c.IFF ? QStringLiteral("Y") : QStringLiteral("N");
        case DebuggerField::Mode: return QString::number(c.IM);
        case DebuggerField::TStates:
            // A count beyond two digits (a step over, out or run to) shows "**".
            if (c.TStates > 99) return QString::asprintf("%7d **", static_cast<int>(m.StepTStateTotal));
            return QString::asprintf("%7d %2d", static_cast<int>(m.StepTStateTotal),
                                     static_cast<int>(c.TStates));
        case DebuggerField::ABits: return Bits(c.A);
        case DebuggerField::FBits: return Bits(c.F);
        case DebuggerField::BBits: return Bits(c.B);
        case DebuggerField::CBits: return Bits(c.C);
        case DebuggerField::DBits: return Bits(c.D);
        case DebuggerField::EBits: return Bits(c.E);
        case DebuggerField::HBits: return Bits(c.H);
        case DebuggerField::LBits: return Bits(c.L);
        case DebuggerField::AF: return Word(pair(c.A, c.F), base);
        case DebuggerField::BC: return Word(pair(c.B, c.C), base);
        case DebuggerField::DE: return Word(pair(c.D, c.E), base);
        case DebuggerField::HL: return Word(pair(c.H, c.L), base);
        case DebuggerField::AltAF: return Word(pair(c.AltA, c.AltF), base);
        case DebuggerField::AltBC: return Word(pair(c.AltB, c.AltC), base);
        case DebuggerField::AltDE: return Word(pair(c.AltD, c.AltE), base);
        case DebuggerField::AltHL: return Word(pair(c.AltH, c.AltL), base);
        case DebuggerField::IX: return Word(c.IX, base);
        case DebuggerField::IY: return Word(c.IY, base);
        case DebuggerField::PC: return Word(c.PC, base);
        case DebuggerField::SP: return Word(c.SP, base);
        case DebuggerField::MEMPTR: return Word(c.MEMPTR, base);
        case DebuggerField::I: return Byte(c.I, base);
        case DebuggerField::R: return Byte(c.R, base);  // the counting R, without RBit7
    }
    return {};
}

QString BreakpointHitText(MachineRecord& m) {
    const Disassembly d = Disassemble(m, m.NumberBase, m.Cpu.PC);
    return QStringLiteral("Breakpoint hit: %1 at PC %2: %3")
        .arg(QString::fromStdString(BreakpointWatchText(m)), Word(m.Cpu.PC, m.NumberBase),
             QString::fromLatin1(d.Instruction));
}

QString StepListingLine(const MachineRecord& m) {
    QString bytes = QString::fromLatin1(m.ByteText);
    if (bytes.size() < 14) bytes = bytes.leftJustified(14, QLatin1Char(' '));
    // "Show symbols" names the addresses of the instruction by symbol.
    const std::string instruction = m.ShowSymbols && m.Symbols != nullptr
                                        ? SymbolizeOperands(m.InstructionText, *m.Symbols, m.NumberBase)
                                        : std::string(m.InstructionText);
    return QString::fromLatin1(m.AddressText) + bytes + QString::fromStdString(instruction);
}

DebuggerWindow::DebuggerWindow(MachineRecord& m, QWidget* parent) : QDialog(parent), m_(m) {
    setObjectName(QStringLiteral("debuggerWindow"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(platform::WindowTitle(QStringLiteral("Debugger")));
    setFont(ToolFont(8, false));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    BuildMenus();
    layout->setMenuBar(menuBar_);
    BuildClient();
    layout->addWidget(client_);
    move(540, 50);

    code_ = new CodeWindow(m_, [this](uint16_t address) { RunTo(address); }, this);

    // Opening: counters to 0, breakpoint disarmed, fields written, empty listing.
    BeginDebugSession(m_);
    RefreshAll();
    RefreshBreakpointMarks();
    listing_->ResetCount();
}

void DebuggerWindow::BuildClient() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("debuggerClient"));
    client_->setFixedSize(564, 480);
    const QFont regular = ToolFont(8, false);
    const QFont large = ToolFont(12, true);

    listing_ = new ListingView(client_);
    listing_->setGeometry(1, 0, 362, 459);
    listing_->setFont(regular);

    auto* base = MakeButton(client_, QStringLiteral("BASE"), 367, 208, 50, 40, large);
    auto* run = MakeButton(client_, QStringLiteral("RUN"), 420, 208, 50, 40, large);
    auto* step = MakeButton(client_, QStringLiteral("STEP"), 474, 208, 85, 40, large);
    step->setDefault(true);
    auto* clear = MakeButton(client_, QStringLiteral("CLEAR"), 367, 282, 50, 15, regular);
    connect(base, &QPushButton::clicked, this, [this] { Base(); });
    connect(run, &QPushButton::clicked, this, [this] { Leave(); });
    connect(step, &QPushButton::clicked, this, [this] { Step(); });
    connect(clear, &QPushButton::clicked, this, [this] { Clear(); });

    status_ = new QLabel(client_);
    status_->setObjectName(QStringLiteral("debuggerStatus"));
    status_->setGeometry(1, 462, 562, 16);
    status_->setFont(regular);

    MakeHeader(client_, QStringLiteral("STACK"), 474, 4, 85, 12,
               "color: rgb(255,255,0); background-color: rgb(127,127,127);",
               QStringLiteral("headerStack"));
    stack_ = new StackView(client_);
    stack_->setGeometry(474, 18, 85, 186);
    stack_->setFont(regular);

    MakeHeader(client_, QString(), 368, 252, 123, 12, "background-color: rgb(79,79,79);",
               QStringLiteral("headerStrip1"));
    MakeHeader(client_, QStringLiteral("INTERUPTS"), 491, 252, 67, 12,
               "color: rgb(255,255,255); background-color: rgb(79,79,79);",
               QStringLiteral("headerInterrupts"));
    MakeHeader(client_, QStringLiteral("T-STATE COUNTER"), 368, 268, 118, 12,
               "color: rgb(0,0,0); background-color: rgb(255,255,0);",
               QStringLiteral("headerTStates"));
    MakeHeader(client_, QString(), 363, 301, 80, 7, "background-color: rgb(207,207,207);",
               QStringLiteral("headerStrip2"));
    MakeHeader(client_, QStringLiteral("SZ5H3PNC"), 442, 301, 56, 12,
               "color: rgb(255,255,63); background-color: rgb(159,159,159);",
               QStringLiteral("headerFlags"));
    MakeHeader(client_, QString(), 498, 301, 82, 7, "background-color: rgb(207,207,207);",
               QStringLiteral("headerStrip3"));
    MakeHeader(client_, QStringLiteral("MEMPTR"), 520, 413, 38, 12,
               "color: rgb(255,255,255); background-color: rgb(0,0,0);",
               QStringLiteral("headerMemptr"));

    for (const LabelPlace& p : kLabelPlaces) {
        auto* label = new QLabel(QString::fromLatin1(p.text), client_);
        label->setObjectName(QStringLiteral("label") + QString::fromLatin1(p.text));
        label->setGeometry(p.x, p.y, p.w, p.h);
        label->setFont(platform::FitFont(regular, label->text(), p.w));
        const bool left = std::string_view(p.text) == "A:";
        label->setAlignment(left ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::AlignCenter);
        // The tall labels (IX:, IY:, PC:) reach below their fields: their
        // text is centred in the top 12 pixels, as on the other rows, level
        // with the field's text.
        if (p.h > 15) label->setContentsMargins(0, 0, 0, p.h - 12);
    }
    for (const FieldPlace& p : kFieldPlaces) {
        auto* field = new QLineEdit(client_);
        field->setObjectName(QStringLiteral("field") + QString::fromLatin1(p.name));
        field->setAccessibleName(QString::fromLatin1(p.label));
        field->setGeometry(p.x, p.y, p.w, 15);
        field->setFont(regular);
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        field->setTextMargins(0, 0, 0, 0);
        field->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
        fields_[static_cast<int>(p.field)] = field;
    }
}

namespace {

// The registers of the "8-Bit Register..." and "16-Bit Register..." submenus,
// in RegisterCode order.
constexpr const char* kByteRegisterItems[kByteRegisterCount] = {"A", "F", "B", "C", "D",
                                                               "E", "H", "L", "I", "R"};
constexpr const char* kWordRegisterItems[kRegisterCodeCount - kByteRegisterCount] = {
    "BC", "DE", "HL", "IX", "IY", "PC", "SP"};

}  // namespace

QAction* DebuggerWindow::AddMenuItem(QMenu* menu, const char* text, int id) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QStringLiteral("debuggerMenu%1").arg(id));
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { MenuChoice(id); });
    return action;
}

void DebuggerWindow::AddRegisterMenus(QMenu* parent, int firstId) {
    QMenu* bytes = parent->addMenu(QStringLiteral("8-Bit Register..."));
    for (int i = 0; i < kByteRegisterCount; ++i) AddMenuItem(bytes, kByteRegisterItems[i], firstId + i);
    QMenu* words = parent->addMenu(QStringLiteral("16-Bit Register..."));
    for (int i = 0; i < kRegisterCodeCount - kByteRegisterCount; ++i)
        AddMenuItem(words, kWordRegisterItems[i], firstId + kByteRegisterCount + i);
}

void DebuggerWindow::BuildMenus() {
    using namespace debugger_menu;
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("debuggerMenuBar"));

    QMenu* file = menuBar_->addMenu(QStringLiteral("File"));
    AddMenuItem(file, "Load Bin/Rom", kLoadBin);
    AddMenuItem(file, "Save Bin/Rom", kSaveBin);
    file->addSeparator();
    AddMenuItem(file, "Exit", kExit);

    QMenu* emulation = menuBar_->addMenu(QStringLiteral("Emulation"));
    QMenu* reset = emulation->addMenu(QStringLiteral("Reset"));
    AddMenuItem(reset, "Hard", kHardReset);
    AddMenuItem(reset, "Soft", kSoftReset);
    emulation->addSeparator();
    AddMenuItem(emulation, "Run", kRun);
    emulation->addSeparator();
    AddMenuItem(emulation, "View TV Output", kViewTvOutput);

    QMenu* breakpoint = menuBar_->addMenu(QStringLiteral("Breakpoint"));
    connect(breakpoint, &QMenu::aboutToShow, this, [this] { RefreshBreakpointMarks(); });
    QMenu* flags = breakpoint->addMenu(QStringLiteral("Flag..."));
    const char* flagNames[] = {"S", "Z", "5", "H", "3", "P", "N", "C", "Any"};
    for (int id = kBreakOnFlagFirst; id <= kBreakOnFlagLast; ++id)
        AddMenuItem(flags, flagNames[id - kBreakOnFlagFirst], id);
    breakpoint->addSeparator();
    AddMenuItem(breakpoint, "Opcode...", kBreakOnOpcode);
    breakpoint->addSeparator();
    AddRegisterMenus(breakpoint, kBreakOnRegisterFirst);
    AddDebugItems(file, emulation, breakpoint);

    BuildToolsMenu();
}

void DebuggerWindow::BuildToolsMenu() {
    using namespace debugger_menu;
    QMenu* tools = menuBar_->addMenu(QStringLiteral("Tools"));
    AddMenuItem(tools, "Debug to file", kDebugToFile);
    AddMenuItem(tools, "Disassemble to file", kDisassembleToFile);
    tools->addSeparator();
    AddRegisterMenus(tools->addMenu(QStringLiteral("Load Register...")), kLoadRegisterFirst);
    tools->addSeparator();
    QMenu* interrupts = tools->addMenu(QStringLiteral("Interupts"));
    QMenu* mode = interrupts->addMenu(QStringLiteral("Force Mode"));
    AddMenuItem(mode, "0", kForceMode0);
    AddMenuItem(mode, "1", kForceMode0 + 1);
    AddMenuItem(mode, "2", kForceMode2);
    QMenu* state = interrupts->addMenu(QStringLiteral("Force State"));
    AddMenuItem(state, "Disable", kForceDisable);
    AddMenuItem(state, "Enable", kForceEnable);
    tools->addSeparator();
    AddMenuItem(tools, "HEX Dump", kHexDump);
    tools->addSeparator();
    AddMenuItem(tools, "PEEK Memory", kPeek);
    AddMenuItem(tools, "POKE Memory", kPoke);
}

void DebuggerWindow::Base() {
    ToggleNumberBase(m_);
    RefreshStack();
    RefreshRegisters();
}

void DebuggerWindow::Step() {
    DebugStep(m_);
    listing_->AddLine(ListingView::Instruction, StepListingLine(m_));
    RefreshStack();
    RefreshRegisters();
    RequestRefresh(m_);
}

void DebuggerWindow::Clear() {
    listing_->AddLine(ListingView::Notice, QStringLiteral("Clear T State counter..."));
    ClearStepTotal(m_);
    RefreshTStateField();
}

void DebuggerWindow::Leave() {
    EndDebugSession(m_);
    done(Accepted);
}

void DebuggerWindow::reject() { Leave(); }

void DebuggerWindow::keyPressEvent(QKeyEvent* event) {
    // Escape is no way out of the debugger: only RUN, the menus and the close
    // button leave it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DebuggerWindow::RefreshStack() { stack_->Refresh(m_); }

void DebuggerWindow::RefreshRegisters() {
    for (int i = 0; i < kDebuggerFieldCount; ++i)
        fields_[i]->setText(DebuggerFieldText(m_, static_cast<DebuggerField>(i)));
    if (code_ != nullptr) code_->Refresh();  // the code view follows PC
}

void DebuggerWindow::RefreshTStateField() {
    Field(DebuggerField::TStates)->setText(DebuggerFieldText(m_, DebuggerField::TStates));
}

void DebuggerWindow::RefreshAll() {
    RefreshStack();
    RefreshRegisters();
}

void DebuggerWindow::RefreshBreakpointMarks() {
    // The item identifiers of the Breakpoint menu follow BreakKind: the flag
    // codes 0-8 from kBreakOnFlagFirst on, then the opcode and the registers
    // as they are.
    using namespace debugger_menu;
    const int armedId = m_.BreakKind <= kBreakFlagAny ? m_.BreakKind + kBreakOnFlagFirst : m_.BreakKind;
    for (int id = kBreakOnFlagFirst; id <= kBreakOnRegisterLast; ++id) {
        QAction* action = menuBar_->findChild<QAction*>(QStringLiteral("debuggerMenu%1").arg(id));
        if (action == nullptr) continue;
        action->setCheckable(true);
        action->setChecked(m_.BreakArmed && id == armedId);
    }
}

void DebuggerWindow::ShowStatus(const QString& text) { status_->setText(text); }

void DebuggerWindow::MenuChoice(int id) {
    using namespace debugger_menu;
    if (id >= kBreakOnFlagFirst && id <= kBreakOnRegisterLast) {
        BreakpointChoice(id);
    } else if (id >= kLoadRegisterFirst && id <= kLoadRegisterLast) {
        LoadRegisterDialog dialog(m_, id, [this] { RefreshAll(); }, this);
        dialog.exec();
    } else if (id >= kForceMode0 && id <= kForceMode2) {
        ForceInterruptMode(m_, static_cast<uint8_t>(id - kForceMode0));
        RefreshRegisters();
    } else {
        MenuCommand(id);
    }
}

void DebuggerWindow::BreakpointChoice(int id) {
    using namespace debugger_menu;
    if (id <= kBreakOnFlagLast) {
        ArmFlagBreak(m_, static_cast<uint8_t>(id - kBreakOnFlagFirst));
    } else if (id == kBreakOnOpcode) {
        BreakOnOpcodeDialog::Run(m_, this);
    } else {
        // A cancelled dialog leaves an earlier breakpoint as it was.
        BreakOnValueDialog::Run(m_, static_cast<uint8_t>(id), this);
    }
    RefreshBreakpointMarks();  // Qt has flipped the chosen item's mark
}

void DebuggerWindow::MenuCommand(int id) {
    using namespace debugger_menu;
    switch (id) {
        case kLoadBin: LoadBinFile(m_, this); return;  // the fields are not refreshed
        case kSaveBin: SaveBinFile(m_, this); return;
        case kExit:
        case kRun: Leave(); return;
        case kHardReset:
        case kSoftReset:
            ResetBoard(m_, id == kHardReset);
            ClearStepTotal(m_);
            RefreshAll();
            return;
        case kDebugToFile:
            BeginTrace(m_);
            Leave();
            return;
        case kDisassembleToFile: DisassembleToFile(m_, this); return;
        case kForceDisable:
        case kForceEnable:
            ForceInterruptState(m_, id == kForceEnable);
            RefreshRegisters();
            return;
        case kHexDump: {
            HexDumpWindow dump(m_, this);
            dump.Run();
            return;
        }
        case kPeek: RunPeekDialog(m_, this); return;
        case kPoke: RunPokeDialog(m_, this); return;
        case kLoadSymbols:
            ChooseAndLoadSymbols(m_, this);
            RefreshRegisters();
            return;
        case kStepOver: StepOver(); return;
        case kStepOut: StepOut(); return;
        case kRunToAddress: RunToAddress(); return;
        case kBreakpoints: OpenBreakpoints(); return;
        default: return;  // "View TV Output" has no action; "Show symbols" toggles itself
    }
}

void RunDebuggerWindow(MachineRecord& m, QWidget* parent, const QString& status) {
    DebuggerWindow window(m, parent);
    window.ShowStatus(status);
    window.Code()->show();
    window.exec();
}

void RunDebuggerWindowAtCheck(MachineRecord& m, QWidget* parent) {
    DebuggerWindow window(m, parent);
    window.ShowCheckHit();
    window.Code()->show();
    window.exec();
}

}  // namespace kestrel
