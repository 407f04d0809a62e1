// Shared pieces of kestrel's two listing files, "debug.lst" and "dis.asm".
//
// Both files only ever grow: every block is appended, none is truncated. Each
// block begins with "START " and the local time and date "hh:mm:ss DD/MM/YYYY";
// lines end with "\r\n".
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace kestrel {

inline constexpr char kDebugListingFile[] = "debug.lst";
inline constexpr char kDisassemblyFile[] = "dis.asm";

// Writes "START hh:mm:ss DD/MM/YYYY" (no line end, no terminator) and returns
// its length, 25.
int FormatStartLine(char* out, const std::tm& when);

// The local time now, for the start lines.
std::tm LocalTimeNow();

// Appends size bytes to the file at path, creating it if needed. Returns
// false when the file cannot be opened or not every byte reached it.
bool AppendToFile(const char* path, const uint8_t* data, size_t size);

}  // namespace kestrel
