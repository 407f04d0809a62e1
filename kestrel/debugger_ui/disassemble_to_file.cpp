#include "kestrel/debugger_ui/disassemble_to_file.h"

#include <QLocale>
#include <QString>

#include "kestrel/debug/disassembly_listing.h"
#include "kestrel/debug/trace.h"
#include "kestrel/debugger_ui/address_range_dialog.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

namespace {

QString HexAddress(uint16_t address) {
    return QString::number(address, 16).rightJustified(4, QLatin1Char('0')).toUpper() + QLatin1Char('h');
}

// "64,000": a count with its thousands marked.
QString Count(int n) {
    QLocale english = QLocale::c();
    english.setNumberOptions(QLocale::DefaultNumberOptions);
    return english.toString(n);
}

}  // namespace

void ShowListingWriteError(QWidget* parent, const char* fileName) {
    platform::ShowMessage(parent, QString::fromLatin1(platform::kTitleError),
                          QString::fromLatin1(fileName) + QStringLiteral(" - Can't write file!"));
}

void DisassembleToFile(MachineRecord& m, QWidget* parent, const char* path) {
    uint16_t start = 0;
    uint16_t end = 0;
    {
        AddressRangeDialog dialog(m, parent);
        if (!dialog.RunModal()) return;
        start = dialog.RangeStart();
        end = dialog.RangeEnd();
    }
    const ListingOutcome outcome = WriteDisassemblyListing(m, start, end, path);
    if (!outcome.Written) {
        ShowListingWriteError(parent, kDisassemblyFile);
    } else if (outcome.StoppedAtLimit) {
        // Repeated listings walk through memory 64,000 bytes at a time: say
        // where this one ended, so a part is not taken for the whole.
        platform::ShowMessage(
            parent, QString::fromLatin1(platform::kTitleDisassemble),
            QStringLiteral("The listing stopped at %1, before the end at %2: one listing holds at most %3 "
                           "bytes. %4 has the instructions from %5 up to %1.\nThe next \"Disassemble to "
                           "file\" starts at %1 and continues from there.")
                .arg(HexAddress(m.DisassemblyStart), HexAddress(end), Count(kListingLimit),
                     QString::fromLatin1(kDisassemblyFile), HexAddress(start)));
    }
}

void ShowTraceWritten(QWidget* parent, const MachineRecord& m) {
    platform::ShowMessage(
        parent, QString::fromLatin1(platform::kTitleDebugToFile),
        QStringLiteral("The trace buffer reached %1 bytes: the trace up to PC %2 has been added to %3, and "
                       "tracing has ended.\n\"Debug to file\" in the debugger traces on from here.")
            .arg(Count(kTraceFlushLevel), HexAddress(m.Cpu.PC),
                 QString::fromLatin1(kDebugListingFile)));
}

}  // namespace kestrel
