#include "kestrel/shell/emulation_settings.h"

#include "kestrel/gui/platform.h"

namespace kestrel {

namespace {

constexpr char kRealTimeKey[] = "emulation/realTimeSpeed";
constexpr char kKeyboardKey[] = "emulation/keyboardDrivesKeypad";

}  // namespace

bool StoredRealTime() { return platform::LoadChoice(kRealTimeKey, false); }

void StoreRealTime(bool on) { platform::SaveChoice(kRealTimeKey, on); }

bool RealTimeAtStart(bool option) { return option || StoredRealTime(); }

bool StoredKeyboardDrivesKeypad() { return platform::LoadChoice(kKeyboardKey, false); }

void StoreKeyboardDrivesKeypad(bool on) { platform::SaveChoice(kKeyboardKey, on); }

}  // namespace kestrel
