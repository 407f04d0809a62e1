// kestrel's start-up and its program-wide state: the machine (MachineRecord), the main
// window and the platform facilities, built in a fixed order, each failure
// reported in a message box. Start() then Run(); the process ends with 0,
// or with 1 when the start failed.
#pragma once

#include <QString>
#include <memory>

#include "kestrel/shell/run_loop.h"
#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/symbols.h"

namespace kestrel {

class MainWindow;

// The monitor ROM, read by this bare name from the working directory.
inline constexpr char kRomFileName[] = "mpf1b_u6.rom";
inline constexpr int kRomSize = 4096;

class Emulator {
public:
    Emulator();
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Start-up up to the run loop. On failure the message box has been shown
    // (or recorded) and false is returned: the program then simply ends.
    bool Start();
    // The run loop, until the window's QuitRequested.
    void Run(RunStatistics* statistics = nullptr);

    // Valid after a successful Start().
    MachineRecord& Machine() { return *machine_; }
    MainWindow& Window() { return *window_; }

private:
    bool Fail(const char* title, const QString& text);
    bool LoadRom(MachineRecord& m);
    bool OpenMainWindow(MachineRecord& m);
    // The start-up's last setting and the hard reset.
    void StartBoard(MachineRecord& m);

    std::unique_ptr<MachineRecord> machine_;
    std::unique_ptr<SymbolTable> symbols_;  // the record's Symbols
    std::unique_ptr<MainWindow> window_;
    QString startDirectory_;  // the working directory at program start, made current again
};

// Settings for the window system made before the QApplication exists: the
// run loop polls it about a thousand times a second, and Qt's own Unix event
// dispatcher answers such polls at about half the cost of the GLib one.
void PrepareHostEnvironment();

struct LoadOptions;

// The whole program: start-up, run loop, exit. Returns the exit code: 0
// after a normal end, 1 when start-up failed (its message has been shown).
// Expects the QApplication to exist.
int RunKestrel();
// The same with a program to load and start (--load, --go, --watch), in
// real time when `realTime` (--real-time) or the stored choice says so, and
// with the host keyboard driving the keypad when `keyboard` (--keyboard) or
// the stored choice says so; from the save state `state` when one is named
// (checked already), else from the kept machine while "Keep machine between
// runs" is on, and then written back to it at the end.
int RunKestrel(const LoadOptions& options, bool realTime = false, bool keyboard = false,
               const QString& state = QString());

}  // namespace kestrel
