// Starting from a state and keeping the machine between runs (--state, --keep).
#pragma once

#include <string>

namespace plover {

// $XDG_DATA_HOME/plover/machine.state, or ~/.local/share/plover/machine.state
// when XDG_DATA_HOME is unset or not absolute; empty without a home folder.
std::string KeptStatePath();

// Restores the kept machine when there is one. One that cannot be restored is
// renamed to FILE.unreadable (not deleted), the machine starts afresh, and
// the user is told once, on standard error and in the window.
void ResumeKeptMachine(const std::string& path);

// Saves the machine as the kept one, making its folder when needed; a
// failure is said on standard error.
void KeepMachine(const std::string& path);

}  // namespace plover
