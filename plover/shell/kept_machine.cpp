#include "plover/shell/kept_machine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "plover/board/save_state.h"
#include "plover/shell/main_loop.h"
#include "plover/z80/messages.h"

namespace plover {

std::string KeptStatePath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::filesystem::path folder;
    if (data != nullptr && data[0] == '/') {
        folder = data;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        folder = std::filesystem::path(home) / ".local" / "share";
    } else {
        return {};
    }
    return (folder / "plover" / "machine.state").string();
}

void ResumeKeptMachine(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) return;
    const StateResult result = LoadState(path);
    if (result.Ok()) return;
    const std::string aside = path + ".unreadable";
    std::filesystem::rename(path, aside, error);
    const std::string text =
        MessageText(Message::StateSetAside, {StateMessage(result, path, false), error ? path : aside});
    std::fprintf(stderr, "plover: %s\n", text.c_str());
    ShowStateOutcome(text);
}

void KeepMachine(const std::string& path) {
    if (path.empty()) return;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const StateResult result = SaveState(path);
    if (!result.Ok()) std::fprintf(stderr, "plover: %s\n", StateMessage(result, path, true).c_str());
}

}  // namespace plover
