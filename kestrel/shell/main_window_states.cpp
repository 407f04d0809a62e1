// The main window's save states: File > "Save state..." and "Load state...",
// the quick slot on Ctrl+S and Ctrl+L, Emulation > "Keep machine between runs".
// Ctrl combinations click no keypad key (host_keyboard.h), so these keys
// clash with nothing whether or not the keyboard drives the keypad.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>

#include "kestrel/gui/memory_range_dialog.h"
#include "kestrel/gui/platform.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/shell/state_files.h"

namespace kestrel {

namespace {

inline constexpr char kSaveStateTitle[] = "Save state";
inline constexpr char kLoadStateTitle[] = "Load state";

// A menu item whose shortcut also works while the menu is closed.
void WithShortcut(QWidget* window, QAction* action, QKeySequence keys) {
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
}

}  // namespace

void MainWindow::AddStateItems(QMenu* file) {
    AddItem(file, QStringLiteral("Save state..."), menu_id::kSaveState, "actionSaveState", &MainWindow::SaveState);
    AddItem(file, QStringLiteral("Load state..."), menu_id::kLoadState, "actionLoadState", &MainWindow::LoadState);
    WithShortcut(this,
                 AddItem(file, QStringLiteral("Quick save state"), menu_id::kQuickSave, "actionQuickSave",
                         &MainWindow::QuickSaveState),
                 QKeySequence(Qt::CTRL | Qt::Key_S));
    WithShortcut(this,
                 AddItem(file, QStringLiteral("Quick restore state"), menu_id::kQuickRestore, "actionQuickRestore",
                         &MainWindow::QuickRestoreState),
                 QKeySequence(Qt::CTRL | Qt::Key_L));
}

void MainWindow::AddKeepItem(QMenu* emulation) {
    keep_ = AddItem(emulation, QStringLiteral("Keep machine between runs"), menu_id::kKeepMachine,
                    "actionKeepMachine", &MainWindow::ToggleKeepMachine);
    keep_->setCheckable(true);
    keep_->setChecked(StoredKeepMachine());
}

bool MainWindow::KeepMachine() const { return keep_->isChecked(); }

void MainWindow::ToggleKeepMachine() { StoreKeepMachine(keep_->isChecked()); }

bool MainWindow::WriteState(const QString& path) {
    const QString why = WriteStateFile(machine_, path);
    if (why.isEmpty()) return true;
    platform::ShowMessage(this, QString::fromLatin1(kSaveStateTitle),
                          QStringLiteral("%1 was not saved: %2.").arg(QDir::toNativeSeparators(path), why));
    return false;
}

bool MainWindow::RestoreState(const QString& path) {
    const QString why = ReadStateFile(machine_, path);
    if (why.isEmpty()) {
        // The board's clock is the state's now: the sound starts again from it.
        if (speaker_.Attached()) {
            speaker_.Detach();
            speaker_.Attach();
        }
        return true;
    }
    platform::ShowMessage(this, QString::fromLatin1(kLoadStateTitle),
                          QStringLiteral("%1 was not loaded: %2.\nThe machine is as it was.")
                              .arg(QDir::toNativeSeparators(path), why));
    return false;
}

void MainWindow::SaveState() {
    const QString chosen = platform::SaveFileName(this, QString::fromLatin1(kSaveStateTitle),
                                                  QString::fromLatin1(kStateFileFilter), ImageFileStartDirectory());
    if (chosen.isEmpty()) return;
    // The extension may name another file than the chooser showed: the
    // question about replacing one is asked about the final name.
    const QString path = WithStateExtension(chosen);
    if (QFileInfo::exists(path) &&
        !platform::AskYesNo(this, QString::fromLatin1(kSaveStateTitle),
                            QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                .arg(QDir::toNativeSeparators(path))))
        return;
    WriteState(path);
}

void MainWindow::LoadState() {
    const QString path = platform::OpenFileName(this, QString::fromLatin1(kLoadStateTitle),
                                                QString::fromLatin1(kStateFileFilter), ImageFileStartDirectory());
    if (!path.isEmpty()) RestoreState(path);
}

void MainWindow::QuickSaveState() { WriteState(QuickStatePath()); }

void MainWindow::QuickRestoreState() { RestoreState(QuickStatePath()); }

}  // namespace kestrel
