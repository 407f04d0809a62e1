#include "kestrel/debug/number_format.h"

namespace kestrel {

int FormatNumber(char* out, uint16_t value, NumberWidth width, uint8_t base) {
    if (width == NumberWidth::Byte) value &= 0xFF;
    if (base == kBaseHex) {
        int digits = width == NumberWidth::Byte ? 2 : 4;
        HexDigits(out, value, digits);
        out[digits] = 'h';
        return digits + 1;
    }
    int digits = width == NumberWidth::Byte ? 3 : 5;
    unsigned v = value;
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    return digits;
}

std::string NumberText(uint16_t value, NumberWidth width, uint8_t base) {
    char text[8];
    int n = FormatNumber(text, value, width, base);
    return std::string(text, static_cast<size_t>(n));
}

}  // namespace kestrel
