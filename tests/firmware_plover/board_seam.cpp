// The rig's board: plover's own ports and keyboard scan, with a simulated
// host whose keys the tests hold and release. Text that the core prints (its
// unknown-opcode messages) is collected instead of drawn.
#include "board_seam.h"

#include "plover/board/board.h"
#include "plover/z80/cpu.h"
#include "tests/plover_support/simulated_host.h"

namespace pfw::board {

namespace {

plover::SimulatedHost host;
std::vector<std::string> printed;

}  // namespace

void Attach() {
    host.ReleaseAll();
    printed.clear();
    plover::ActiveHost = &host;
    plover::DigitSelect = 0;
    plover::SegmentLatch = 0;
    plover::ConnectBoard();
    plover::DebugOutputHook = [](int, int, std::string_view text, bool) { printed.emplace_back(text); };
}

void Detach() { plover::ActiveHost = nullptr; }

void SetHostKey(int scancode, bool held) { host.SetKey(scancode, held); }
uint32_t DigitSelect() { return plover::DigitSelect; }
uint16_t SegmentLatch() { return plover::SegmentLatch; }
const std::vector<std::string>& PrintedLines() { return printed; }

}  // namespace pfw::board
