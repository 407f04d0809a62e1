#include "kestrel/debugger_ui/symbol_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "kestrel/debug/symbols.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

bool LoadSymbolFile(MachineRecord& m, const QString& path, QWidget* parent) {
    SymbolLoad load = ReadSymbolFile(QFile::encodeName(path).toStdString());
    if (!load.Ok) {
        platform::ShowMessage(parent, QString::fromLatin1(kLoadSymbolsTitle),
                              QStringLiteral("%1, %2\nNo symbols were loaded.")
                                  .arg(QFileInfo(path).fileName(), QString::fromStdString(load.Error)));
        return false;
    }
    if (m.Symbols != nullptr) *m.Symbols = std::move(load.Table);
    return true;
}

void ChooseAndLoadSymbols(MachineRecord& m, QWidget* parent) {
    const QString path = platform::OpenFileName(parent, QString::fromLatin1(kLoadSymbolsTitle),
                                                QStringLiteral("Symbol files (*.sym *.lbl *.lst);;All files (*)"),
                                                QDir::currentPath());
    if (!path.isEmpty()) LoadSymbolFile(m, path, parent);
}

}  // namespace kestrel
