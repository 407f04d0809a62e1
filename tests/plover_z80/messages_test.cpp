// plover's messages in both languages and the choice between them.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plover/z80/messages.h"

namespace plover {
namespace {

// The placeholders of a text, in the order they appear.
std::string Placeholders(std::string_view text) {
    std::string found;
    for (size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1))
        found += text.substr(at, 3);
    return found;
}

TEST(Messages, EachMessageInSpanishByDefaultAndInEnglish) {
    const struct {
        Message id;
        std::vector<std::string> values;
        const char* spanish;
        const char* english;
    } rows[] = {
        {Message::UnknownIndexed, {"118", "4098"}, "Instruccion desconocida 118 en 4098", "Unknown instruction 118 at 4098"},
        {Message::UnknownExtended, {"255", "4098"}, "Instruccion ED desconocida 255 en 4098",
         "Unknown ED instruction 255 at 4098"},
        {Message::RomUnreadable, {"roms/MPF1P.bin"}, "No se puede leer la ROM \"roms/MPF1P.bin\". Pulse ESC para salir.",
         "Cannot read the ROM \"roms/MPF1P.bin\". Press ESC to quit."},
        {Message::RomShort, {"r.bin", "3", "8192"}, "La ROM \"r.bin\" es demasiado corta: 3 de 8192 bytes. Pulse ESC para salir.",
         "The ROM \"r.bin\" is too short: 3 of 8192 bytes. Press ESC to quit."},
        {Message::ScreenTooSmall, {"1024", "768", "1275", "574", "1024", "461"},
         "la pantalla de 1024 x 768 no tiene sitio para la ventana de 1275 x 574; se abre a 1024 x 461",
         "the 1024 x 768 screen has no room for the 1275 x 574 window; it opens at 1024 x 461"},
    };
    for (const auto& row : rows) {
        MessageLanguage = Language::Spanish;
        EXPECT_EQ(MessageText(row.id, row.values), row.spanish);
        MessageLanguage = Language::English;
        EXPECT_EQ(MessageText(row.id, row.values), row.english);
    }
    MessageLanguage = Language::Spanish;

    // every message: in its place, the same values in both languages, and listed in the manual
    std::ifstream file(PLOVER_MESSAGES_DOC);
    std::stringstream manual;
    manual << file.rdbuf();
    for (size_t i = 0; i < MessageTable.size(); ++i) {
        const MessageTexts& m = MessageTable[i];
        EXPECT_EQ(static_cast<size_t>(m.Id), i);
        EXPECT_EQ(Placeholders(m.Spanish), Placeholders(m.English)) << m.English;
        EXPECT_NE(manual.str().find(m.Spanish), std::string::npos) << m.Spanish;
        EXPECT_NE(manual.str().find(m.English), std::string::npos) << m.English;
    }
}

TEST(Messages, EnglishOnlyWhenTheFirstPreferredLocaleIsEnglish) {
    const struct {
        std::vector<std::string> preferred;
        Language language;
    } rows[] = {
        {{}, Language::Spanish},
        {{"en_US.UTF-8"}, Language::English},
        {{"en"}, Language::English},
        {{"EN-gb"}, Language::English},
        {{"en@quot"}, Language::English},
        {{"es_ES.UTF-8", "en"}, Language::Spanish},
        {{"de_DE", "en"}, Language::Spanish},
        {{"C.UTF-8"}, Language::Spanish},
        {{"POSIX"}, Language::Spanish},
        {{"eng"}, Language::Spanish},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LanguageForLocales(row.preferred), row.language) << testing::PrintToString(row.preferred);
}

}  // namespace
}  // namespace plover
