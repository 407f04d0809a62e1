#include "plover/z80/messages.h"

#include <cctype>

namespace plover {

Language MessageLanguage = Language::Spanish;

// Plain ASCII: the window's 8 x 8 font draws no accents.
const std::array<MessageTexts, static_cast<size_t>(Message::Count)> MessageTable = {{
    {Message::UnknownIndexed, "Instruccion desconocida {1} en {2}", "Unknown instruction {1} at {2}"},
    {Message::UnknownExtended, "Instruccion ED desconocida {1} en {2}", "Unknown ED instruction {1} at {2}"},
    {Message::RomUnreadable, "No se puede leer la ROM \"{1}\". Pulse ESC para salir.",
     "Cannot read the ROM \"{1}\". Press ESC to quit."},
    {Message::RomShort, "La ROM \"{1}\" es demasiado corta: {2} de {3} bytes. Pulse ESC para salir.",
     "The ROM \"{1}\" is too short: {2} of {3} bytes. Press ESC to quit."},
    {Message::PictureUnreadable, "no se puede leer la imagen \"{1}\"", "cannot read the picture \"{1}\""},
    {Message::CharsetUnreadable, "no se puede leer el generador de caracteres \"{1}\"",
     "cannot read the character generator \"{1}\""},
    {Message::CharsetShort, "el generador de caracteres \"{1}\" es corto: {2} de {3} bytes",
     "the character generator \"{1}\" is short: {2} of {3} bytes"},
    {Message::KeysRefused, "el programa no lee el teclado: {1} teclas en espera, se pierden las siguientes",
     "the program does not read the keyboard: {1} keys wait, further ones are lost"},
    {Message::ScaleTooLarge, "la ventana a escala {1} no cabe en la pantalla de {2} x {3}; se abre a escala {4}",
     "a window at scale {1} does not fit the {2} x {3} screen; it opens at scale {4}"},
    {Message::ScreenTooSmall,
     "la pantalla de {1} x {2} no tiene sitio para la ventana de {3} x {4}; se abre a {5} x {6}",
     "the {1} x {2} screen has no room for the {3} x {4} window; it opens at {5} x {6}"},
    {Message::StateSaved, "estado guardado en \"{1}\"", "state saved in \"{1}\""},
    {Message::StateRestored, "estado recuperado de \"{1}\"", "state restored from \"{1}\""},
    {Message::StateUnreadable, "no se puede leer el estado \"{1}\": {2}", "cannot read the state \"{1}\": {2}"},
    {Message::StateNotAState, "\"{1}\" no es un estado de plover", "\"{1}\" is not a plover state"},
    {Message::StateOtherBoard, "\"{1}\" es un estado de kestrel, no de plover",
     "\"{1}\" is a kestrel state, not a plover one"},
    {Message::StateTooNew, "\"{1}\" es de una version posterior (formato {2}; esta lee hasta el {3})",
     "\"{1}\" comes from a later version (format {2}; this one reads up to {3})"},
    {Message::StateTruncated, "el estado \"{1}\" esta cortado", "the state \"{1}\" is cut short"},
    {Message::StateDamaged, "el estado \"{1}\" esta danado ({2})", "the state \"{1}\" is damaged ({2})"},
    {Message::StateUnwritable, "no se puede guardar el estado en \"{1}\": {2}", "cannot save the state in \"{1}\": {2}"},
    {Message::StateSetAside, "no se pudo recuperar la maquina guardada ({1}); el archivo queda como \"{2}\"",
     "the kept machine could not be restored ({1}); the file is kept as \"{2}\""},
}};

std::string MessageText(Message id, const std::vector<std::string>& values) {
    const MessageTexts& texts = MessageTable[static_cast<size_t>(id)];
    const std::string_view pattern = MessageLanguage == Language::English ? texts.English : texts.Spanish;
    std::string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        // "{n}" with n from 1 to 9 takes the nth value
        const size_t n = i + 2 < pattern.size() && pattern[i] == '{' && pattern[i + 2] == '}' ? pattern[i + 1] - '0' : 0;
        if (n >= 1 && n <= values.size()) {
            text += values[n - 1];
            i += 2;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

Language LanguageForLocales(const std::vector<std::string>& preferred) {
    if (preferred.empty()) return Language::Spanish;
    // the language is what comes before the territory, codeset or modifier
    const std::string& first = preferred.front();
    std::string language = first.substr(0, first.find_first_of("_-.@"));
    for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return language == "en" ? Language::English : Language::Spanish;
}

}  // namespace plover
