// --load, --go, --watch and --symbols.
#include "kestrel/shell/load_options.h"

#include <QCommandLineParser>
#include <QFile>
#include <cstdio>

#include "intel_hex/load_options.h"
#include "kestrel/shell/program_session.h"

namespace kestrel {

void AddLoadOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("load"),
                      QStringLiteral("Load FILE at start-up: FILE.hex or FILE.ihx (Intel HEX), or "
                                     "FILE@ADDR for a raw image at hexadecimal ADDR, which must fit "
                                     "below 10000h."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("go"),
                      QStringLiteral("Start the loaded program at hexadecimal ADDR once the monitor is up."),
                      QStringLiteral("ADDR")});
    parser.addOption({QStringLiteral("symbols"),
                      QStringLiteral("Read the program's symbols from FILE (pasmo's symbol table or "
                                     "z80asm's label file). Without it, a .sym file beside a --load "
                                     "HEX file is read when there is one."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("watch"),
                      QStringLiteral("Reload and restart the loaded program whenever its file changes.")});
}

namespace {

// --symbols FILE, else the .sym beside a HEX file when there is one. A bad
// named file is an error; a bad file found beside the program is reported on
// standard error and left out.
bool TakeSymbols(const QCommandLineParser& parser, LoadOptions& options, QString& error) {
    QString path = parser.value(QStringLiteral("symbols"));
    const bool named = parser.isSet(QStringLiteral("symbols"));
    if (!named && options.source && options.source->kind == ProgramSource::Kind::Hex) {
        const QString program = QFile::decodeName(options.source->path.c_str());
        const QString beside = program.left(program.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".sym");
        if (program.contains(QLatin1Char('.')) && QFile::exists(beside)) path = beside;
    }
    if (path.isEmpty()) return true;
    SymbolLoad load = ReadSymbolFile(QFile::encodeName(path).toStdString());
    if (load.Ok) {
        options.symbols = std::move(load.Table);
        return true;
    }
    const QString why = QStringLiteral("%1, %2; no symbols loaded").arg(path, QString::fromStdString(load.Error));
    if (named) {
        error = QStringLiteral("--symbols ") + why;
        return false;
    }
    std::fprintf(stderr, "kestrel: %s\n", qPrintable(why));
    return true;
}

}  // namespace

// --load, --go and --watch.
static bool TakeProgramOptions(const QCommandLineParser& parser, LoadOptions& options, QString& error);

bool TakeLoadOptions(const QCommandLineParser& parser, LoadOptions& options, QString& error) {
    options = LoadOptions{};
    if (!TakeProgramOptions(parser, options, error)) return false;
    return TakeSymbols(parser, options, error);
}

static bool TakeProgramOptions(const QCommandLineParser& parser, LoadOptions& options, QString& error) {
    const bool load = parser.isSet(QStringLiteral("load"));
    if (!load && (parser.isSet(QStringLiteral("go")) || parser.isSet(QStringLiteral("watch")))) {
        error = QStringLiteral("--go and --watch need --load FILE");
        return false;
    }
    if (!load) return true;
    if (parser.isSet(QStringLiteral("go"))) {
        const QString text = parser.value(QStringLiteral("go"));
        options.go = intel_hex::ParseAddress(text.toStdString());
        if (!options.go) {
            error = QStringLiteral("--go %1: not a hexadecimal address from 0 to FFFF").arg(text);
            return false;
        }
    }
    options.watch = parser.isSet(QStringLiteral("watch"));

    std::string why;
    const std::string text = QFile::encodeName(parser.value(QStringLiteral("load"))).toStdString();
    const std::optional<intel_hex::LoadArgument> argument = intel_hex::ParseLoadArgument(text, why);
    if (!argument) {
        error = QString::fromStdString("--load " + why);
        return false;
    }
    intel_hex::Program program;
    if (std::string fault; !intel_hex::ReadLoadFile(*argument, program, fault)) {
        error = QString::fromStdString(fault);
        return false;
    }
    options.program = std::move(program);
    ProgramSource source;
    source.kind = argument->hex ? ProgramSource::Kind::Hex : ProgramSource::Kind::Bin;
    source.path = argument->path;
    source.base = argument->address;
    options.source = source;
    return true;
}

void ApplyLoadOptions(ProgramSession& session, const LoadOptions& options, bool monitorFresh) {
    if (!options.source) return;
    const ProgramLoadResult result = session.Load(*options.source, options.program ? &*options.program : nullptr);
    if (!result.loaded) {
        // Read before the window opened: only a file read again here can fail.
        std::fprintf(stderr, "kestrel: %s\n", result.fault.c_str());
        return;
    }
    if (!result.skipped.empty()) std::fprintf(stderr, "kestrel: %s\n", result.skipped.c_str());
    session.SetStartAddress(options.go, monitorFresh);
    session.SetWatch(options.watch);
}

}  // namespace kestrel
