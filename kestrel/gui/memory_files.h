// Memory image files: raw copies of a stretch of the 64 KiB address space.
//
// No header, no checksum: one byte per address in ascending order, addresses
// wrapping from 0xFFFF to 0x0000. The three extensions ".bin", ".scr" and
// ".rom" name the same format; the extension is chosen when saving and never
// looked at when loading.
//
// These functions do the file work only and know nothing of dialogs or
// message boxes, so they can be tested on plain files. The menu actions that
// ask for the range and the file name live in memory_range_dialog.h.
#pragma once

#include <cstdint>
#include <string>

#include "kestrel/debug/machine_record.h"

namespace kestrel {

enum class ImageLoadResult {
    Loaded,       // the transfer ran (an empty file transfers nothing)
    CannotOpen,   // missing, unreadable, or not a regular file: nothing changed
    ReadFailed,   // opened, but reading failed: nothing changed
};

enum class ImageSaveResult {
    Saved,
    CannotCreate,  // the file could not be created: nothing written
    WriteFailed,   // created, but a write or the close failed: the file is incomplete
};

// What a load left out while "Write Protect ROM" was checked
// (RomWriteProtected, kestrel/debug/machine_record.h).
struct SkippedBytes {
    uint32_t PastTop = 0;  // would have wrapped past FFFFh to 0000h and on
    uint32_t InRom = 0;    // would have fallen in 0000h-0FFFh from a base inside the ROM
    bool Any() const { return PastTop != 0 || InRom != 0; }
};

// The most bytes one load takes in: a load with count 0 fills the address
// space at most once, even from a longer file.
inline constexpr uint32_t kMaxImageBytes = 65536;

// Loads the file at `path` into MemoryImage from `base` on, wrapping at
// 0x10000, without consulting the WriteEnableMap. `count` 0 means the whole
// file (at most kMaxImageBytes bytes); otherwise at most `count` bytes. A file
// shorter than the count leaves the rest of the range unchanged. With base 0
// the processor is reset (ResetCpu) once the file has been read, even when it
// is empty. On any failure memory and registers are left as they were.
//
// While "Write Protect ROM" is checked (m.WriteProtectRom), a load at any base
// but 0 writes only its bytes that fall in 1000h-FFFFh: it neither wraps past
// FFFFh nor writes the monitor ROM. What it left out goes to `skipped`.
ImageLoadResult LoadMemoryImage(MachineRecord& m, const std::string& path, uint16_t base,
                                uint16_t count, SkippedBytes* skipped = nullptr);

// What a load left out, in a sentence or two for a message box or standard
// error; empty when nothing was left out.
std::string DescribeSkippedBytes(const SkippedBytes& skipped);

// Creates (or replaces) the file at `path` and writes `count` bytes of
// MemoryImage from `base` on, wrapping at 0x10000. A count of 0 writes an
// empty file; the range dialog never lets one through.
ImageSaveResult SaveMemoryImage(const MachineRecord& m, const std::string& path, uint16_t base,
                                uint16_t count);

// The name a save uses: `name` unchanged when its last path component has an
// extension, otherwise `name` with ".scr" (base 0x4000, count 0x1B00), ".rom"
// (base 0, count 0x4000) or ".bin" appended.
std::string WithImageExtension(const std::string& name, uint16_t base, uint16_t count);

}  // namespace kestrel
