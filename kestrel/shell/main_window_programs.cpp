// The main window's "Load HEX file" and "Reload" items.
#include <QAction>
#include <QFile>
#include <QKeySequence>
#include <QMenu>

#include "kestrel/shell/main_window.h"
#include "kestrel/gui/memory_range_dialog.h"
#include "kestrel/gui/platform.h"
#include "kestrel/shell/program_session.h"

namespace kestrel {

namespace {

inline constexpr char kLoadHexTitle[] = "Load HEX file";
inline constexpr char kHexFileFilter[] = "Intel HEX files (*.hex *.ihx)";

// A fault of a load: "Load HEX" or "Load BIN" with the reason.
void ShowLoadFault(QWidget* parent, ProgramSource::Kind kind, const std::string& fault) {
    const char* title = kind == ProgramSource::Kind::Hex ? platform::kTitleLoadHex : platform::kTitleLoadBin;
    const QString text = kind == ProgramSource::Kind::Hex ? QString::fromStdString(fault)
                                                          : QString::fromLatin1(kLoadFailedText);
    platform::ShowMessage(parent, QString::fromLatin1(title), text);
}

}  // namespace

void MainWindow::AddProgramItems(QMenu* file) {
    AddItem(file, QStringLiteral("Load HEX file"), menu_id::kLoadHex, "actionLoadHex", &MainWindow::LoadHex);
    reload_ = AddItem(file, QStringLiteral("Reload"), menu_id::kReload, "actionReload",
                      &MainWindow::ReloadProgram);
    reload_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    reload_->setShortcutContext(Qt::WindowShortcut);
    reload_->setEnabled(false);
    addAction(reload_);  // the shortcut works while the menu is closed
    connect(programs_, &ProgramSession::ProgramChanged, reload_,
            [this] { reload_->setEnabled(programs_->HasProgram()); });
}

void MainWindow::LoadHex() {
    const QString path = platform::OpenFileName(this, QString::fromLatin1(kLoadHexTitle),
                                                QString::fromLatin1(kHexFileFilter), ImageFileStartDirectory());
    if (path.isEmpty()) return;
    const ProgramSource source{ProgramSource::Kind::Hex, QFile::encodeName(path).toStdString(), 0, 0};
    const ProgramLoadResult result = programs_->Load(source);
    if (!result.loaded) ShowLoadFault(this, source.kind, result.fault);
}

void MainWindow::ReloadProgram() {
    if (!programs_->HasProgram()) return;
    const ProgramLoadResult result = programs_->Reload();
    if (!result.loaded) ShowLoadFault(this, programs_->Source().kind, result.fault);
    if (!result.skipped.empty())
        platform::ShowMessage(this, QString::fromLatin1(platform::kTitleLoadBin),
                              QString::fromStdString(result.skipped));
}

}  // namespace kestrel
