#include "plover/board/save_state.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

#include "plover/z80/messages.h"

namespace plover {

namespace {

// Appends little-endian values to a byte vector.
class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void U8(uint32_t v) { out_.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) { Bytes(v, 2); }
    void U32(uint32_t v) { Bytes(v, 4); }
    void U64(uint64_t v) { Bytes(v, 8); }
    void Bool(bool v) { U8(v ? 1 : 0); }

private:
    void Bytes(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t>& out_;
};

// Reads them back, with every value checked against its range. The first
// fault is kept; reading on after it gives zeros and changes nothing.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Take(int n, const char* what) {
        if (!fault_.empty()) return 0;
        if (size_ - at_ < static_cast<size_t>(n)) return Fail(what);
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= uint64_t{data_[at_ + i]} << (8 * i);
        at_ += static_cast<size_t>(n);
        return v;
    }
    uint64_t Ranged(int n, uint64_t max, const char* what) {
        const uint64_t v = Take(n, what);
        return v <= max ? v : Fail(what);
    }
    bool Bool(const char* what) { return Ranged(1, 1, what) != 0; }
    void Block(uint8_t* out, size_t n, const char* what) {
        if (!fault_.empty()) return;
        if (size_ - at_ < n) {
            Fail(what);
            return;
        }
        std::memcpy(out, data_ + at_, n);
        at_ += n;
    }
    void Require(bool ok, const char* what) {
        if (!ok) Fail(what);
    }
    // Fails unless every byte has been read.
    void End() {
        if (fault_.empty() && at_ != size_) Fail("length");
    }
    const std::string& Fault() const { return fault_; }

private:
    uint64_t Fail(const char* what) {
        if (fault_.empty()) fault_ = what;
        return 0;
    }
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    std::string fault_;
};

// The longest instruction (23 T-states) past the boundary, and a frame and
// the longest interrupt acceptance before it, with room to spare.
constexpr int64_t CycleCounterLowest = -2 * 35000;
constexpr int64_t CycleCounterHighest = 64;
constexpr int RefreshPassesAtMost = 101;

void WriteRegisters(Writer& w, const Z80RegisterSet& r) {
    w.U8(r.A), w.U8(r.B), w.U8(r.C), w.U16(r.DE), w.U16(r.HL);
    for (const bool flag : {r.S, r.Z, r.F5, r.H, r.F3, r.PV, r.N, r.CY}) w.Bool(flag);
    for (const uint16_t word : {r.AFAlt, r.BCAlt, r.DEAlt, r.HLAlt, r.IX, r.IY, r.ID, r.SP, r.PC}) w.U16(word);
    w.U8(r.I), w.U8(r.RTopBit), w.U32(r.RCounter), w.Bool(r.IFF1), w.Bool(r.IFF2), w.U8(r.IM);
}

void ReadRegisters(Reader& in, Z80RegisterSet& r) {
    r.A = static_cast<uint8_t>(in.Take(1, "A"));
    r.B = static_cast<uint8_t>(in.Take(1, "B"));
    r.C = static_cast<uint8_t>(in.Take(1, "C"));
    r.DE = static_cast<uint16_t>(in.Take(2, "DE"));
    r.HL = static_cast<uint16_t>(in.Take(2, "HL"));
    for (bool* flag : {&r.S, &r.Z, &r.F5, &r.H, &r.F3, &r.PV, &r.N, &r.CY}) *flag = in.Bool("flags");
    for (uint16_t* word : {&r.AFAlt, &r.BCAlt, &r.DEAlt, &r.HLAlt, &r.IX, &r.IY, &r.ID, &r.SP, &r.PC})
        *word = static_cast<uint16_t>(in.Take(2, "registers"));
    r.I = static_cast<uint8_t>(in.Take(1, "I"));
    r.RTopBit = static_cast<uint8_t>(in.Take(1, "R"));
    r.RCounter = static_cast<uint32_t>(in.Take(4, "R"));
    r.IFF1 = in.Bool("IFF1");
    r.IFF2 = in.Bool("IFF2");
    r.IM = static_cast<uint8_t>(in.Ranged(1, 2, "IM"));
}

