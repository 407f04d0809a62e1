// The trace lines of the memory primitives, on a copy of the core built at
// trace level 2: rows, columns, texts and their order for word accesses.
#include "tests/plover_z80/core_fixture.h"

using namespace plover;

namespace {

static_assert(DebugLevel == 2, "this test binary links the level-2 core");

using PloverTrace = plover_test::CoreTest;

std::vector<std::string> Texts(const plover_test::Recorder& rec) {
    std::vector<std::string> out;
    for (const auto& call : rec.text) out.push_back(call.text);
    return out;
}

TEST_F(PloverTrace, PeekBPrintsAtRowOneColumnForty) {
    BoardMemory[0x1234] = 0xAB;
    EXPECT_EQ(PeekB(0x11234), 0xAB);
    ASSERT_EQ(rec.text.size(), 1u);
    EXPECT_EQ(rec.text[0].row, 1);
    EXPECT_EQ(rec.text[0].column, 40);
    EXPECT_EQ(rec.text[0].text, "PeekB:1234 Dato:AB       ");
    EXPECT_EQ(rec.presents, 1);
    EXPECT_EQ(rec.waits, 0);
    EXPECT_EQ(TextRow, 2);
    EXPECT_EQ(TextColumn, 1);
}

TEST_F(PloverTrace, PeekWPrintsItsLineAfterTheTwoByteLines) {
    BoardMemory[0xFFFF] = 0x0F;
    BoardMemory[0x0000] = 0x00;
    EXPECT_EQ(PeekW(0xFFFF), 0x000F);
    const std::vector<std::string> want = {"PeekB:FFFF Dato:F       ", "PeekB:0 Dato:0       ",
                                           "PeekW:FFFF Dato:F       "};
    EXPECT_EQ(Texts(rec), want);
    ASSERT_EQ(rec.text.size(), 3u);
    EXPECT_EQ(rec.text[0].row, 1);
    EXPECT_EQ(rec.text[1].row, 1);
    EXPECT_EQ(rec.text[2].row, 2);
    EXPECT_EQ(rec.text[2].column, 40);
}

TEST_F(PloverTrace, PokeLinesAndTheRomLimit) {
    PokeB(0x3FFF, 0x12);
    EXPECT_TRUE(rec.text.empty());  // refused: nothing printed
    PokeB(0x4000, 0x1AB);
    ASSERT_EQ(rec.text.size(), 1u);
    EXPECT_EQ(rec.text[0].row, 3);
    EXPECT_EQ(rec.text[0].column, 40);
    EXPECT_EQ(rec.text[0].text, "PokeB:4000 Dato:AB       ");

    rec.text.clear();
    PokeW(0x5000, 0x1234);
    const std::vector<std::string> word = {"PokeB:5000 Dato:34       ", "PokeB:5001 Dato:12       ",
                                           "PokeW:5000 Dato:1234       "};
    EXPECT_EQ(Texts(rec), word);
    EXPECT_EQ(rec.text[0].row, 3);
    EXPECT_EQ(rec.text[1].row, 3);
    EXPECT_EQ(rec.text[2].row, 4);

    // across the limit: only the high byte is stored and traced; the word line
    // shows the word now in memory
    rec.text.clear();
    BoardMemory[0x3FFF] = 0x77;
    PokeW(0x3FFF, 0xBEEF);
    const std::vector<std::string> across = {"PokeB:4000 Dato:BE       ", "PokeW:3FFF Dato:BE77       "};
    EXPECT_EQ(Texts(rec), across);
}

TEST_F(PloverTrace, AnInstructionTracesEveryByteItTouches) {
    Z80Registers.A = 0x5A;
    Z80Registers.PC = 0x4000;
    Load(0x4000, {0x32, 0x00, 0x50});  // LD (5000h),A
    ++Z80Registers.RCounter;
    EXPECT_EQ(ExecuteStep(), 13);
    const std::vector<std::string> want = {
        "PeekB:4000 Dato:32       ", "PeekB:4001 Dato:0       ", "PeekB:4002 Dato:50       ",
        "PeekW:4001 Dato:5000       ", "PokeB:5000 Dato:5A       "};
    EXPECT_EQ(Texts(rec), want);
    EXPECT_EQ(rec.presents, 5);
}

TEST_F(PloverTrace, MessagesFollowTheTraceCursor) {
    Load(0x4000, {0xDD, 0x76});
    Z80Registers.PC = 0x4000;
    ++Z80Registers.RCounter;
    EXPECT_EQ(ExecuteStep(), 0);
    ASSERT_EQ(rec.text.size(), 3u);
    EXPECT_EQ(rec.text[2].text, "Instruccion desconocida 118 en 16386");
    EXPECT_EQ(rec.text[2].row, 2);  // the line after the last PeekB trace
    EXPECT_EQ(rec.text[2].column, 1);
    EXPECT_EQ(rec.waits, 1);
}

}  // namespace
