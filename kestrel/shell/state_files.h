// Save states on disk: ".kst" files (docs/save-states.md), the quick slot and
// the machine kept between runs, both in kestrel's data folder
// ($XDG_DATA_HOME/kestrel, by default ~/.local/share/kestrel).
//
// A state is written to a temporary file beside the target and renamed over
// it only once complete, so a failed write never leaves half a file in place
// of a good one. A state that cannot be used is refused with the reason, and
// the machine is left as it was.
#pragma once

#include <QString>

#include "kestrel/board/machine.h"

namespace kestrel {

inline constexpr char kStateExtension[] = ".kst";
inline constexpr char kStateFileFilter[] = "kestrel states (*.kst)";

// The data folder and the two files kestrel keeps there.
QString StateFolder();
QString QuickStatePath();  // "quick.kst": Ctrl+S saves it, Ctrl+L restores it
QString KeptStatePath();   // "kept.kst": "Keep machine between runs"

// `name` with ".kst" added when its last component has no extension.
QString WithStateExtension(const QString& name);

// Writes the state of `m` to `path` (its folder is made when missing).
// Returns "" when done, or why not.
QString WriteStateFile(const Machine& m, const QString& path);

// Restores `m` from the state file at `path`. Returns "" when done, or why
// not (the machine then unchanged).
QString ReadStateFile(Machine& m, const QString& path);

// The stored "Keep machine between runs" choice (off when nothing is stored).
bool StoredKeepMachine();
void StoreKeepMachine(bool on);

// Start-up with the choice on: resumes from the kept state when there is
// one. A kept state that cannot be used is renamed aside (".unreadable"
// added) and the returned text tells the user so; "" otherwise.
QString ResumeKeptMachine(Machine& m);

}  // namespace kestrel