void WritePress(Writer& w, const KeyPress& p) { w.U8(p.ScanCode), w.Bool(p.Shift), w.Bool(p.Control); }

KeyPress ReadPress(Reader& in) {
    KeyPress p;
    p.ScanCode = static_cast<uint8_t>(in.Ranged(1, 127, "key press"));
    p.Shift = in.Bool("key press");
    p.Control = in.Bool("key press");
    return p;
}

void WriteKeyboard(Writer& w, const KeyMatrixState& k, const KeyPressQueue& presses) {
    w.U64(k.Reads);
    for (const uint64_t read : k.LastRead) w.U64(read);
    for (const bool down : k.ReadDown) w.Bool(down);
    w.U32(static_cast<uint32_t>(k.FrontReadsElsewhere)), w.Bool(k.FrontShown);
    for (const bool suppressed : k.Suppressed) w.Bool(suppressed);
    w.U8(static_cast<uint32_t>(k.UpOwed)), w.Bool(k.ModifiersFromPress);
    WritePress(w, k.ModifierPress);
    w.U8(static_cast<uint32_t>(presses.Size()));
    for (int i = 0; i < presses.Size(); ++i) WritePress(w, presses[i]);
}

void ReadKeyboard(Reader& in, KeyMatrixState& k, KeyPressQueue& presses) {
    k.Reads = in.Take(8, "keyboard reads");
    for (uint64_t& read : k.LastRead) read = in.Ranged(8, k.Reads, "keyboard reads");
    for (bool& down : k.ReadDown) down = in.Bool("keyboard");
    k.FrontReadsElsewhere = static_cast<int>(in.Ranged(4, 0x7FFFFFFF, "keyboard"));
    k.FrontShown = in.Bool("keyboard");
    for (bool& suppressed : k.Suppressed) suppressed = in.Bool("keyboard");
    k.UpOwed = static_cast<int>(in.Ranged(1, 127, "keyboard"));
    k.ModifiersFromPress = in.Bool("keyboard");
    k.ModifierPress = ReadPress(in);
    presses.Clear();
    const int count = static_cast<int>(in.Ranged(1, KeyPressQueue::Capacity, "key presses"));
    for (int i = 0; i < count; ++i) presses.Push(ReadPress(in));
}

void WritePayload(Writer& w, const MachineState& m) {
    WriteRegisters(w, m.Registers);
    for (const uint8_t cell : m.Memory) w.U8(cell);
    w.U32(m.RomLimit), w.U32(m.DigitSelect), w.U16(m.SegmentLatch);
    WriteKeyboard(w, m.Matrix, m.Presses);
    w.U64(static_cast<uint64_t>(m.CycleCounter)), w.U64(m.TotalCycles);
    w.U32(static_cast<uint32_t>(m.RefreshCounter)), w.U32(m.RefreshCount);
}

void ReadPayload(Reader& in, MachineState& m) {
    ReadRegisters(in, m.Registers);
    in.Block(m.Memory, sizeof m.Memory, "memory");
    m.RomLimit = static_cast<uint32_t>(in.Ranged(4, 0x10000, "ROM limit"));
    m.DigitSelect = static_cast<uint32_t>(in.Ranged(4, 0xFFFFFF, "digit latch"));
    m.SegmentLatch = static_cast<uint16_t>(in.Take(2, "segment latch"));
    ReadKeyboard(in, m.Matrix, m.Presses);
    const uint64_t cycles = in.Take(8, "frame position") - static_cast<uint64_t>(CycleCounterLowest);
    in.Require(cycles <= static_cast<uint64_t>(CycleCounterHighest - CycleCounterLowest), "frame position");
    m.CycleCounter = static_cast<int64_t>(cycles) + CycleCounterLowest;
    m.TotalCycles = in.Take(8, "T-states");
    m.RefreshCounter = static_cast<int>(in.Ranged(4, RefreshPassesAtMost, "refresh position"));
    m.RefreshCount = static_cast<uint32_t>(in.Take(4, "refresh position"));
}

uint32_t Little32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

std::string SystemReason() { return std::strerror(errno); }

}  // namespace

