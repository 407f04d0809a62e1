// The session's user program: reload, start address and file watching.
#include "kestrel/shell/program_session.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <cstdio>

namespace kestrel {

namespace {

QString QtPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// The whole file, or a null array when it cannot be read.
QByteArray Sample(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray content = file.readAll();
    if (content.isNull()) content = QByteArray("");  // empty, but readable
    return content;
}

}  // namespace

ProgramSession::ProgramSession(MachineRecord& m, QObject* parent) : QObject(parent), m_(m) {
    poll_.setInterval(kStablePollMs);
    poll_.setSingleShot(true);
    connect(&poll_, &QTimer::timeout, this, &ProgramSession::PollFile);
}

ProgramLoadResult ProgramSession::Load(const ProgramSource& source, const intel_hex::Program* read) {
    const ProgramLoadResult result = LoadProgram(m_, source, read);
    if (!result.loaded) return result;
    Remember(source);
    return result;
}

void ProgramSession::Remember(const ProgramSource& source) {
    const bool same = source_ && source_->path == source.path && source_->kind == source.kind &&
                      source_->base == source.base && source_->count == source.count;
    if (!same) start_.reset();
    source_ = source;
    if (watcher_) Rewatch();
    emit ProgramChanged();
}

ProgramLoadResult ProgramSession::Reload() {
    if (!source_) return {};
    const ProgramLoadResult result = LoadProgram(m_, *source_);
    if (result.loaded) StartAfterLoad(result);
    return result;
}

void ProgramSession::SetStartAddress(std::optional<uint16_t> address, bool monitorFresh) {
    start_ = address;
    monitorPending_ = monitorFresh;
    if (source_ && start_) StartAfterLoad(ProgramLoadResult{true, false, {}, {}});
}

void ProgramSession::StartAfterLoad(const ProgramLoadResult& result) {
    if (!start_) return;
    if (result.reset || monitorPending_) RunMonitorStart(m_);
    monitorPending_ = false;
    StartUserProgram(m_, *start_);
}

void ProgramSession::SetWatch(bool on) {
    if (!on) {
        delete watcher_;
        watcher_ = nullptr;
        poll_.stop();
        return;
    }
    if (watcher_) return;
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &ProgramSession::FileTouched);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &ProgramSession::FileTouched);
    Rewatch();
    if (source_) loadedContent_ = Sample(QtPath(source_->path));
}

void ProgramSession::Rewatch() {
    if (!watcher_ || !source_) return;
    const QString path = QtPath(source_->path);
    const QStringList old = watcher_->files() + watcher_->directories();
    if (!old.isEmpty()) watcher_->removePaths(old);
    watcher_->addPath(QFileInfo(path).absolutePath());
    if (QFileInfo::exists(path)) watcher_->addPath(path);
}

void ProgramSession::FileTouched() {
    // A replaced file drops out of the watch list: watch the new one.
    if (source_ && !watcher_->files().contains(QtPath(source_->path))) Rewatch();
    haveSample_ = false;
    poll_.start();
}

void ProgramSession::PollFile() {
    if (!source_) return;
    const QByteArray sample = Sample(QtPath(source_->path));
    const bool stable = haveSample_ && !sample.isNull() && sample == lastSample_;
    lastSample_ = sample;
    haveSample_ = true;
    if (!stable) {
        poll_.start();  // still changing, or gone for the moment
        return;
    }
    haveSample_ = false;
    if (sample == loadedContent_) return;  // touched, not changed
    loadedContent_ = sample;
    const ProgramLoadResult result = Reload();
    if (!result.loaded) {
        std::fprintf(stderr, "kestrel: %s: not loaded: %s\n", source_->path.c_str(), result.fault.c_str());
        return;
    }
    if (!result.skipped.empty())
        std::fprintf(stderr, "kestrel: %s: %s\n", source_->path.c_str(), result.skipped.c_str());
    ++watchLoads_;
}

}  // namespace kestrel
