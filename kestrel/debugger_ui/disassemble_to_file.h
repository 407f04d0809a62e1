// "Disassemble to file" of the main window's and the debugger's Tools menus.
#pragma once

#include "kestrel/debug/listing_file.h"
#include "kestrel/debug/machine_record.h"

class QWidget;

namespace kestrel {

// Asks for the range with the AddressRangeDialog and, unless it is cancelled,
// appends the listing to "dis.asm" in the current directory (path for tests).
// A file that cannot be written is reported in a message box titled "Error"
// that names the file; a listing that the 64,000-byte limit ended before the
// end asked for is reported in one titled "Disassemble to file", naming the
// address where it stopped and where the next use goes on. Registers are left
// unchanged.
void DisassembleToFile(MachineRecord& m, QWidget* parent, const char* path = kDisassemblyFile);

// The message box for a listing file that could not be written:
// title "Error", text "<file> - Can't write file!".
void ShowListingWriteError(QWidget* parent, const char* fileName);

// The message box of a trace whose full buffer has just been added to
// "debug.lst": title "Debug to file", the PC where the trace ended.
void ShowTraceWritten(QWidget* parent, const MachineRecord& m);

}  // namespace kestrel
