#include "kestrel/shell/emulation_settings.h"

#include <QSettings>

namespace kestrel {

namespace {

constexpr char kRealTimeKey[] = "emulation/realTimeSpeed";

QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("kestrel"),
                     QStringLiteral("kestrel"));
}

}  // namespace

bool StoredRealTime() { return Settings().value(QLatin1String(kRealTimeKey), false).toBool(); }

void StoreRealTime(bool on) {
    QSettings settings = Settings();
    settings.setValue(QLatin1String(kRealTimeKey), on);
    settings.sync();
}

bool RealTimeAtStart(bool option) { return option || StoredRealTime(); }

}  // namespace kestrel
