// Ports 80h-82h, 90h-91h (OUT latches) and 82h, 92h (IN) with host keys held
// by PC set-1 scan code.
#include "board_fixture.h"

namespace plover {
namespace {

constexpr int KeyA = 30, KeyS = 31, Key1 = 2, KeyP = 25, KeySemicolon = 39, KeyComma = 51, KeyF4 = 62;

using Ports = BoardFixture;

TEST_F(Ports, LatchesComposeFromTheirPortsAndStartAtZero) {
    EXPECT_EQ(DigitSelect, 0u);
    EXPECT_EQ(SegmentLatch, 0u);
    WritePort(0x80, 0x12);
    WritePort(0x81, 0x34);
    WritePort(0x82, 0x56);
    WritePort(0x90, 0x78);
    WritePort(0x91, 0x9A);
    EXPECT_EQ(DigitSelect, 0x563412u);
    EXPECT_EQ(SegmentLatch, 0x9A78u);
    WritePort(0x81, 0xFF);
    EXPECT_EQ(DigitSelect, 0x56FF12u);
    // a processor reset leaves the latches alone
    ResetProcessor();
    EXPECT_EQ(DigitSelect, 0x56FF12u);
    EXPECT_EQ(SegmentLatch, 0x9A78u);
}

TEST_F(Ports, ColumnOneReportsTheHighestHeldRow) {
    SelectOnly(1);
    EXPECT_EQ(DigitSelect, 0xFFFFFEu);
    EXPECT_EQ(ReadPort(0x92), 0xFF);  // nothing held
    host.SetKey(KeyA, true);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    host.SetKey(ScanCode::Space, true);
    EXPECT_EQ(ReadPort(0x92), 0xFB);  // A and Space: row 3 wins
    host.ReleaseAll();
    host.SetKey(Key1, true);
    EXPECT_EQ(ReadPort(0x92), 0xFE);
    host.SetKey(KeyA, true);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    // keys of other columns are not seen
    host.ReleaseAll();
    host.SetKey(KeyS, true);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
}

TEST_F(Ports, APressBetweenTwoScansIsSeenExactlyOnce) {
    SelectOnly(1);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    // 1 ms down, released before the next scan
    host.SetKey(KeyA, true);
    host.Advance(1);
    host.SetKey(KeyA, false);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    // a press waits for a scan of its own column, not of another one
    host.SetKey(KeyS, true);
    host.SetKey(KeyS, false);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    SelectOnly(2);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    // a key held over several scans is seen while held and not after
    host.SetKey(KeyS, true);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    host.SetKey(KeyS, false);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
}

TEST_F(Ports, EveryColumnOfTheKeyTableAnswersOnItsOwnBits) {
    struct Case {
        int column, scanCode;
        uint8_t expected;
    };
    const Case cases[] = {{2, ScanCode::CursorLeft, 0xFB}, {3, ScanCode::CursorRight, 0xFB},
                          {4, ScanCode::CursorDown, 0xFB}, {5, ScanCode::CursorUp, 0xFB},
                          {6, ScanCode::Enter, 0xFB},      {7, KeyF4, 0xFB},
                          {10, 53, 0xFD},                  {11, 16, 0xFE},
                          {18, KeyComma, 0xFD},            {20, KeyP, 0xFE},
                          {20, KeySemicolon, 0xFD}};
    for (const Case& c : cases) {
        host.ReleaseAll();
        SelectOnly(c.column);
        host.SetKey(c.scanCode, true);
        EXPECT_EQ(ReadPort(0x92), c.expected) << "column " << c.column << " scan code " << c.scanCode;
        SelectOnly(c.column == 20 ? 19 : c.column + 1);
        EXPECT_EQ(ReadPort(0x92), 0xFF) << "neighbour of column " << c.column;
    }
}

TEST_F(Ports, WithTwoColumnsSelectedOnlyTheHigherOneIsSeen) {
    WritePort(0x80, 0xFC);  // columns 1 and 2
    WritePort(0x81, 0xFF);
    WritePort(0x82, 0xFF);
    host.SetKey(KeyA, true);  // column 1
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    host.SetKey(KeyS, true);  // column 2
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    // each selected column is sampled, and each sample empties the key queue
    EXPECT_EQ(host.Flushes, 2 * 2);
}

TEST_F(Ports, ColumnsSeventeenToTwentyComeFromPort82) {
    WritePort(0x80, 0xFF);
    WritePort(0x81, 0xFF);
    WritePort(0x82, 0xF7);  // column 20
    host.SetKey(KeySemicolon, true);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    WritePort(0x82, 0xFF);  // nothing selected
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    EXPECT_EQ(host.Flushes, 1);
}

TEST_F(Ports, ShiftAndControlOnPort82) {
    EXPECT_EQ(ReadPort(0x82), 0xFF);
    host.SetKey(ScanCode::LeftShift, true);
    EXPECT_EQ(ReadPort(0x82), 0x01);
    host.SetKey(ScanCode::Control, true);
    EXPECT_EQ(ReadPort(0x82), 0x02);  // Control wins
    host.SetKey(ScanCode::LeftShift, false);
    EXPECT_EQ(ReadPort(0x82), 0x02);
    host.SetKey(ScanCode::Control, false);
    host.SetKey(ScanCode::RightShift, true);  // either Shift key is the board's Shift
    EXPECT_EQ(ReadPort(0x82), 0x01);
    // Escape is not looked at on this port
    host.SetKey(ScanCode::Escape, true);
    EXPECT_NO_THROW(ReadPort(0x82));
}

TEST_F(Ports, UnassignedPortsReadFFAndStoreNothing) {
    host.SetKey(KeyA, true);
    for (const int port : {0x00, 0x83, 0x91, 0x93, 0xFF}) EXPECT_EQ(ReadPort(static_cast<uint8_t>(port)), 0xFF) << port;
    WritePort(0x83, 0x00);
    WritePort(0x92, 0x00);
    EXPECT_EQ(DigitSelect, 0u);
    EXPECT_EQ(SegmentLatch, 0u);
}

TEST_F(Ports, OutToAnUnassignedPortEndsTheProgramOnlyWithEscapeHeld) {
    WritePort(0x83, 0x55);
    EXPECT_EQ(TakeStop(), StopReason::None);
    host.SetKey(ScanCode::Escape, true);
    WritePort(0x80, 0x55);  // a latch port stores, nothing else
    EXPECT_EQ(TakeStop(), StopReason::None);
    EXPECT_EQ(DigitSelect, 0x55u);
    WritePort(0x83, 0x55);
    EXPECT_EQ(TakeStop(), StopReason::EndProgram);
}

TEST_F(Ports, EscapeDuringAKeyboardReadEndsTheProgram) {
    SelectOnly(5);
    host.SetKey(ScanCode::Escape, true);
    ReadPort(0x92);
    EXPECT_EQ(TakeStop(), StopReason::EndProgram);
    // with no column selected there is no keyboard read
    WritePort(0x80, 0xFF);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
}

TEST_F(Ports, F2DuringAKeyboardReadResetsTheProcessorAndReadsZero) {
    SelectOnly(1);
    Z80Registers.PC = 0x1234;
    Z80Registers.SP = 0x5000;
    Z80Registers.IFF1 = true;
    Z80Registers.IM = 1;
    host.SetKey(ScanCode::F2, true);
    host.SetKey(KeyA, true);
    EXPECT_EQ(ReadPort(0x92), 0x00);
    EXPECT_EQ(Z80Registers.PC, 0x0000);
    EXPECT_EQ(Z80Registers.SP, 0xFFFF);
    EXPECT_FALSE(Z80Registers.IFF1);
    EXPECT_EQ(Z80Registers.IM, 0);
}

TEST_F(Ports, F2WhileTheProcessorExecutesInResetsIt) {
    // at 4100h: IN A,(92h), then NOP
    BoardMemory[0x4100] = 0xDB;
    BoardMemory[0x4101] = 0x92;
    Z80Registers.PC = 0x4100;
    Z80Registers.SP = 0x8000;
    Z80Registers.A = 0x77;
    SelectOnly(3);
    host.SetKey(ScanCode::F2, true);
    ExecuteStep();
    EXPECT_EQ(Z80Registers.PC, 0x0000);
    EXPECT_EQ(Z80Registers.SP, 0xFFFF);
    EXPECT_EQ(Z80Registers.A, 0x00);
    // without F2 the same instruction reads the column
    host.ReleaseAll();
    host.SetKey(ScanCode::CursorRight, true);
    Z80Registers.PC = 0x4100;
    ExecuteStep();
    EXPECT_EQ(Z80Registers.PC, 0x4102);
    EXPECT_EQ(Z80Registers.A, 0xFB);
}

TEST_F(Ports, OutAndInThroughTheCoreReachTheBoard) {
    // LD A,FEh; OUT (80h),A; LD A,FFh; OUT (81h),A; OUT (82h),A; IN A,(92h)
    const uint8_t program[] = {0x3E, 0xFE, 0xD3, 0x80, 0x3E, 0xFF, 0xD3, 0x81, 0xD3, 0x82, 0xDB, 0x92};
    std::memcpy(&BoardMemory[0x4000], program, sizeof program);
    Z80Registers.PC = 0x4000;
    host.SetKey(ScanCode::Space, true);
    for (int i = 0; i < 6; ++i) ExecuteStep();
    EXPECT_EQ(DigitSelect, 0xFFFFFEu);
    EXPECT_EQ(Z80Registers.A, 0xFB);
}

}  // namespace
}  // namespace plover
