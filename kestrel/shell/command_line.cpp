#include "kestrel/shell/command_line.h"

#include <QCommandLineParser>
#include <cstdio>
#include <memory>

#include "kestrel/gui/platform.h"
#include "kestrel/shell/state_files.h"

namespace kestrel {

namespace {

const char* const kDescription =
    "Emulates the Micro-Professor MPF-1B trainer board: click its keypad; the menus load and\n"
    "save memory images and open the debugger.";

const char* const kFiles =
    "\nFiles, in the folder where kestrel starts:\n"
    "  mpf1b_u6.rom  the monitor ROM image (4,096 bytes), read at start-up\n"
    "  debug.lst     the trace listing, appended to by \"Debug to file\"\n"
    "  dis.asm       the disassembly listing, appended to by \"Disassemble to file\"\n"
    "\nIn $XDG_DATA_HOME/kestrel (by default ~/.local/share/kestrel):\n"
    "  quick.kst     the quick save state: Ctrl+S saves it, Ctrl+L restores it\n"
    "  kept.kst      the machine kept between runs (\"Keep machine between runs\")\n"
    "\nExit status: 0 after a normal end; 1 when start-up fails (no usable mpf1b_u6.rom, no\n"
    "display); 2 for a wrong option, a --load or --state file that cannot be used or a\n"
    "--symbols file that cannot be read.\n";

// Why the state file cannot be started from, or "" when it can.
QString CheckStateFile(const QString& path) {
    auto scratch = std::make_unique<Machine>();
    return ReadStateFile(*scratch, path);
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    const QCommandLineOption help({"h", "help"}, "Print this help and exit.");
    const QCommandLineOption version("version", "Print the version and exit.");
    parser.addOption(help);
    parser.addOption(version);
    AddLoadOptions(parser);
    const QCommandLineOption realTime(
        "real-time",
        "Run at the board's own speed, 1.79 MHz, for this run (\"Real-time speed\" in the Emulation "
        "menu, whose choice is remembered between runs). Without it kestrel starts as that choice says.");
    parser.addOption(realTime);
    const QCommandLineOption keyboard(
        "keyboard",
        "Let the host keyboard press the keypad's keys in this run (\"Keyboard drives keypad\" in the "
        "Emulation menu, whose choice is remembered between runs; Help, \"Keyboard map\" shows the keys). "
        "Without it kestrel starts as that choice says.");
    parser.addOption(keyboard);
    const QCommandLineOption state(
        "state",
        "Start from the save state in FILE instead of the monitor's start-up (File, \"Save state...\" "
        "writes one). With --load the state is restored first and the program loaded into it.",
        "FILE");
    parser.addOption(state);

    // Without an application object Qt names the program "<executable_name>".
    QString usage = parser.helpText();
    usage.replace("<executable_name>", "kestrel");
    usage += kFiles;

    CommandLine result;
    if (!parser.parse(arguments)) {
        result = {true, 2, {}, "kestrel: " + parser.errorText() + "\n" + usage};
    } else if (!parser.positionalArguments().isEmpty()) {
        result = {true, 2, {}, "kestrel: unexpected argument '" + parser.positionalArguments().first() + "'\n" + usage};
    } else if (parser.isSet(help)) {
        result = {true, 0, usage, {}};
    } else if (parser.isSet(version)) {
        result = {true, 0, QString("kestrel ") + platform::kProgramVersion + "\n", {}};  // About's version
    } else if (QString error; !TakeLoadOptions(parser, result.Load, error)) {
        result = {true, 2, {}, "kestrel: " + error + "\n"};
    } else if (QString why = parser.isSet(state) ? CheckStateFile(parser.value(state)) : QString(); !why.isEmpty()) {
        result = {true, 2, {}, "kestrel: --state " + parser.value(state) + ": " + why + "\n"};
    } else {
        result.State = parser.value(state);
        result.RealTime = parser.isSet(realTime);
        result.Keyboard = parser.isSet(keyboard);
    }
    return result;
}

CommandLine HandleCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.isEmpty()) arguments << "kestrel";
    CommandLine result = ParseCommandLine(arguments);
    std::fputs(qPrintable(result.Output), stdout);
    std::fputs(qPrintable(result.Errors), stderr);
    return result;
}

}  // namespace kestrel
