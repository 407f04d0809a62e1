// "Real-time speed": the menu item and the stored choice with --real-time,
// the run loop paced to the board's clock, and HALT asleep until an event.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>
#include <chrono>

#include "kestrel/board/pacer.h"
#include "kestrel/shell/command_line.h"
#include "kestrel/shell/emulation_settings.h"
#include "tests/kestrel_shell/kestrel_program_fixture.h"

namespace kestrel {
namespace {

using Clock = std::chrono::steady_clock;

class RealTime : public KestrelProgramFixture {
protected:
    void TearDown() override {
        StoreRealTime(false);
        KestrelProgramFixture::TearDown();
    }
    // Runs the loop for `ms` of real time; returns the seconds it took.
    double RunFor(int ms, RunStatistics& stats) {
        QTimer::singleShot(ms, &W(), [this] { W().RequestQuit(); });
        const auto start = Clock::now();
        emulator_->Run(&stats);
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
};

TEST_F(RealTime, OptionAndMenuItemWithTheStoredChoice) {
    EXPECT_FALSE(ParseCommandLine({"kestrel"}).RealTime);
    const CommandLine option = ParseCommandLine({"kestrel", "--real-time"});
    EXPECT_FALSE(option.Exit);
    EXPECT_TRUE(option.RealTime);
    EXPECT_TRUE(ParseCommandLine({"kestrel", "--help"}).Output.contains("--real-time"));

    // Nothing stored: only the option turns it on, and storing nothing.
    EXPECT_FALSE(RealTimeAtStart(false));
    EXPECT_TRUE(RealTimeAtStart(true));
    EXPECT_FALSE(StoredRealTime());

    StartWith({0x18, 0xFE});
    QAction* item = W().MenuAction(menu_id::kRealTimeSpeed);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->objectName(), "actionRealTimeSpeed");
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(W().RealTime().Enabled());
    // The menu item switches and remembers; the next run starts as stored.
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(W().RealTime().Enabled());
    EXPECT_TRUE(StoredRealTime());
    EXPECT_TRUE(RealTimeAtStart(false));
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(StoredRealTime());
    // What start-up applies sets the check mark and stores nothing.
    W().SetRealTime(true);
    EXPECT_TRUE(item->isChecked());
    EXPECT_FALSE(StoredRealTime());
}

TEST_F(RealTime, TheLoopKeepsToTheBoardClock) {
    StartWith({0x18, 0xFE});  // JR $: 12 T-states a pass
    W().SetRealTime(true);
    RunStatistics stats;
    const double seconds = RunFor(300, stats);
    // The clock counts every pass's T-states, and never runs ahead of real
    // time by more than a slice (unpaced, this loop runs a hundred times faster).
    const uint64_t tstates = W().RealTime().TStates();
    EXPECT_EQ(tstates, 12 * stats.Instructions);
    EXPECT_GT(tstates, 0u);
    EXPECT_LE(tstates, static_cast<uint64_t>(seconds * kBoardClockHz) + W().RealTime().SliceTStates() + 12);
    // Switched off, the loop is unpaced again and the clock stands.
    W().SetRealTime(false);
    W().CancelQuit();
    RunStatistics unpaced;
    RunFor(100, unpaced);
    EXPECT_EQ(W().RealTime().TStates(), tstates);
    EXPECT_GT(unpaced.Instructions, 0u);
}

TEST_F(RealTime, HaltSleepsUntilAnEventAndTheClockGoesOn) {
    std::vector<uint8_t> rom(0x68, 0x00);
    rom[0x00] = 0x76;  // HALT
    rom[0x66] = 0x18;  // NMI: JR $
    rom[0x67] = 0xFE;
    StartWith(rom);
    W().SetRealTime(true);
    RunStatistics stats;
    const double seconds = RunFor(300, stats);
    // One slice of HALT passes (4 T-states each), then sleep: the
    // loop woke only for events, such as the display's frame timer.
    EXPECT_TRUE(M().Cpu.Halted);
    EXPECT_LE(stats.Instructions, W().RealTime().SliceTStates() / 4 + 1);
    EXPECT_LT(stats.Polls / seconds, 200.0);
    // (At least a third of the time: a stalled host drops what exceeds the debt bound.)
    EXPECT_GE(W().RealTime().TStates(), static_cast<uint64_t>(0.1 * kBoardClockHz));
    // MONI, an event, ends the HALT; the board runs on from 0066h for at
    // least a slice (waited for up to 5 s).
    W().CancelQuit();
    uint64_t atMoni = 0;
    QTimer::singleShot(20, &W(), [&] {
        atMoni = W().RealTime().TStates();
        W().ClickKeypad(37, 85 + MainWindow::kKeypadTop);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (atMoni != 0 && W().RealTime().TStates() > atMoni + W().RealTime().SliceTStates()) W().RequestQuit();
    });
    poll.start(5);
    QTimer::singleShot(5000, &W(), [this] { W().RequestQuit(); });
    emulator_->Run();
    EXPECT_FALSE(M().Cpu.Halted);
    EXPECT_EQ(M().Cpu.PC, 0x0066);
    EXPECT_GT(W().RealTime().TStates(), atMoni + W().RealTime().SliceTStates());
}

}  // namespace
}  // namespace kestrel
