// kestrel: the MPF-1B trainer board on the desktop. Without options the
// exit status is 0 on every path; a program named with --load that cannot
// be used ends the process with status 2 before any window opens.
#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

#include "kestrel/shell/emulator.h"
#include "kestrel/shell/load_options.h"

namespace {

// Qt ends the process when it cannot reach a window system. kestrel reports
// that as its own start-up failure and still ends with status 0.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Fatal Error: Can't initialise system (%s)\n", qPrintable(message));
        std::fflush(stderr);
        std::_Exit(0);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Reads the command line into `options`; returns false after printing why
// it cannot be used.
bool ReadCommandLine(int argc, char** argv, kestrel::LoadOptions& options) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    kestrel::AddLoadOptions(parser);
    QString error;
    // Other arguments are ignored, as they always were.
    if (!parser.parse(arguments)) error = parser.errorText();
    else kestrel::TakeLoadOptions(parser, options, error);
    if (error.isEmpty()) return true;
    std::fprintf(stderr, "kestrel: %s\n", qPrintable(error));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    kestrel::LoadOptions options;
    if (!ReadCommandLine(argc, argv, options)) return kestrel::kBadProgramExitStatus;
    // Qt is given none of the arguments, not even its own.
    int qtArgc = argc > 0 ? 1 : 0;
    kestrel::PrepareHostEnvironment();
    QtMessageHandler previous = qInstallMessageHandler(StartupMessageHandler);
    QApplication app(qtArgc, argv);
    qInstallMessageHandler(previous);
    return kestrel::RunKestrel(options);
}
