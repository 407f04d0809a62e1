// The choices kestrel remembers between runs, through QSettings.
#include <QSettings>
#include <memory>

#include "kestrel/gui/platform.h"

namespace kestrel::platform {

namespace {

QString g_settingsFile;  // set by tests: an INI file in their scratch folder

std::unique_ptr<QSettings> OpenSettings() {
    if (!g_settingsFile.isEmpty()) return std::make_unique<QSettings>(g_settingsFile, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(kSettingsOrganisation),
                                       QString::fromLatin1(kSettingsApplication));
}

}  // namespace

bool LoadChoice(const char* name, bool fallback) {
    return OpenSettings()->value(QString::fromLatin1(name), fallback).toBool();
}

void SaveChoice(const char* name, bool on) {
    std::unique_ptr<QSettings> settings = OpenSettings();
    settings->setValue(QString::fromLatin1(name), on);
    settings->sync();
}

void UseSettingsFile(const QString& path) { g_settingsFile = path; }

}  // namespace kestrel::platform
