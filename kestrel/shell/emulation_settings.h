// The choices kestrel remembers between runs, kept with QSettings in the
// user's configuration folder ("kestrel/kestrel.conf" under
// $XDG_CONFIG_HOME, by default ~/.config).
//
// "Real-time speed": the menu item stores the choice each time it is
// changed. The command-line option --real-time turns real time on for that
// run only and stores nothing; without it the stored choice holds.
#pragma once

namespace kestrel {

// The stored "Real-time speed" choice (off when nothing is stored).
bool StoredRealTime();
void StoreRealTime(bool on);

// Whether a run starts in real time: with --real-time, or as stored.
bool RealTimeAtStart(bool option);

}  // namespace kestrel
