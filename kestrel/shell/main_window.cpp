#include "kestrel/shell/main_window.h"

#include <QAction>
#include <QFile>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

#include "kestrel/board/keypad.h"
#include "kestrel/debug/breakpoint_list.h"
#include "kestrel/debugger_ui/debugger_window.h"
#include "kestrel/debugger_ui/disassemble_to_file.h"
#include "kestrel/debugger_ui/peek_dialog.h"
#include "kestrel/debugger_ui/poke_dialog.h"
#include "kestrel/debugger_ui/symbol_files.h"
#include "kestrel/gui/memory_range_dialog.h"
#include "kestrel/gui/platform.h"
#include "kestrel/shell/board_view.h"
#include "kestrel/shell/emulation_settings.h"
#include "kestrel/shell/host_keyboard.h"
#include "kestrel/shell/keyboard_map_dialog.h"
#include "kestrel/shell/keypad_view.h"
#include "kestrel/shell/program_session.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

MainWindow::MainWindow(MachineRecord& machine)
    : QMainWindow(nullptr,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      machine_(machine) {
    programs_ = new ProgramSession(machine_, this);
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(platform::kMainWindowTitle));
    setFocusPolicy(Qt::StrongFocus);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("boardAndKeypad"));
    board_ = new BoardView(machine_, central);
    board_->move(0, 0);
    keypad_ = new KeypadView(central);
    keypad_->move(0, kKeypadTop);
    keypad_->SetClickHandler([this](int x, int y) { ClickKeypad(x, y + kKeypadTop); });
    setCentralWidget(central);
    BuildMenus();

    // A close request while the debugger or a dialog is open is remembered:
    // the program ends when that window has returned to the run loop.
    platform::WatchBlockedCloseRequests(this, [this] { RequestQuit(); });

    // Not resizable: the whole client area, menu bar included, is 460 x 680.
    setFixedSize(kClientWidth, kClientHeight);
    move(50, 50);
}

QAction* MainWindow::AddItem(QMenu* menu, const QString& text, int id, const char* objectName,
                             void (MainWindow::*slot)()) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setData(id);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    // The menu bar takes what the board and the keypad leave of the 680
    // pixels, whatever the height of the host's menu font would make it.
    bar->setFixedHeight(kClientHeight - kKeypadTop - kKeypadHeight);

    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("menuFile"));
    AddItem(file, QStringLiteral("Load Bin/Rom"), menu_id::kLoadBin, "actionLoadBin", &MainWindow::LoadBin);
    AddProgramItems(file);
    AddItem(file, QStringLiteral("Load symbols"), menu_id::kLoadSymbols, "actionLoadSymbols",
            &MainWindow::LoadSymbols);
    AddItem(file, QStringLiteral("Save Bin/Rom"), menu_id::kSaveBin, "actionSaveBin", &MainWindow::SaveBin);
    file->addSeparator();
    AddStateItems(file);
    file->addSeparator();
    AddItem(file, QStringLiteral("Exit"), menu_id::kExit, "actionExit", &MainWindow::RequestQuit);

    QMenu* emulation = bar->addMenu(QStringLiteral("Emulation"));
    emulation->setObjectName(QStringLiteral("menuEmulation"));
    AddItem(emulation, QStringLiteral("Hard Reset"), menu_id::kHardReset, "actionHardReset",
            &MainWindow::HardReset);
    emulation->addSeparator();
    writeProtect_ = AddItem(emulation, QStringLiteral("Write Protect ROM"), menu_id::kWriteProtectRom,
                            "actionWriteProtectRom", &MainWindow::ToggleWriteProtectRom);
    writeProtect_->setCheckable(true);
    writeProtect_->setChecked(true);
    emulation->addSeparator();
    realTimeItem_ = AddItem(emulation, QStringLiteral("Real-time speed"), menu_id::kRealTimeSpeed,
                            "actionRealTimeSpeed", &MainWindow::ToggleRealTime);
    realTimeItem_->setCheckable(true);
    keyboard_ = AddItem(emulation, QStringLiteral("Keyboard drives keypad"), menu_id::kKeyboardDrivesKeypad,
                        "actionKeyboardDrivesKeypad", &MainWindow::ToggleKeyboardDrivesKeypad);
    keyboard_->setCheckable(true);
    SetKeyboardDrivesKeypad(StoredKeyboardDrivesKeypad(), false);
    emulation->addSeparator();
    AddKeepItem(emulation);

    QMenu* tools = bar->addMenu(QStringLiteral("Tools"));
    tools->setObjectName(QStringLiteral("menuTools"));
    AddItem(tools, QStringLiteral("Disassemble to file"), menu_id::kDisassemble, "actionDisassemble",
            &MainWindow::DisassembleToFile);
    tools->addSeparator();
    AddItem(tools, QStringLiteral("Debugger"), menu_id::kDebugger, "actionDebugger", &MainWindow::OpenDebugger);
    tools->addSeparator();
    AddItem(tools, QStringLiteral("PEEK Memory"), menu_id::kPeek, "actionPeek", &MainWindow::PeekMemory);
    AddItem(tools, QStringLiteral("POKE Memory"), menu_id::kPoke, "actionPoke", &MainWindow::PokeMemory);

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    AddItem(help, QStringLiteral("Help Topics"), menu_id::kHelpTopics, "actionHelpTopics",
            &MainWindow::ShowHelpTopics);
    AddItem(help, QStringLiteral("Keyboard map"), menu_id::kKeyboardMap, "actionKeyboardMap",
            &MainWindow::ShowKeyboardMap);
    AddItem(help, QStringLiteral("Debugger keys"), menu_id::kDebuggerKeys, "actionDebuggerKeys",
            &MainWindow::ShowDebuggerKeys);
    AddItem(help, QStringLiteral("About"), menu_id::kAbout, "actionAbout", &MainWindow::ShowAbout);
}

