// The one reader of typed numbers: decimal digit strings as always, marked
// hexadecimal, and the reasons given for everything else.
#include <gtest/gtest.h>

#include "kestrel/debug/number_input.h"

namespace kestrel {
namespace {

TEST(NumberInput, ReadsDecimalAndMarkedHexAndSaysWhyNot) {
    struct Row { const char* text; uint32_t max; bool ok; uint32_t value; const char* reason; };
    const Row rows[] = {
        {"6144", 65535, true, 6144, ""},
        {"1800", 65535, true, 1800, ""},  // no marker: decimal, as ever
        {"", 65535, true, 0, ""},
        {" 42\t", 255, true, 42, ""},
        {"1800h", 65535, true, 0x1800, ""},
        {"0x1800", 65535, true, 0x1800, ""},
        {"$1800", 65535, true, 0x1800, ""},
        {"ffH", 255, true, 255, ""},
        {"0XFF", 255, true, 255, ""},
        {"65535", 65535, true, 65535, ""},
        {"65536", 65535, false, 0, "\"65536\" is too large: the largest value here is 65535 (FFFFh)."},
        {"100h", 255, false, 0, "\"100h\" is too large: the largest value here is 255 (FFh)."},
        {"99999999999", 65535, false, 0, "\"99999999999\" is too large: the largest value here is 65535 (FFFFh)."},
        {"1A00", 65535, false, 0,
         "\"1A00\" is not a decimal number. Hexadecimal needs a marker: 1A00h, 0x1A00 or $1A00."},
        {"0x", 65535, false, 0,
         "\"0x\" is not a number. Type it in decimal (6144) or in hexadecimal with a marker (1800h, "
         "0x1800 or $1800)."},
        {"12h3", 65535, false, 0, nullptr},
        {"$0x10", 65535, false, 0, nullptr},
        {"h", 65535, false, 0, nullptr},
    };
    for (const Row& row : rows) {
        const NumberInput got = ParseNumberInput(row.text, row.max);
        EXPECT_EQ(got.Ok, row.ok) << row.text;
        EXPECT_EQ(got.Value, row.value) << row.text;
        EXPECT_EQ(got.Reason.empty(), row.ok) << row.text;
        if (row.reason != nullptr) {
            EXPECT_EQ(got.Reason, row.reason);
        }
    }
}

}  // namespace
}  // namespace kestrel
