// "Disassemble to file": a range of memory as assembly text, appended to
// "dis.asm".
//
// Each listing appends one block:
//   START 14:05:09 06/12/2026
//   (empty line)
//   06144 1800  3E05        LD A,05h
//   ...                     (address 12, bytes padded to 12, instruction)
//   (empty line)
// Instructions are listed from the start address for as long as the address
// after the previous one is below the end address (at least one, each listed
// whole), or until the block holds 64,000 bytes. DisassemblyStart then holds
// the address after the last listed instruction, so repeated listings walk on
// through memory; a listing that the 64,000 bytes cut short says so, for the
// user to be told where the next one goes on.
//
// The block is staged in a buffer of its own, not in the ListingBuffer, so a
// trace that is collecting while a listing is made keeps its lines and
// "debug.lst" never receives disassembly text.
#pragma once

#include <cstdint>
#include <ctime>

#include "kestrel/debug/listing_file.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

inline constexpr uint16_t kListingLimit = 64000;  // bytes of one block, about

struct ListingOutcome {
    bool Written = false;         // every byte reached the file
    bool StoppedAtLimit = false;  // 64,000 bytes ended it before `end`: DisassemblyStart is where
};

// Lists start..end into the file at path (created if needed). Updates
// DisassemblyStart even when the file cannot be written. Registers and memory
// are left as they are.
ListingOutcome WriteDisassemblyListing(MachineRecord& m, uint16_t start, uint16_t end,
                                       const char* path = kDisassemblyFile);
ListingOutcome WriteDisassemblyListing(MachineRecord& m, uint16_t start, uint16_t end, const char* path,
                                       const std::tm& when);

}  // namespace kestrel