QAction* MainWindow::MenuAction(int id) const {
    for (QAction* action : findChildren<QAction*>()) {
        if (action->data().isValid() && action->data().toInt() == id) return action;
    }
    return nullptr;
}

void MainWindow::ClickKeypad(int x, int y) {
    mouseX_ = x;
    mouseY_ = y;
    if (x < 1 || y < kKeypadTop) return;
    const KeyRect* key = KeyAt(x, y - kKeypadTop);
    if (key == nullptr) return;
    PressKey(key->Key);
}

void MainWindow::PressKey(KeypadKey key) {
    PressKeypadKey(machine_, key);
    // MONI and RESET leave the program being stepped over or out of.
    if (key == KeypadKey::Moni || key == KeypadKey::Reset) DisarmOneTimeStop(machine_);
}

void MainWindow::HardReset() {
    ResetBoard(machine_, true);
    DisarmOneTimeStop(machine_);
}

void MainWindow::ToggleWriteProtectRom() {
    // The check mark follows the flag; the WriteEnableMap is not affected.
    machine_.WriteProtectRom = !machine_.WriteProtectRom;
    writeProtect_->setChecked(machine_.WriteProtectRom);
}

void MainWindow::SetRealTime(bool on) {
    realTime_.SetEnabled(on);
    realTimeItem_->setChecked(on);
}

void MainWindow::ToggleRealTime() {
    SetRealTime(!realTime_.Enabled());
    StoreRealTime(realTime_.Enabled());
}

void MainWindow::SetKeyboardDrivesKeypad(bool on, bool remember) {
    keyboardDrivesKeypad_ = on;
    keyboard_->setChecked(on);
    if (remember) StoreKeyboardDrivesKeypad(on);
}

void MainWindow::ToggleKeyboardDrivesKeypad() { SetKeyboardDrivesKeypad(!keyboardDrivesKeypad_, true); }

void MainWindow::ShowNotInstalled(int id) {
    platform::ShowMessage(this, QString::fromLatin1(platform::kTitleInfo),
                          QStringLiteral("MenuItem: %1 is not currently installed.").arg(id));
}

// Menu actions: each hands over to the window or dialog that does the work.
void MainWindow::LoadBin() {
    LoadedImage loaded;
    if (LoadBinFile(machine_, this, &loaded))
        programs_->Remember(ProgramSource{ProgramSource::Kind::Bin,
                                          QFile::encodeName(loaded.Path).toStdString(), loaded.Base,
                                          loaded.Count});
}
void MainWindow::SaveBin() { SaveBinFile(machine_, this); }
void MainWindow::DisassembleToFile() { ::kestrel::DisassembleToFile(machine_, this); }
void MainWindow::OpenDebugger() { RunDebuggerWindow(machine_, this); }
void MainWindow::OpenDebuggerAtBreakpoint() {
    RunDebuggerWindow(machine_, this, BreakpointHitText(machine_));
}
void MainWindow::OpenDebuggerAtCheck() { RunDebuggerWindowAtCheck(machine_, this); }

void MainWindow::LoadSymbols() { ChooseAndLoadSymbols(machine_, this); }

void MainWindow::ShowDebuggerKeys() {
    platform::ShowMessage(this, QStringLiteral("Debugger keys"), QString::fromLatin1(kDebuggerKeysText));
}
void MainWindow::PeekMemory() { RunPeekDialog(machine_, this); }
void MainWindow::PokeMemory() { RunPokeDialog(machine_, this); }

void MainWindow::ShowHelpTopics() { ShowNotInstalled(menu_id::kHelpTopics); }

void MainWindow::ShowKeyboardMap() {
    KeyboardMapDialog dialog(this);
    dialog.exec();
}

void MainWindow::ShowAbout() {
    platform::ShowMessage(this, QString::fromLatin1(platform::kTitleAbout),
                          QStringLiteral("%1, version %2")
                              .arg(QString::fromLatin1(platform::kProgramName),
                                   QString::fromLatin1(platform::kProgramVersion)));
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        RequestQuit();
        event->accept();
        return;
    }
    // Each press, auto-repeat included, is one click of the mapped key.
    const KeyRect* key = keyboardDrivesKeypad_ ? KeypadKeyForHostKey(event->key(), event->modifiers()) : nullptr;
    if (key == nullptr) {
        event->ignore();  // every other key does nothing
        return;
    }
    PressKey(key->Key);
    event->accept();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The run loop finishes its pass and ends the program; the window stays
    // up until then.
    RequestQuit();
    event->ignore();
}

}  // namespace kestrel
