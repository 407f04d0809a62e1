#include "tests/support/test_material.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#ifndef Z80_TEST_SOURCE_DIR
#error "Z80_TEST_SOURCE_DIR must name the source tree"
#endif

namespace z80test {
namespace {

std::vector<std::string> Folders() {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("Z80_TEST_DATA"); env != nullptr && *env != '\0') folders.push_back(env);
    folders.push_back((std::filesystem::path(Z80_TEST_SOURCE_DIR).parent_path() / "shared" / "z80").string());
    return folders;
}

}  // namespace

std::string FindMaterial(const std::string& name) {
    for (const std::string& folder : Folders()) {
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) return path.string();
    }
    return "";
}

std::string MissingMaterial(const std::string& name) {
    std::string text = name + " not found: looked in ";
    const char* env = std::getenv("Z80_TEST_DATA");
    text += env != nullptr && *env != '\0' ? "$Z80_TEST_DATA (" + std::string(env) + ")"
                                          : std::string("$Z80_TEST_DATA (not set)");
    text += " and " + Folders().back();
    return text;
}

}  // namespace z80test
