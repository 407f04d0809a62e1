#include "kestrel/debug/listing_file.h"

#include <cstdio>

namespace kestrel {

namespace {
void TwoDigits(char* out, int value) {
    out[0] = static_cast<char>('0' + (value / 10) % 10);
    out[1] = static_cast<char>('0' + value % 10);
}
}  // namespace

int FormatStartLine(char* out, const std::tm& when) {
    // "START hh:mm:ss DD/MM/YYYY"
    const char kStart[] = "START ";
    for (int i = 0; i < 6; ++i) out[i] = kStart[i];
    TwoDigits(out + 6, when.tm_hour);
    out[8] = ':';
    TwoDigits(out + 9, when.tm_min);
    out[11] = ':';
    TwoDigits(out + 12, when.tm_sec);
    out[14] = ' ';
    TwoDigits(out + 15, when.tm_mday);
    out[17] = '/';
    TwoDigits(out + 18, when.tm_mon + 1);
    out[20] = '/';
    int year = (when.tm_year + 1900) % 10000;
    TwoDigits(out + 21, year / 100);
    TwoDigits(out + 23, year % 100);
    return 25;
}

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

bool AppendToFile(const char* path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path, "ab");
    if (!file) return false;
    size_t written = std::fwrite(data, 1, size, file);
    bool closed = std::fclose(file) == 0;
    return written == size && closed;
}

}  // namespace kestrel
