// The choices kestrel remembers between runs, kept with QSettings in the
// user's configuration folder ("kestrel/kestrel.conf" under
// $XDG_CONFIG_HOME, by default ~/.config), through the platform seam
// (platform::LoadChoice, platform::SaveChoice).
//
// "Real-time speed" and "Keyboard drives keypad": the menu item stores the
// choice each time it is changed. The command-line options --real-time and
// --keyboard turn the mode on for that run only and store nothing; without
// them the stored choice holds.
#pragma once

namespace kestrel {

// The stored "Real-time speed" choice (off when nothing is stored).
bool StoredRealTime();
void StoreRealTime(bool on);

// Whether a run starts in real time: with --real-time, or as stored.
bool RealTimeAtStart(bool option);

// The stored "Keyboard drives keypad" choice (off when nothing is stored).
bool StoredKeyboardDrivesKeypad();
void StoreKeyboardDrivesKeypad(bool on);

}  // namespace kestrel
