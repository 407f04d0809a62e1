// Save states: a whole Machine as bytes, and back. The format is described
// in docs/save-states.md; in short, a 20-byte header (family magic "Z80S",
// board tag "KSTR", format version, payload length, CRC-32 of the payload)
// and then every field that decides what the machine does next, in a fixed
// order, little-endian.
//
// What is not in a state: the write-enable map and the digit positions
// (fixed by InitMachine), the speaker's captured edges (sound already made),
// whether the speaker captures (the window's real-time mode) and the seams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kestrel/board/machine.h"

namespace kestrel {

inline constexpr char kStateMagic[4] = {'Z', '8', '0', 'S'};   // both boards' states
inline constexpr char kStateBoard[4] = {'K', 'S', 'T', 'R'};   // this board's tag
// plover's states begin with its own magic word.
inline constexpr char kOtherBoardMagic[8] = {'P', 'L', 'O', 'V', 'E', 'R', 'S', 'T'};
inline constexpr uint16_t kStateVersion = 1;
inline constexpr size_t kStateHeaderSize = 20;

// The state of `m` as the bytes of a state file.
std::vector<uint8_t> SaveMachineState(const Machine& m);

// Restores `m` from the bytes of a state file. On a refusal `m` is left as
// it was, false is returned and `reason` says why in a few words.
bool LoadMachineState(Machine& m, const uint8_t* bytes, size_t size, std::string& reason);

// CRC-32 (IEEE, as zlib and PNG use it).
uint32_t Crc32(const uint8_t* bytes, size_t size);

}  // namespace kestrel
