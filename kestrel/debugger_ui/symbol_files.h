// Symbol files into the program's symbol table (MachineRecord::Symbols).
#pragma once

#include <QString>

#include "kestrel/debug/machine_record.h"

class QWidget;

namespace kestrel {

inline constexpr char kLoadSymbolsTitle[] = "Load symbols";

// Reads `path` (pasmo's symbol table or z80asm's label file) into m.Symbols,
// replacing what was there. A bad or unreadable file changes nothing and gets
// a message naming the file and the line. Returns whether it loaded.
bool LoadSymbolFile(MachineRecord& m, const QString& path, QWidget* parent);

// File > "Load symbols": the file chooser, then LoadSymbolFile.
void ChooseAndLoadSymbols(MachineRecord& m, QWidget* parent);

}  // namespace kestrel
