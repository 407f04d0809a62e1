#include "monitor_rig.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "kestrel/board/ppi.h"
#include "kestrel/z80/cpu.h"

namespace kestrel::fwtest {
namespace {

// Board segment bits: 0 lower left, 1 middle, 2 upper left, 3 top,
// 4 upper right, 5 lower right, 6 decimal point, 7 bottom.
uint8_t SegmentBit(char letter) {
    switch (letter) {
        case 'a': return 0x08;
        case 'b': return 0x10;
        case 'c': return 0x20;
        case 'd': return 0x80;
        case 'e': return 0x01;
        case 'f': return 0x04;
        case 'g': return 0x02;
        default: return 0;
    }
}

struct GlyphShape {
    char c;
    const char* segments;
};

// '5' doubles as S; decoding prefers the first entry.
constexpr GlyphShape kShapes[] = {
    {'0', "abcdef"}, {'1', "bc"},    {'2', "abdeg"},  {'3', "abcdg"},  {'4', "bcfg"},
    {'5', "acdfg"},  {'6', "acdefg"}, {'7', "abc"},   {'8', "abcdefg"}, {'9', "abcdfg"},
    {'A', "abcefg"}, {'b', "cdefg"}, {'C', "adef"},   {'d', "bcdeg"},  {'E', "adefg"},
    {'F', "aefg"},   {'H', "bcefg"}, {'L', "def"},    {'o', "cdeg"},   {'r', "eg"},
    {'n', "ceg"},    {'t', "defg"},  {'P', "abefg"},  {'G', "acdef"},  {'y', "bcdfg"},
    {'I', "ef"},     {'-', "g"},     {' ', ""},
};

struct KeyDef {
    const char* name;
    int column;
    uint8_t pattern;
};

// Command keys: column and active-low row pattern of the keypad matrix.
constexpr KeyDef kCommandKeys[] = {
    {"MOVE", 5, 0xDF}, {"INS", 5, 0xEF},   {"SBR", 5, 0xFE},    {"PC", 4, 0xFD},
    {"RELA", 4, 0xDF}, {"DEL", 4, 0xEF},   {"CBR", 4, 0xFE},    {"REG", 4, 0xFB},
    {"TAPEWR", 3, 0xDF}, {"STEP", 2, 0xEF}, {"-", 5, 0xFD},     {"DATA", 5, 0xFB},
    {"TAPERD", 2, 0xDF}, {"GO", 3, 0xEF},  {"+", 5, 0xF7},      {"ADDR", 4, 0xF7},
};

uint16_t FindSymbol(const std::string& path, const std::string& name) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string label, equ, value;
        fields >> label >> equ >> value;
        if (label == name && equ == "EQU" && !value.empty()) {
            if (value.back() == 'H') value.pop_back();
            return static_cast<uint16_t>(std::stoul(value, nullptr, 16));
        }
    }
    throw std::runtime_error("symbol " + name + " missing");
}

}  // namespace

uint8_t Glyph(char c) {
    for (const auto& shape : kShapes) {
        if (shape.c == c) {
            uint8_t bits = 0;
            for (const char* s = shape.segments; *s; ++s) bits |= SegmentBit(*s);
            return bits;
        }
    }
    throw std::invalid_argument(std::string("no glyph for ") + c);
}

MonitorRig::MonitorRig() : record_(std::make_unique<MachineRecord>()) {
    std::ifstream rom(KESTREL_ROM_PATH, std::ios::binary);
    if (!rom) throw std::runtime_error("ROM image missing");
    std::vector<char> bytes((std::istreambuf_iterator<char>(rom)), std::istreambuf_iterator<char>());
    if (bytes.size() != 4096) throw std::runtime_error("ROM image is not 4096 bytes");
    scan_address_ = FindSymbol(KESTREL_ROM_SYMBOLS, "SCANKEY");

    MachineRecord& rec = *record_;
    InitMachine(rec);
    for (size_t i = 0; i < bytes.size(); ++i) rec.MemoryImage[i] = static_cast<uint8_t>(bytes[i]);
    rec.RandomState = 0x2545F491u;
    ResetBoard(rec, true);
    if (!RunUntilIdle()) throw std::runtime_error("monitor never waited for a key");
}

uint16_t MonitorRig::Symbol(const std::string& name) {
    return FindSymbol(KESTREL_ROM_SYMBOLS, name);
}

uint8_t MonitorRig::Call(uint16_t address, uint16_t hl) {
    constexpr uint16_t kReturn = 0x1F00;  // a sentinel address in user RAM
    MachineRecord& rec = *record_;
    rec.Cpu.SP = 0x1F40;
    PushWord(rec, kReturn);
    rec.Cpu.PC = address;
    SetHL(rec.Cpu, hl);
    for (int i = 0; i < 10'000; ++i) {
        ExecuteInstruction(rec);
        if (rec.Cpu.PC == kReturn) return rec.Cpu.A;
    }
    throw std::runtime_error("routine did not return");
}

