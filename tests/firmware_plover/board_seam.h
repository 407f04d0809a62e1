// The rig's connection to the board's ports: latches, keyboard and host keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pfw::board {

// Routes the core's IN and OUT to the board and releases every host key.
void Attach();
void Detach();
void SetHostKey(int scancode, bool held);
// The 24-bit digit select (port 82h, 81h, 80h) and the 16-bit segment latch
// (port 91h, 90h), both active low.
uint32_t DigitSelect();
uint16_t SegmentLatch();
// Lines the core printed into the window (its unknown-opcode messages).
const std::vector<std::string>& PrintedLines();

}  // namespace pfw::board
