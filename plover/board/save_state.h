// Save states: the whole machine record (machine.h) in a small file, and back.
// docs/plover-state.md describes the format: a magic word, a format version,
// the payload's length and its CRC-32, then every member of the record field
// by field in little-endian order.
//
// A file is checked whole before anything changes: one that is not a state,
// is of the other board, comes from a later version, is cut short or damaged
// is refused with the reason, and the running machine stays as it was.
// Writing goes to a temporary file beside the target, renamed over it only
// once it is complete, so a good state is never replaced by half of one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plover/z80/machine.h"

namespace plover {

inline constexpr char StateMagic[8] = {'P', 'L', 'O', 'V', 'E', 'R', 'S', 'T'};
// kestrel's states start with these eight letters: its format's magic word
// "Z80S" and its board tag "KSTR".
inline constexpr char OtherBoardMagic[8] = {'Z', '8', '0', 'S', 'K', 'S', 'T', 'R'};
inline constexpr uint16_t StateVersion = 1;
inline constexpr size_t StateHeaderSize = 18;  // magic, version, length, CRC-32

enum class StateFault {
    None,
    Unreadable,  // the file cannot be opened or read (Detail: the system's reason)
    NotAState,   // no plover magic word
    OtherBoard,  // a kestrel state
    TooNew,      // a later format version (Detail: the file's version)
    Truncated,   // shorter than its header says
    Damaged,     // checksum wrong, or a member out of its range (Detail: which)
    Unwritable,  // saving failed (Detail: the system's reason)
};

struct StateResult {
    StateFault Fault = StateFault::None;
    std::string Detail;
    bool Ok() const { return Fault == StateFault::None; }
};

// The machine as bytes of a state file, and the other way round. Decoding
// fills `into` only when the whole file is good.
std::vector<uint8_t> EncodeState(const MachineState& machine);
StateResult DecodeState(const std::vector<uint8_t>& bytes, MachineState& into);

// CRC-32 (IEEE 802.3, as zlib computes it).
uint32_t Crc32(const uint8_t* data, size_t length);

// Machine to file (atomically) and file to Machine (only when it is good).
StateResult SaveState(const std::string& path);
StateResult LoadState(const std::string& path);
// A file into any record (only when it is good).
StateResult ReadStateFile(const std::string& path, MachineState& into);

// The user's message for an outcome, in plover's message language.
std::string StateMessage(const StateResult& result, const std::string& path, bool saving);

}  // namespace plover
