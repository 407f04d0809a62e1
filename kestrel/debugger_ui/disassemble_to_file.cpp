#include "kestrel/debugger_ui/disassemble_to_file.h"

#include <QString>

#include "kestrel/debug/disassembly_listing.h"
#include "kestrel/debugger_ui/address_range_dialog.h"
#include "kestrel/gui/platform.h"

namespace kestrel {

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
    if (!WriteDisassemblyListing(m, start, end, path)) {
        ShowListingWriteError(parent, kDisassemblyFile);
    }
}

}  // namespace kestrel
