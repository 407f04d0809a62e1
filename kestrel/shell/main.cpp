// kestrel: the MPF-1B trainer board on the desktop. command_line.h answers
// --help and --version before the program runs, and ends with status 2 when a
// program named with --load or a state named with --state cannot be used;
// the remembered settings are "Real-time speed", "Keyboard drives keypad"
// (emulation_settings.h) and "Keep machine between runs" (state_files.h).
// The exit status is 0 after a normal end (Escape, "Exit", the close button)
// and 1 after a failed start, whose message has been shown.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "kestrel/shell/command_line.h"
#include "kestrel/shell/emulator.h"

namespace {

// Qt ends the process when it cannot reach a window system. kestrel reports
// that as its own start-up failure and ends with status 1.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Fatal Error: Can't initialise system (%s)\n", qPrintable(message));
        std::fflush(stderr);
        std::_Exit(1);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
    const kestrel::CommandLine commandLine = kestrel::HandleCommandLine(argc, argv);
    if (commandLine.Exit) return commandLine.ExitStatus;
    // Qt's own command-line options are not taken.
    int qtArgc = argc > 0 ? 1 : 0;
    kestrel::PrepareHostEnvironment();
    QtMessageHandler previous = qInstallMessageHandler(StartupMessageHandler);
    QApplication app(qtArgc, argv);
    qInstallMessageHandler(previous);
    return kestrel::RunKestrel(commandLine.Load, commandLine.RealTime, commandLine.Keyboard, commandLine.State);
}
