// plover's messages to its user, each in Spanish, the language of the board's
// own program and the default, and in English for a user whose locale is
// English (the shell decides at start-up). Help text, command-line errors and
// the errors of --load are not here: they are in English whatever the locale.
// They live at the bottom of the stack because the processor core prints two
// of them; docs/plover-messages.md lists them all.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace plover {

enum class Language { Spanish, English };

// The language of every message; Spanish unless the shell chooses English.
extern Language MessageLanguage;

enum class Message {
    UnknownIndexed,     // second byte of DD/FD 76, PC (both decimal)
    UnknownExtended,    // second byte after ED, PC (both decimal)
    RomUnreadable,      // path
    RomShort,           // path, bytes read, bytes wanted
    PictureUnreadable,  // path
    CharsetUnreadable,  // path
    CharsetShort,       // path, bytes read, bytes wanted
    KeysRefused,        // presses that wait
    ScaleTooLarge,      // scale asked for, screen width, height, scale taken
    ScreenTooSmall,     // screen width, height, 1x window width, height, window width, height taken
    StateSaved,         // path
    StateRestored,      // path
    StateUnreadable,    // path, the system's reason
    StateNotAState,     // path
    StateOtherBoard,    // path
    StateTooNew,        // path, the file's format version, the version read here
    StateTruncated,     // path
    StateDamaged,       // path, what is wrong (checksum, or the member out of range)
    StateUnwritable,    // path, the system's reason
    StateSetAside,      // what was wrong (a message above), the name the file was renamed to
    Count
};

// One message in both languages; "{1}", "{2}", ... stand for its values.
struct MessageTexts {
    Message Id;
    std::string_view Spanish;
    std::string_view English;
};
extern const std::array<MessageTexts, static_cast<size_t>(Message::Count)> MessageTable;

// The message in MessageLanguage with its values put in.
std::string MessageText(Message id, const std::vector<std::string>& values = {});

// English when the most preferred locale ("en_GB.UTF-8", "en") names English,
// else Spanish (also for none, "C" and "POSIX").
Language LanguageForLocales(const std::vector<std::string>& preferred);

}  // namespace plover
