#include "monitor_rig.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>

#include "board_seam.h"
#include "plover/z80/cpu.h"

namespace pfw {

namespace {

constexpr long FrameCycles = 35000;
constexpr int RefreshPasses = 101;

}  // namespace

Stroke StrokeFor(char c) {
    static const char* const row1 = "1234567890";       // scan codes 2-11
    static const char* const qwerty = "QWERTYUIOP";     // 16-25
    static const char* const asdf = "ASDFGHJKL";        // 30-38
    static const char* const zxcv = "ZXCVBNM";          // 44-50
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (const char* p = std::strchr(row1, c); p && c) return {2 + static_cast<int>(p - row1), false};
    if (const char* p = std::strchr(qwerty, c); p && c) return {16 + static_cast<int>(p - qwerty), false};
    if (const char* p = std::strchr(asdf, c); p && c) return {30 + static_cast<int>(p - asdf), false};
    if (const char* p = std::strchr(zxcv, c); p && c) return {44 + static_cast<int>(p - zxcv), false};
    switch (c) {
    case ' ': return {key::Space, false};
    case '\n': return {key::Enter, false};
    case ',': return {51, false};
    case '.': return {52, false};
    case '/': return {53, false};
    case ';': return {39, false};
    case ':': return {39, true};
    case '?': return {53, true};
    case '-': return {51, false, true};
    case '+': return {52, false, true};
    case '\'': return {39, false, true};
    default: break;
    }
    static const char* const shifted = "!@#$%^&*()";  // over 1-0
    if (const char* p = std::strchr(shifted, c); p && c) return {2 + static_cast<int>(p - shifted), true};
    throw std::invalid_argument(std::string("no key types '") + c + "'");
}

namespace {

// Segments of the characters the monitor shows, by segment number (1 top
// bar, 2 upper right, 3 lower right, 4 bottom bar, 5 lower left, 6 upper
// left, 7 and 8 the left and right halves of the middle bar, 9 and 10 the
// upper and lower centre verticals, 11 to 14 the upper right, upper left,
// lower right and lower left diagonals, 15 the decimal point).
struct Shape {
    char c;
    std::initializer_list<int> segments;
};
const Shape Shapes[] = {
    {' ', {}},
    {'0', {1, 2, 3, 4, 5, 6, 11, 14}},
    {'1', {2, 3}},
    {'2', {1, 2, 4, 5, 7, 8}},
    {'3', {1, 2, 3, 4, 8}},
    {'4', {2, 3, 6, 7, 8}},
    {'5', {1, 3, 4, 6, 7, 8}},
    {'6', {1, 3, 4, 5, 6, 7, 8}},
    {'7', {1, 2, 3}},
    {'8', {1, 2, 3, 4, 5, 6, 7, 8}},
    {'9', {1, 2, 3, 4, 6, 7, 8}},
    {'A', {1, 2, 3, 5, 6, 7, 8}},
    {'B', {1, 2, 3, 4, 8, 9, 10}},
    {'C', {1, 4, 5, 6}},
    {'D', {1, 2, 3, 4, 9, 10}},
    {'E', {1, 4, 5, 6, 7}},
    {'F', {1, 5, 6, 7}},
    {'G', {1, 3, 4, 5, 6, 8}},
    {'H', {2, 3, 5, 6, 7, 8}},
    {'I', {1, 4, 9, 10}},
    {'J', {2, 3, 4, 5}},
    {'K', {5, 6, 7, 11, 13}},
    {'L', {4, 5, 6}},
    {'M', {2, 3, 5, 6, 11, 12}},
    {'N', {2, 3, 5, 6, 12, 13}},
    {'O', {1, 2, 3, 4, 5, 6}},
    {'P', {1, 2, 5, 6, 7, 8}},
    {'Q', {1, 2, 3, 4, 5, 6, 13}},
    {'R', {1, 2, 5, 6, 7, 8, 13}},
    {'S', {1, 3, 4, 6, 7, 8}},
    {'T', {1, 9, 10}},
    {'U', {2, 3, 4, 5, 6}},
    {'V', {5, 6, 11, 14}},
    {'W', {2, 3, 5, 6, 13, 14}},
    {'X', {11, 12, 13, 14}},
    {'Y', {10, 11, 12}},
    {'Z', {1, 4, 11, 14}},
    {'.', {15}},
    {'-', {7, 8}},
    {'>', {12, 14}},
    {':', {9, 10}},
    {'=', {4, 7, 8}},
    {'/', {11, 14}},
};

}  // namespace

uint16_t PatternOf(char c) {
    for (const Shape& s : Shapes)
        if (s.c == c) {
            uint16_t bits = 0;
            for (int n : s.segments) bits = static_cast<uint16_t>(bits | 1u << (n - 1));
            return bits;
        }
    throw std::invalid_argument(std::string("no shape for '") + c + "'");
}

char CharacterOf(uint16_t pattern) {
    for (const Shape& s : Shapes)
        if (PatternOf(s.c) == pattern) return s.c;
    return '~';
}

MonitorRig::MonitorRig() {
    std::memset(plover::BoardMemory, 0, sizeof plover::BoardMemory);
    std::FILE* f = std::fopen(PLOVER_MONITOR_IMAGE, "rb");
    if (!f) throw std::runtime_error("monitor image missing: " PLOVER_MONITOR_IMAGE);
    const size_t got = std::fread(plover::BoardMemory, 1, 8192, f);
    std::fclose(f);
    if (got != 8192) throw std::runtime_error("monitor image shorter than 8,192 bytes");
    plover::RomLimit = 0x4000;
    board::Attach();
    plover::ResetProcessor();
}

MonitorRig::~MonitorRig() { board::Detach(); }

void MonitorRig::RunTStates(long tstates) {
    plover::Z80RegisterSet& r = plover::Z80Registers;
    const long long end = total_ + tstates;
    while (total_ < end) {
        if (cycle_counter_ >= 0) {
            int taken = 0;
            if (r.IFF1) {
                plover::StackPush(r.PC);
                r.IFF1 = r.IFF2 = false;
                if (r.IM == 2) {
                    r.PC = plover::PeekW(r.I * 256u + 0xFF);
                    taken = 19;
                } else {
                    r.PC = 0x0038;
                    taken = 13;
                }
                ++interrupts_;
            }
            cycle_counter_ -= FrameCycles + taken;
            total_ += taken;
        }
        ++r.RCounter;
        if (refresh_counter_ > RefreshPasses - 1) {
            refresh_counter_ = 0;
            Refresh();
        }
        ++refresh_counter_;
        const int t = plover::ExecuteStep();
        cycle_counter_ += t;
        total_ += t;
    }
}

void MonitorRig::Refresh() {
    ++refreshes_;
    const uint32_t select = board::DigitSelect();
    const uint16_t lit = static_cast<uint16_t>(~board::SegmentLatch() & 0x7FFF);
    for (int k = 0; k < 20; ++k) {
        if (select & (1u << k)) continue;
        if (samples_[k] && digits_[k] != lit) ++changes_[k];
        digits_[k] = lit;
        ++samples_[k];
    }
}

void MonitorRig::ResetProcessor() { plover::ResetProcessor(); }

void MonitorRig::HoldKey(int scancode, bool held) { board::SetHostKey(scancode, held); }

void MonitorRig::TapKey(int scancode, int modifier) {
    // A pass over the 20 digits takes about 31,000 T-states; two passes with
    // the key down and two with it up make sure the monitor sees both edges.
    if (modifier) HoldKey(modifier, true);
    HoldKey(scancode, true);
    RunTStates(70000);
    HoldKey(scancode, false);
    if (modifier) HoldKey(modifier, false);
    RunTStates(70000);
}

void MonitorRig::Type(std::string_view text) {
    for (char c : text) {
        const Stroke s = StrokeFor(c);
        TapKey(s.scancode, s.control ? key::Control : s.shift ? key::LeftShift : 0);
        // a command runs without looking at the keyboard: let it finish
        if (c == '\n') RunFrames(20);
    }
}

uint8_t MonitorRig::VioCell(int row, int column) const {
    return plover::BoardMemory[VioAddress + 40 * row + column];
}

std::string MonitorRig::VioRow(int row) const {
    std::string text;
    for (int c = 0; c < 40; ++c) {
        uint8_t b = VioCell(row, c);
        if (b == 0xA0) b = ' ';
        text.push_back(static_cast<char>(b));
    }
    return text;
}

int MonitorRig::FindRow(std::string_view prefix) const {
    for (int r = 0; r < 20; ++r)
        if (VioRow(r).starts_with(prefix)) return r;
    return -1;
}

const std::vector<std::string>& MonitorRig::PrintedLines() const { return board::PrintedLines(); }

std::string MonitorRig::DisplayText() const {
    std::string text;
    for (uint16_t pattern : digits_) text.push_back(CharacterOf(pattern));
    return text;
}

uint8_t MonitorRig::Peek(uint16_t address) const { return plover::BoardMemory[address]; }
void MonitorRig::Poke(uint16_t address, uint8_t value) { plover::BoardMemory[address] = value; }
uint16_t MonitorRig::Ticks() const { return static_cast<uint16_t>(Peek(TicksAddress) | Peek(TicksAddress + 1) << 8); }
uint16_t MonitorRig::PC() const { return plover::Z80Registers.PC; }

void MonitorRig::TypeQuickly(std::string_view text, long gapTStates) {
    for (char c : text) {
        const Stroke s = StrokeFor(c);
        const int modifier = s.control ? key::Control : s.shift ? key::LeftShift : 0;
        if (modifier) HoldKey(modifier, true);
        HoldKey(s.scancode, true);
        HoldKey(s.scancode, false);
        if (modifier) HoldKey(modifier, false);
        RunTStates(gapTStates);
    }
}

}  // namespace pfw
