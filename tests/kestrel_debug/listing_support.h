// Helpers of the listing-file tests: a scratch folder per test, whole files as
// bytes and fixed local times.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kestrel {

// A new, empty folder of its own under the system's temporary folder (mkdtemp).
inline std::filesystem::path MakeScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-debug-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr) << "mkdtemp failed";
    return made != nullptr ? std::filesystem::path(made) : std::filesystem::path();
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A local time as the listing's START line takes it (month 1 to 12).
inline std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

}  // namespace kestrel
