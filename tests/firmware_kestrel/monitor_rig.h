// A headless MPF-1B running the kestrel monitor ROM on kestrel's core.
//
// Keys are clicked the way the main window does it: the key's pattern goes
// into KeyColumns[column] and the monitor's scan releases it. The rig applies
// the run loop's two monitor hooks (0x02E1 blanks the digits, 0x05E4 beeps)
// and counts them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kestrel/debug/machine_record.h"

namespace kestrel::fwtest {

// Documented RAM cells of the monitor (see docs/monitors.md).
inline constexpr uint16_t kRegIY = 0x1FB0;
inline constexpr uint16_t kRegIX = 0x1FB2;
inline constexpr uint16_t kRegHL2 = 0x1FB4;
inline constexpr uint16_t kRegDE2 = 0x1FB6;
inline constexpr uint16_t kRegBC2 = 0x1FB8;
inline constexpr uint16_t kRegAF2 = 0x1FBA;
inline constexpr uint16_t kRegHL = 0x1FBC;
inline constexpr uint16_t kRegDE = 0x1FBE;
inline constexpr uint16_t kRegBC = 0x1FC0;
inline constexpr uint16_t kRegAF = 0x1FC2;
inline constexpr uint16_t kUserSP = 0x1FC4;
inline constexpr uint16_t kUserPC = 0x1FC6;
inline constexpr uint16_t kIntVector = 0x1FD7;
inline constexpr uint16_t kAddressField = 0x1FDD;
inline constexpr uint16_t kColdMarker = 0x1FE5;

class MonitorRig {
public:
    // Loads the ROM, prepares memory as start-up does, hard reset, and runs
    // until the monitor waits for its first key.
    MonitorRig();

    MachineRecord& m() { return *record_; }

    // Clicks the keys of a sequence and lets the monitor handle each one.
    // Tokens are separated by blanks: ADDR DATA + - GO STEP REG PC SBR CBR
    // MOVE INS DEL RELA TAPEWR TAPERD, or a run of hex digits (one key each).
    // Returns false if the monitor did not come back to its key wait.
    bool Keys(const std::string& sequence);

    // Clicks one key; with wait = false returns once the click has been read
    // and the monitor's key click has sounded.
    bool Click(const std::string& key, bool wait = true);

    // Clicks every key of `keys` (one name per token) through the board's
    // ClickKey before the monitor runs at all, as a burst of clicks faster
    // than its scan, then runs until the monitor is idle.
    bool Burst(const std::string& keys);
    bool RunPastTheClick();

    // One instruction plus the run loop's monitor hooks.
    void Step();
    // Runs until the monitor waits for a key again (PC at its keypad scan
    // with every column released). False after max instructions.
    bool RunUntilIdle(long max = 2'000'000);
    bool RunUntilHalted(long max = 2'000'000);
    void Run(long count);

    // The six digits, leftmost first, decoded into characters; a lit decimal
    // point adds '.' after its digit, an unknown pattern shows as '?'.
    std::string Display() const;

    uint8_t Byte(uint16_t address) const { return record_->MemoryImage[address]; }
    uint16_t Word(uint16_t address) const;
    // Writes as the processor would (only RAM takes it).
    void Poke(uint16_t address, uint8_t value);

    int Beeps() const { return beeps_; }
    int Blanks() const { return blanks_; }
    // Beeps heard while port C bit 7 (TONE) was low, that is with the lamp lit.
    int BeepsWithLamp() const { return beeps_with_lamp_; }

    uint16_t scan_address() const { return scan_address_; }

    // Address of a label of the ROM's symbol file.
    static uint16_t Symbol(const std::string& name);
    // Calls the ROM routine at address with HL set, from a scratch stack in
    // user RAM, and returns A when it comes back. Throws if it never does.
    uint8_t Call(uint16_t address, uint16_t hl);

private:
    std::unique_ptr<MachineRecord> record_;
    uint16_t scan_address_ = 0;
    int beeps_ = 0;
    int beeps_with_lamp_ = 0;
    int blanks_ = 0;
};

// Segment pattern of one character, built from segment letters (a top,
// b upper right, c lower right, d bottom, e lower left, f upper left,
// g middle) and the board's bit for each segment.
uint8_t Glyph(char c);

}  // namespace kestrel::fwtest
