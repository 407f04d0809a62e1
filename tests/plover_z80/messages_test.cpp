// plover's messages in both languages (the choice by locale: tests/e2e_plover/run_e2e.sh).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "plover/z80/messages.h"

namespace plover {
namespace {

// The placeholders of a text in order ("{1}{2}"): both languages must have the same.
std::string Placeholders(std::string_view text) {
    std::string found;
    for (size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1)) found += text.substr(at, 3);
    return found;
}

TEST(Messages, EachMessageInSpanishByDefaultAndInEnglish) {
    const struct {
        Message id;
        std::vector<std::string> values;
        const char *spanish, *english;
    } rows[] = {
        {Message::UnknownIndexed, {"118", "4098"}, "Instruccion desconocida 118 en 4098", "Unknown instruction 118 at 4098"},
        {Message::UnknownExtended, {"255", "4098"}, "Instruccion ED desconocida 255 en 4098",
         "Unknown ED instruction 255 at 4098"},
        {Message::RomShort, {"r.bin", "3", "8192"}, "La ROM \"r.bin\" es demasiado corta: 3 de 8192 bytes. Pulse ESC para salir.",
         "The ROM \"r.bin\" is too short: 3 of 8192 bytes. Press ESC to quit."},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MessageText(row.id, row.values), row.spanish);  // the default
        MessageLanguage = Language::English;
        EXPECT_EQ(MessageText(row.id, row.values), row.english);
        MessageLanguage = Language::Spanish;
    }
    std::stringstream manual;
    manual << std::ifstream(PLOVER_MESSAGES_DOC).rdbuf();
    for (size_t i = 0; i < MessageTable.size(); ++i) {
        const MessageTexts& m = MessageTable[i];
        EXPECT_EQ(static_cast<size_t>(m.Id), i);
        EXPECT_EQ(Placeholders(m.Spanish), Placeholders(m.English)) << m.English;
        EXPECT_NE(manual.str().find(m.Spanish), std::string::npos) << "not in the manual: " << m.Spanish;
        EXPECT_NE(manual.str().find(m.English), std::string::npos) << "not in the manual: " << m.English;
    }
}

}  // namespace
}  // namespace plover
