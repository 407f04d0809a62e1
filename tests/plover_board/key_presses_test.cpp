// Key presses faster than the program's scan: shown one at a time, in the
// order typed, each with the modifiers it was typed with; and the fixed queue
// that carries them from the host.
#include "board_fixture.h"

namespace plover {
namespace {

constexpr int KeyA = 30, Key0 = 11, Key5 = 6, KeyP = 25, KeyQ = 16, KeySlash = 53, Key1 = 2;

class KeyPresses : public BoardFixture {
protected:
    // Down and up with no read between.
    void Tap(int scanCode) {
        host.SetKey(scanCode, true);
        host.SetKey(scanCode, false);
    }
};

TEST_F(KeyPresses, QuickPressesReachAOneColumnReaderOneAtATimeInOrder) {
    SelectOnly(10);
    for (const int key : {Key0, Key0, Key0, KeySlash}) Tap(key);
    // the same key again only after a read with it up; another key at once
    const uint8_t expected[] = {0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFD, 0xFF, 0xFF};
    for (const uint8_t value : expected) EXPECT_EQ(ReadPort(0x92), value);
}

TEST_F(KeyPresses, ShiftAndControlGoWithThePress) {
    SelectOnly(1);
    host.SetKey(ScanCode::RightShift, true);
    Tap(KeyA);
    host.SetKey(ScanCode::RightShift, false);
    Tap(KeyA);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    EXPECT_EQ(ReadPort(0x82), 0x01);  // Shift was let go, the press keeps it
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    EXPECT_EQ(ReadPort(0x82), 0xFF);
    // once the last press has read up, the host's own modifiers again
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    host.SetKey(ScanCode::Control, true);
    EXPECT_EQ(ReadPort(0x82), 0x02);
}

TEST_F(KeyPresses, AHeldKeyGivesWayToANewerPressAndStaysUpUntilReleased) {
    host.SetKey(KeyA, true);
    SelectOnly(1);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
    Tap(Key5);
    EXPECT_EQ(ReadPort(0x92), 0xFF);  // nothing before the waiting press
    SelectOnly(5);
    EXPECT_EQ(ReadPort(0x92), 0xFE);
    SelectOnly(1);
    EXPECT_EQ(ReadPort(0x92), 0xFF);  // no second A from the same hold
    host.SetKey(KeyA, false);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
    host.SetKey(KeyA, true);
    EXPECT_EQ(ReadPort(0x92), 0xFD);
}

TEST_F(KeyPresses, APressInAColumnNeverReadHidesTheOthersForTwoPassesOnly) {
    Tap(KeyP);  // column 20
    host.SetKey(Key1, true);
    SelectOnly(1);
    int reads = 1;
    while (ReadPort(0x92) == 0xFF && reads < 100) ++reads;
    EXPECT_EQ(reads, 2 * KeyColumnCount + 1);
    // the press still waits for its column; the 1 read before it makes the
    // first read of column 20 one that a scan would not take it from
    SelectOnly(20);
    EXPECT_EQ(ReadPort(0x92), 0xFE);
    EXPECT_EQ(ReadPort(0x92), 0xFE);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
}

TEST_F(KeyPresses, F2ForgetsPressesNotYetRead) {
    Tap(KeyQ);
    SelectOnly(11);
    host.SetKey(ScanCode::F2, true);
    EXPECT_EQ(ReadPort(0x92), 0x00);
    host.SetKey(ScanCode::F2, false);
    EXPECT_EQ(ReadPort(0x92), 0xFF);
}

TEST(KeyPressQueue, HoldsSixtyFourInOrderAndRefusesMore) {
    KeyPressQueue queue;
    for (int i = 0; i < 10; ++i) queue.Push({});
    for (int i = 0; i < 10; ++i) queue.Remove(0);  // the ring wraps round below
    for (int i = 0; i < KeyPressQueue::Capacity; ++i) EXPECT_TRUE(queue.Push({static_cast<uint8_t>(i)}));
    EXPECT_FALSE(queue.Push({99}));
    queue.Remove(5);
    ASSERT_EQ(queue.Size(), KeyPressQueue::Capacity - 1);
    for (int i = 0; i < queue.Size(); ++i) EXPECT_EQ(queue[i].ScanCode, i < 5 ? i : i + 1);
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
}

}  // namespace
}  // namespace plover
