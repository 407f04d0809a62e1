#include "kestrel/debug/disassembly_listing.h"

#include <cstring>
#include <vector>

#include "kestrel/debug/disassembler.h"
#include "kestrel/debug/symbols.h"

namespace kestrel {

ListingOutcome WriteDisassemblyListing(MachineRecord& m, uint16_t start, uint16_t end, const char* path,
                                       const std::tm& when) {
    m.DisassemblyStart = start;

    // One block stays below 64,000 bytes plus one line and the closing line end.
    std::vector<uint8_t> block(65536);
    char* out = reinterpret_cast<char*>(block.data());
    size_t fill = static_cast<size_t>(FormatStartLine(out, when));
    std::memcpy(out + fill, "\r\n\r\n", 4);
    fill += 4;

    // The 16-bit cursor wraps after FFFF; a wrapped cursor is past any End,
    // though it compares below it.
    uint16_t cursor = start;
    bool wrapped = false;
    do {
        const uint16_t previous = cursor;
        Disassembly d = Disassemble(m, m.NumberBase, cursor);
        SymbolizeInPlace(m, d.Instruction);  // only while "Show symbols" is on
        cursor = d.Next;
        wrapped = cursor <= previous;
        const size_t addressLength = std::strlen(d.Address);
        std::memcpy(out + fill, d.Address, addressLength);
        fill += addressLength;
        size_t byteLength = std::strlen(d.Bytes);
        std::memcpy(out + fill, d.Bytes, byteLength);
        fill += byteLength;
        for (; byteLength < 12; ++byteLength) out[fill++] = ' ';
        const size_t textLength = std::strlen(d.Instruction);
        std::memcpy(out + fill, d.Instruction, textLength);
        fill += textLength;
        out[fill++] = '\r';
        out[fill++] = '\n';
    } while (fill < kListingLimit && cursor < end && !wrapped);
    const bool cut = cursor < end && !wrapped;
    out[fill++] = '\r';
    out[fill++] = '\n';

    m.DisassemblyStart = cursor;
    return {AppendToFile(path, block.data(), fill), cut};
}

ListingOutcome WriteDisassemblyListing(MachineRecord& m, uint16_t start, uint16_t end, const char* path) {
    return WriteDisassemblyListing(m, start, end, path, LocalTimeNow());
}

}  // namespace kestrel
