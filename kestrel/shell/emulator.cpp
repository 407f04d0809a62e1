#include "kestrel/shell/emulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <new>
#include <random>

#include "kestrel/board/machine.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/gui/platform.h"
#include "kestrel/pictures/pictures.h"
#include "kestrel/shell/board_view.h"
#include "kestrel/shell/emulation_settings.h"
#include "kestrel/shell/keypad_view.h"
#include "kestrel/shell/load_options.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/shell/state_files.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

Emulator::Emulator() = default;

Emulator::~Emulator() {
    // The window goes first: it points into the record, the record into it.
    if (machine_) {
        machine_->RefreshDisplay = nullptr;
        machine_->RefreshContext = nullptr;
    }
    window_.reset();
}

bool Emulator::Fail(const char* title, const QString& text) {
    // Said on standard error as well, for a start from a terminal or a script.
    std::fprintf(stderr, "kestrel: %s: %s\n", title, qPrintable(text));
    std::fflush(stderr);
    platform::ShowMessage(nullptr, QString::fromLatin1(title), text);
    window_.reset();
    return false;
}

bool Emulator::Start() {
    // The machine with the debugger's record, zero-filled. It holds the
    // 64 KiB memory and the ListingBuffer, so a failed allocation is
    // reported once the window system is known to work.
    machine_.reset(new (std::nothrow) MachineRecord());
    MachineRecord* m = machine_.get();
    symbols_ = std::make_unique<SymbolTable>();
    if (m != nullptr) m->Symbols = symbols_.get();

    // Fixed tables and the start directory.
    startDirectory_ = QDir::currentPath();
    FillMnemonicTables();

    // Window system, keyboard and mouse (all behind the QApplication), and
    // sound. PNG decoding needs no set-up.
    if (QGuiApplication::instance() == nullptr || QGuiApplication::primaryScreen() == nullptr) {
        return Fail(platform::kTitleFatalError, QStringLiteral("Can't initialise system"));
    }
    platform::InitAudio();
    if (m == nullptr) return Fail(platform::kTitleFatalError, QStringLiteral("Can't allocate memory!"));

    // The board at power-on: all memory 0xFF (the memory map, DigitX and
    // KeyColumns come with it), RAM noise that differs from run to run; then
    // the ROM image.
    InitMachine(*m, std::random_device{}() | 1u);
    if (!LoadRom(*m)) return false;

    // The three fonts of the debugger and the memory tools come from ToolFont
    // (kestrel/gui/ui_support.h) where those windows are built.
    if (!OpenMainWindow(*m)) return false;

    // Back to the start directory.
    QDir::setCurrent(startDirectory_);
    StartBoard(*m);
    return true;
}

bool Emulator::LoadRom(MachineRecord& m) {
    // Its first 4,096 bytes at 0x0000; a longer file is accepted. A failure
    // names, after its fixed text, the folder looked in and the size needed.
    const QString where = QStringLiteral("\nFolder looked in: %1\nExpected: the monitor ROM image, at least %2 bytes")
                              .arg(QDir::toNativeSeparators(QDir::currentPath()), QStringLiteral("4,096"));
    QFile rom(QString::fromLatin1(kRomFileName));
    if (!rom.open(QIODevice::ReadOnly)) {
        return Fail(platform::kTitleFatalError,
                    QStringLiteral("%1 - File not found!").arg(QString::fromLatin1(kRomFileName)) + where);
    }
    qint64 got = 0;
    while (got < kRomSize) {
        qint64 n = rom.read(reinterpret_cast<char*>(m.MemoryImage) + got, kRomSize - got);
        if (n <= 0) break;
        got += n;
    }
    rom.close();
    if (got < kRomSize) {
        return Fail(platform::kTitleError,
                    QStringLiteral("%1 - Incorrect file size!").arg(QString::fromLatin1(kRomFileName)) + where +
                        QStringLiteral(" (this one has %1)").arg(got));
    }
    return true;
}

bool Emulator::OpenMainWindow(MachineRecord& m) {
    // The main window with its board view, menu bar and keypad, then the
    // pictures.
    window_.reset(new (std::nothrow) MainWindow(m));
    if (!window_) return Fail(platform::kTitleFatalError, QStringLiteral("Can't open a main window!"));
    window_->Board()->Attach();
    window_->show();
    window_->Board()->SetPictures(DecodeDisplayPictures());
    window_->Keypad()->SetPicture(DecodeKeypadPicture());
    return true;
}

void Emulator::StartBoard(MachineRecord& m) {
    // "Write Protect ROM" starts checked; the debugger, the keypad and the
    // number base start as the zero-filled record has them.
    m.WriteProtectRom = true;
    ResetBoard(m, true);
}

void Emulator::Run(RunStatistics* statistics) { RunLoop(*window_, statistics); }

void PrepareHostEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

namespace {

// The machine a run starts from: the state named by --state, else the kept
// one while "Keep machine between runs" is on. A kept state that cannot be
// used is told once, on standard error and in a message box. Returns whether
// a state was restored (its monitor has then run its start-up already).
bool RestoreAtStart(Emulator& emulator, const QString& state) {
    MainWindow& window = emulator.Window();
    if (!state.isEmpty()) return window.RestoreState(state);
    if (!window.KeepMachine() || !QFileInfo::exists(KeptStatePath())) return false;
    const QString told = ResumeKeptMachine(emulator.Machine());
    if (told.isEmpty()) return true;
    std::fprintf(stderr, "kestrel: %s\n", qPrintable(told));
    platform::ShowMessage(&window, QString::fromLatin1(platform::kTitleInfo), told);
    return false;
}

}  // namespace

int RunKestrel() { return RunKestrel(LoadOptions{}); }

int RunKestrel(const LoadOptions& options, bool realTime, bool keyboard, const QString& state) {
    bool started = false;
    {
        Emulator emulator;
        started = emulator.Start();
        if (started) {
            MainWindow& window = emulator.Window();
            window.SetRealTime(RealTimeAtStart(realTime));
            if (keyboard) window.SetKeyboardDrivesKeypad(true, false);
            // The state first, then the program into it.
            const bool fresh = !RestoreAtStart(emulator, state);
            ApplyLoadOptions(window.Programs(), options, fresh);
            if (options.symbols) *emulator.Machine().Symbols = *options.symbols;
            emulator.Run();
            if (window.KeepMachine()) window.WriteState(KeptStatePath());
        }
    }
    platform::ShutdownAudio();
    return started ? 0 : 1;
}

}  // namespace kestrel