uint16_t MonitorRig::Word(uint16_t address) const {
    return static_cast<uint16_t>(Byte(address) | Byte(static_cast<uint16_t>(address + 1)) << 8);
}

void MonitorRig::Poke(uint16_t address, uint8_t value) {
    if (record_->WriteEnableMap[address]) record_->MemoryImage[address] = value;
}

void MonitorRig::Step() {
    MachineRecord& rec = *record_;
    ExecuteInstruction(rec);
    if (rec.Cpu.PC == 0x02E1) {
        ++blanks_;
        for (auto& d : rec.DigitSegments) d = 0;
    } else if (rec.Cpu.PC == 0x05E4) {
        ++beeps_;
        if ((rec.PortCLatch & 0x80) == 0) ++beeps_with_lamp_;
    }
}

void MonitorRig::Run(long count) {
    for (long i = 0; i < count; ++i) Step();
}

bool MonitorRig::RunUntilIdle(long max) {
    for (long i = 0; i < max; ++i) {
        Step();
        if (record_->Cpu.PC != scan_address_) continue;
        bool released = true;
        for (uint8_t c : record_->KeyColumns) released = released && c == 0xFF;
        if (released && record_->KeyQueueCount == 0 && !record_->UserKeyPending) return true;
    }
    return false;
}

bool MonitorRig::RunUntilHalted(long max) {
    for (long i = 0; i < max; ++i) {
        Step();
        if (record_->Cpu.Halted) return true;
    }
    return false;
}

namespace {

// The keypad column and active-low row pattern of a key by its name.
void KeyPosition(const std::string& key, int& column, uint8_t& pattern) {
    column = -1;
    pattern = 0xFF;
    if (key.size() == 1 && std::isxdigit(static_cast<unsigned char>(key[0]))) {
        const int k = std::stoi(key, nullptr, 16);
        column = 3 - (k % 4);
        pattern = static_cast<uint8_t>(~(1u << (k / 4)));
        return;
    }
    for (const auto& def : kCommandKeys) {
        if (key == def.name) {
            column = def.column;
            pattern = def.pattern;
        }
    }
    if (column < 0) throw std::invalid_argument("unknown key " + key);
}

}  // namespace

bool MonitorRig::Click(const std::string& key, bool wait) {
    int column = -1;
    uint8_t pattern = 0xFF;
    KeyPosition(key, column, pattern);
    record_->KeyColumns[column] = pattern;
    if (!wait) {
        for (long i = 0; i < 2'000'000 && record_->KeyColumns[column] != 0xFF; ++i) Step();
        return record_->KeyColumns[column] == 0xFF && RunPastTheClick();
    }
    return RunUntilIdle();
}

// The monitor clicks each key it has read (the routine at 05E4h, 40 ms of
// tone) right after the read: runs until that routine has returned. A key
// read by a program's own scan has no click.
bool MonitorRig::RunPastTheClick() {
    constexpr uint16_t kClick = 0x05E4;
    long i = 0;
    for (; i < 200 && record_->Cpu.PC != kClick; ++i) Step();
    if (record_->Cpu.PC != kClick) return true;
    const uint16_t returned = static_cast<uint16_t>(record_->Cpu.SP + 2);
    for (; i < 200'000 && record_->Cpu.SP != returned; ++i) Step();
    return record_->Cpu.SP == returned;
}

bool MonitorRig::Burst(const std::string& keys) {
    std::istringstream tokens(keys);
    std::string token;
    while (tokens >> token) {
        int column = -1;
        uint8_t pattern = 0xFF;
        KeyPosition(token, column, pattern);
        if (!ClickKey(*record_, static_cast<uint8_t>(column), pattern)) return false;
    }
    return RunUntilIdle();
}

bool MonitorRig::Keys(const std::string& sequence) {
    std::istringstream tokens(sequence);
    std::string token;
    while (tokens >> token) {
        bool hex = true;
        for (char c : token) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
        if (hex) {  // a hex run is one key per digit
            for (char c : token) {
                if (!Click(std::string(1, c))) return false;
            }
        } else if (!Click(token)) {
            return false;
        }
    }
    return true;
}

std::string MonitorRig::Display() const {
    std::string text;
    for (int digit = 5; digit >= 0; --digit) {
        const uint8_t pattern = record_->DigitSegments[digit];
        const uint8_t shape = pattern & 0xBF;
        char c = '?';
        for (const auto& s : kShapes) {
            if (Glyph(s.c) == shape) {
                c = s.c;
                break;
            }
        }
        text += c;
        if (pattern & 0x40) text += '.';
    }
    return text;
}

}  // namespace kestrel::fwtest
