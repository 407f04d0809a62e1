#include "kestrel/debug/number_input.h"

namespace kestrel {

namespace {

constexpr uint64_t kTooLarge = 0xFFFFFFFFull;  // beyond every field's limit

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Takes the hexadecimal marker off `digits`; false when there is none.
bool TakeHexMarker(std::string_view& digits) {
    if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
    } else if (!digits.empty() && digits[0] == '$') {
        digits.remove_prefix(1);
    } else if (!digits.empty() && (digits.back() == 'h' || digits.back() == 'H')) {
        digits.remove_suffix(1);
    } else {
        return false;
    }
    return true;
}

// The digits' value in `base`, or -1 when one is not a digit of that base.
int64_t DigitsValue(std::string_view digits, int base) {
    if (digits.empty()) return -1;
    uint64_t value = 0;
    for (char c : digits) {
        const int d = DigitValue(c);
        if (d < 0 || d >= base) return -1;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (value > kTooLarge) value = kTooLarge;
    }
    return static_cast<int64_t>(value);
}

std::string Hex(uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (text.size() % 2 != 0) text.insert(text.begin(), '0');
    return text;
}

NumberInput Refused(std::string reason) { return {false, 0, std::move(reason)}; }

}  // namespace

bool IsDecimalInput(std::string_view text) {
    for (char c : Trimmed(text))
        if (c < '0' || c > '9') return false;
    return true;
}

NumberInput ParseNumberInput(std::string_view text, uint32_t max) {
    const std::string_view number = Trimmed(text);
    if (number.empty()) return {true, 0, {}};
    std::string quoted(1, '"');
    quoted.append(number).push_back('"');
    std::string_view digits = number;
    const bool hex = TakeHexMarker(digits);
    const int64_t value = DigitsValue(digits, hex ? 16 : 10);
    if (value < 0) {
        if (!hex && DigitsValue(digits, 16) >= 0)
            return Refused(quoted + " is not a decimal number. Hexadecimal needs a marker: " +
                           std::string(digits) + "h, 0x" + std::string(digits) + " or $" + std::string(digits) + ".");
        return Refused(quoted + " is not a number. Type it in decimal (6144) or in hexadecimal with a "
                                "marker (1800h, 0x1800 or $1800).");
    }
    if (value > static_cast<int64_t>(max))
        return Refused(quoted + " is too large: the largest value here is " + std::to_string(max) + " (" +
                       Hex(max) + "h).");
    return {true, static_cast<uint32_t>(value), {}};
}

}  // namespace kestrel
