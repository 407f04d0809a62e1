// Reader of the FUSE core test vectors: fuse-tests.in (the state before one
// instruction) and fuse-tests.expected (the bus events, the state after it and
// the memory it changed). Each core's test maps the states onto its own
// registers and decides which differences its rules excuse.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace z80test::fuse {

struct State {
    uint16_t af = 0, bc = 0, de = 0, hl = 0, af2 = 0, bc2 = 0, de2 = 0, hl2 = 0;
    uint16_t ix = 0, iy = 0, sp = 0, pc = 0, memptr = 0;
    unsigned i = 0, r = 0, iff1 = 0, iff2 = 0, im = 0, halted = 0, tstates = 0;
};

// Bytes starting at an address.
using MemoryBlock = std::pair<uint16_t, std::vector<uint8_t>>;

// A port access on the expected side: the value read or written.
struct PortEvent {
    bool write = false;
    uint16_t port = 0;
    uint8_t value = 0;
};

struct Vector {
    std::string name;
    State state;
    std::vector<MemoryBlock> memory;
    std::vector<PortEvent> ports;  // expected side only
};

// The vectors of fuse-tests.in, in file order; empty if the file cannot be read.
std::vector<Vector> ReadInputs(const std::string& path);

// The results of fuse-tests.expected, in file order.
std::vector<Vector> ReadExpected(const std::string& path);

// Copies the blocks into a 64 KiB memory image.
void Apply(const std::vector<MemoryBlock>& blocks, uint8_t* memory);

}  // namespace z80test::fuse
