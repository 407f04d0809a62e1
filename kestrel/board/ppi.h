// The board's 8255 PPI as far as the monitor ROM uses it: port A reads the
// keypad, port B latches segment patterns into the selected digits, port C
// selects digits and keypad columns and drives the TONE lamp and the
// speaker (bit 7; its edges go to Machine::Speaker while it captures).
#pragma once

#include <cstdint>

#include "kestrel/board/machine.h"

namespace kestrel {

// One byte of an IN (read = 1) or OUT (write = 1) through IoData. Only ports
// whose low byte has bits 7 and 6 clear reach the PPI (registers by bits 1-0);
// the other three blocks of 64 ports are empty: OUT does nothing and IN leaves
// IoData as it was. The high address byte is passed but not decoded. Every
// Machine's Ports seam leads here.
void PortAccess(Machine& m, uint8_t read, uint8_t write, uint8_t lo, uint8_t hi);

// One click of the keypad key in `column` (0-5) with its active-low row
// `pattern`. The keypad shows one click at a time, in the order they came: a
// click made while another is still unread waits in the KeyQueue until the
// program has read that one. Two clicks between two scans are then never
// merged, swapped or lost. Returns false, dropping the click, only when
// kKeyQueueSize clicks are already waiting (a program that no longer reads
// the keypad).
bool ClickKey(Machine& m, uint8_t column, uint8_t pattern);

}  // namespace kestrel
