#include "kestrel/shell/state_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <vector>

#include "kestrel/board/machine_state.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

namespace {

constexpr char kKeepKey[] = "emulation/keepMachine";
// A state is a little over 64 KiB; anything much larger is not one.
constexpr qint64 kLargestState = 1 << 20;

}  // namespace

QString StateFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kestrel");
}

QString QuickStatePath() { return StateFolder() + QStringLiteral("/quick.kst"); }

QString KeptStatePath() { return StateFolder() + QStringLiteral("/kept.kst"); }

QString WithStateExtension(const QString& name) {
    const QString last = QFileInfo(name).fileName();
    if (last.lastIndexOf(QLatin1Char('.')) > 0) return name;
    return name + QString::fromLatin1(kStateExtension);
}

QString WriteStateFile(const Machine& m, const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    const std::vector<uint8_t> bytes = SaveMachineState(m);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("cannot create the file (%1)").arg(file.errorString());
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (!file.commit()) return QStringLiteral("cannot write the file (%1)").arg(file.errorString());
    return {};
}

QString ReadStateFile(Machine& m, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot be read (%1)").arg(file.errorString());
    const QByteArray bytes = file.read(kLargestState + 1);
    if (bytes.size() > kLargestState) return QStringLiteral("not a kestrel state file");
    std::string reason;
    if (!LoadMachineState(m, reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()),
                          reason))
        return QString::fromStdString(reason);
    return {};
}

bool StoredKeepMachine() { return platform::LoadChoice(kKeepKey, false); }

void StoreKeepMachine(bool on) { platform::SaveChoice(kKeepKey, on); }

QString ResumeKeptMachine(Machine& m) {
    const QString path = KeptStatePath();
    if (!QFileInfo::exists(path)) return {};
    const QString why = ReadStateFile(m, path);
    if (why.isEmpty()) return {};
    // Never over an older one: each stays for the user to look at.
    QString aside = path + QStringLiteral(".unreadable");
    for (int n = 2; QFileInfo::exists(aside); ++n) aside = path + QStringLiteral(".unreadable-%1").arg(n);
    QFile::rename(path, aside);
    return QStringLiteral("The machine kept from the last run could not be restored: %1.\n"
                          "kestrel has started afresh; the file was set aside as %2.")
        .arg(why, QDir::toNativeSeparators(aside));
}

}  // namespace kestrel
