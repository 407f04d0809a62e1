// The user program of this session: what was loaded last, "Reload", the
// --go address and the --watch file watcher.
//
// Watching: QFileSystemWatcher reports a change of the file (or of its
// folder, since editors and assemblers often replace a file by renaming);
// the file is then read every kStablePollMs until two reads in a row give
// the same content, so a file that is still being written is never loaded.
// A watched file that fails to load keeps the old program and says why on
// standard error.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <optional>

#include "kestrel/shell/program_loading.h"
#include "kestrel/debug/machine_record.h"

class QFileSystemWatcher;

namespace kestrel {

class ProgramSession : public QObject {
    Q_OBJECT

public:
    static constexpr int kStablePollMs = 100;

    explicit ProgramSession(MachineRecord& m, QObject* parent = nullptr);

    // Loads `source` and remembers it for Reload; a fault loads nothing and
    // forgets nothing. A new source drops the --go address of the old one.
    // `read`: the file's content as already read (see LoadProgram).
    ProgramLoadResult Load(const ProgramSource& source, const intel_hex::Program* read = nullptr);
    // Remembers a load done elsewhere ("Load Bin/Rom").
    void Remember(const ProgramSource& source);
    // Loads the remembered source again and restarts it as the load did.
    ProgramLoadResult Reload();
    bool HasProgram() const { return source_.has_value(); }
    // The remembered source; only while HasProgram().
    const ProgramSource& Source() const { return *source_; }

    // The address --go starts the remembered program at, after each load.
    // `monitorFresh`: the board has just been reset and its monitor has not
    // run yet, so it gets its start-up before the program starts.
    void SetStartAddress(std::optional<uint16_t> address, bool monitorFresh);
    // Reloads and restarts the remembered file whenever it changes on disk.
    void SetWatch(bool on);
    // The time between two reads of a changed file (kStablePollMs).
    void SetStableInterval(int ms) { poll_.setInterval(ms); }
    // How many times the watcher has loaded the file (for tests).
    int WatchLoads() const { return watchLoads_; }

signals:
    // A program was loaded or remembered: Reload can be offered.
    void ProgramChanged();

private:
    void StartAfterLoad(const ProgramLoadResult& result);
    void FileTouched();
    void PollFile();
    void Rewatch();

    MachineRecord& m_;
    std::optional<ProgramSource> source_;
    std::optional<uint16_t> start_;
    bool monitorPending_ = false;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer poll_;
    QByteArray lastSample_;
    bool haveSample_ = false;
    QByteArray loadedContent_;
    int watchLoads_ = 0;
};

}  // namespace kestrel
