#include "kestrel/shell/emulator.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <new>
#include <random>

#include "kestrel/board/display.h"
#include "kestrel/debug/disassembler.h"
#include "kestrel/pictures/pictures.h"
#include "kestrel/shell/board_view.h"
#include "kestrel/shell/keypad_view.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/shell/platform.h"
#include "kestrel/z80/cpu.h"

namespace kestrel {

namespace {

QFont ConsolasFont(int points, bool bold) {
    QFont font(QStringLiteral("Consolas"), points, bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::Monospace);  // the host may not have Consolas
    font.setFixedPitch(true);
    return font;
}

}  // namespace

Emulator::Emulator() = default;

Emulator::~Emulator() {
    // The window goes first: it points into the record.
    if (machine_) {
        machine_->RefreshDisplay = nullptr;
        machine_->RefreshContext = nullptr;
    }
    window_.reset();
}

bool Emulator::Fail(const char* title, const QString& text) {
    platform::ShowMessage(nullptr, QString::fromLatin1(title), text);
    window_.reset();
    return false;
}

bool Emulator::Start() {
    // 1. The program-wide record, zero-filled. It holds the 64 KiB memory and
    //    the ListingBuffer, so a failed allocation is reported at step 5.
    machine_.reset(new (std::nothrow) MachineRecord());
    MachineRecord* m = machine_.get();

    // 2. Fixed tables and the start directory.
    if (m != nullptr) std::copy(std::begin(kDigitXStart), std::end(kDigitXStart), m->DigitX);
    startDirectory_ = QDir::currentPath();
    FillMnemonicTables();

    // 3. Window system, keyboard and mouse (all behind the QApplication), and sound.
    if (QGuiApplication::instance() == nullptr || QGuiApplication::primaryScreen() == nullptr) {
        return Fail(platform::kTitleFatalError, QStringLiteral("Can't initialise system"));
    }
    platform::InitAudio();

    // 4. PNG decoding needs no set-up. 5. Memory.
    if (m == nullptr) return Fail(platform::kTitleFatalError, QStringLiteral("Can't allocate memory!"));

    // 6. All memory 0xFF (the memory map, DigitX and KeyColumns come with it).
    InitMemoryMap(*m);

    // 7. and 8. The ROM image: its first 4,096 bytes at 0x0000.
    QFile rom(QString::fromLatin1(kRomFileName));
    if (!rom.open(QIODevice::ReadOnly)) {
        return Fail(platform::kTitleFatalError,
                    QStringLiteral("%1 - File not found!").arg(QString::fromLatin1(kRomFileName)));
    }
    qint64 got = 0;
    while (got < kRomSize) {
        qint64 n = rom.read(reinterpret_cast<char*>(m->MemoryImage) + got, kRomSize - got);
        if (n <= 0) break;
        got += n;
    }
    rom.close();
    if (got < kRomSize) {
        return Fail(platform::kTitleError,
                    QStringLiteral("%1 - Incorrect file size!").arg(QString::fromLatin1(kRomFileName)));
    }

    // 9. Fonts.
    ShellFonts fonts{ConsolasFont(8, true), ConsolasFont(8, false), ConsolasFont(12, true)};

    // 10. and 11. The main window with its board view, menu bar and keypad.
    window_.reset(new (std::nothrow) MainWindow(*m, fonts, startDirectory_));
    if (!window_) return Fail(platform::kTitleFatalError, QStringLiteral("Can't open a main window!"));
    window_->Board()->Attach();
    window_->show();

    // 12. The pictures.
    window_->Board()->SetPictures(DecodeDisplayPictures());
    window_->Keypad()->SetPicture(DecodeKeypadPicture());

    // 13. Back to the start directory.
    QDir::setCurrent(startDirectory_);

    // 14. Debugger state, digit positions, number base, keypad.
    m->BreakArmed = 0;
    m->TraceToFile = 0;
    std::copy(std::begin(kDigitXStart), std::end(kDigitXStart), m->DigitX);
    m->NumberBase = 0;
    std::fill(std::begin(m->KeyColumns), std::end(m->KeyColumns), uint8_t{0xFF});

    // 15. Only the 2 KiB of RAM is writable by the processor.
    for (uint32_t a = 0; a < 0x10000; ++a) m->WriteEnableMap[a] = (a >= 0x1800 && a <= 0x1FFF) ? 1 : 0;

    // 16. No quit, no USER KEY; "Write Protect ROM" starts checked.
    m->QuitRequested = 0;
    m->UserKeyPending = false;
    m->WriteProtectRom = true;

    // 17. Hard reset, with RAM noise that differs from run to run.
    m->RandomState = std::random_device{}() | 1u;
    ResetBoard(*m, true);
    return true;
}

void Emulator::Run(RunStatistics* statistics) { RunLoop(*window_, statistics); }

void PrepareHostEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

int RunKestrel() {
    bool started = false;
    {
        Emulator emulator;
        started = emulator.Start();
        if (started) emulator.Run();
    }
    platform::ShutdownAudio();
    return started ? 0 : 1;
}

}  // namespace kestrel