namespace {

// The reflected polynomial's remainders of every byte.
constexpr std::array<uint32_t, 256> CrcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t crc = n;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        table[n] = crc;
    }
    return table;
}();

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ CrcTable[(crc ^ data[i]) & 0xFF];
    return ~crc;
}

std::vector<uint8_t> EncodeState(const MachineState& machine) {
    std::vector<uint8_t> payload;
    Writer body(payload);
    WritePayload(body, machine);
    std::vector<uint8_t> file(StateMagic, StateMagic + sizeof StateMagic);
    Writer head(file);
    head.U16(StateVersion);
    head.U32(static_cast<uint32_t>(payload.size()));
    head.U32(Crc32(payload.data(), payload.size()));
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

StateResult DecodeState(const std::vector<uint8_t>& bytes, MachineState& into) {
    const auto starts = [&](const char* magic, size_t n) {
        return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
    };
    if (starts(OtherBoardMagic, sizeof OtherBoardMagic)) return {StateFault::OtherBoard, {}};
    if (!starts(StateMagic, sizeof StateMagic)) return {StateFault::NotAState, {}};
    if (bytes.size() < StateHeaderSize) return {StateFault::Truncated, {}};
    const uint16_t version = static_cast<uint16_t>(bytes[8] | bytes[9] << 8);
    if (version > StateVersion) return {StateFault::TooNew, std::to_string(version)};
    if (version == 0) return {StateFault::Damaged, "version"};
    const uint32_t length = Little32(&bytes[10]);
    const size_t present = bytes.size() - StateHeaderSize;
    if (present < length) return {StateFault::Truncated, {}};
    if (present > length) return {StateFault::Damaged, "length"};
    const uint8_t* payload = bytes.data() + StateHeaderSize;
    if (Crc32(payload, length) != Little32(&bytes[14])) return {StateFault::Damaged, "checksum"};
    const auto machine = std::make_unique<MachineState>();
    Reader in(payload, length);
    ReadPayload(in, *machine);
    in.End();
    if (!in.Fault().empty()) return {StateFault::Damaged, in.Fault()};
    into = *machine;
    return {};
}

StateResult SaveState(const std::string& path) {
    const std::vector<uint8_t> bytes = EncodeState(Machine);
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return {StateFault::Unwritable, SystemReason()};
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0 &&
              ::fsync(fileno(file)) == 0;
    std::string why = ok ? std::string() : SystemReason();
    if (std::fclose(file) != 0 && ok) ok = false, why = SystemReason();
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false, why = SystemReason();
    if (ok) return {};
    std::remove(temporary.c_str());
    return {StateFault::Unwritable, why};
}

StateResult LoadState(const std::string& path) { return ReadStateFile(path, Machine); }

StateResult ReadStateFile(const std::string& path, MachineState& into) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return {StateFault::Unreadable, SystemReason()};
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    // a state is about 66 KiB: anything far larger is not one, read or not
    constexpr size_t Enough = 1 << 20;
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && bytes.size() < Enough)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    const std::string reason = SystemReason();
    std::fclose(file);
    if (failed) return {StateFault::Unreadable, reason};
    return DecodeState(bytes, into);
}

std::string StateMessage(const StateResult& result, const std::string& path, bool saving) {
    switch (result.Fault) {
    case StateFault::None: return MessageText(saving ? Message::StateSaved : Message::StateRestored, {path});
    case StateFault::Unreadable: return MessageText(Message::StateUnreadable, {path, result.Detail});
    case StateFault::NotAState: return MessageText(Message::StateNotAState, {path});
    case StateFault::OtherBoard: return MessageText(Message::StateOtherBoard, {path});
    case StateFault::TooNew:
        return MessageText(Message::StateTooNew, {path, result.Detail, std::to_string(StateVersion)});
    case StateFault::Truncated: return MessageText(Message::StateTruncated, {path});
    case StateFault::Damaged: return MessageText(Message::StateDamaged, {path, result.Detail});
    case StateFault::Unwritable: return MessageText(Message::StateUnwritable, {path, result.Detail});
    }
    return {};
}

}  // namespace plover
