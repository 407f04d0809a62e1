#include "kestrel/debug/symbols.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "kestrel/debug/machine_record.h"
#include "kestrel/debug/number_format.h"

namespace kestrel {
namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '?' || c == '@'; }
bool IsNameChar(char c) { return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$'; }

bool IsName(std::string_view s) {
    if (s.empty() || !IsNameStart(s[0])) return false;
    for (char c : s) {
        if (!IsNameChar(c)) return false;
    }
    return true;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        size_t j = i;
        while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

bool IsEqu(std::string_view w) {
    return w.size() == 3 && std::toupper(static_cast<unsigned char>(w[0])) == 'E' &&
           std::toupper(static_cast<unsigned char>(w[1])) == 'Q' &&
           std::toupper(static_cast<unsigned char>(w[2])) == 'U';
}

// One line into `table`; the reason when it is not NAME[:] EQU VALUE.
std::string ReadLine(std::string_view line, SymbolTable& table) {
    std::vector<std::string_view> w = Words(line);
    if (w.empty() || w[0][0] == ';') return std::string();
    if (w.size() != 3 || !IsEqu(w[1])) return "expected NAME EQU VALUE";
    std::string_view name = w[0];
    if (name.back() == ':') name.remove_suffix(1);
    if (!IsName(name)) return "\"" + std::string(name) + "\" is not a symbol name";
    const NumberInput value = ParseNumberInput(w[2], 0xFFFF);
    if (!value.Ok) return value.Reason;
    table.Add(std::string(name), static_cast<uint16_t>(value.Value));
    return std::string();
}

}  // namespace

void SymbolTable::Add(const std::string& name, uint16_t value) {
    auto old = byName_.find(name);
    if (old != byName_.end()) {
        auto shown = byValue_.find(old->second);
        if (shown != byValue_.end() && shown->second == name) byValue_.erase(shown);
        byName_.erase(old);
    }
    byName_.emplace(name, value);
    auto shown = byValue_.find(value);
    if (shown == byValue_.end() || name < shown->second) byValue_[value] = name;
}

bool SymbolTable::Find(std::string_view name, uint16_t& value) const {
    auto it = byName_.find(name);
    if (it == byName_.end()) return false;
    value = it->second;
    return true;
}

const std::string* SymbolTable::NameAt(uint16_t value) const {
    auto it = byValue_.find(value);
    return it == byValue_.end() ? nullptr : &it->second;
}

bool SymbolTable::NearestAtOrBelow(uint16_t address, uint16_t& value) const {
    auto it = byValue_.upper_bound(address);
    if (it == byValue_.begin()) return false;
    value = std::prev(it)->first;
    return true;
}

SymbolLoad ParseSymbolText(std::string_view text) {
    SymbolLoad load;
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        const std::string reason = ReadLine(line, load.Table);
        if (!reason.empty()) {
            load.Error = "line " + std::to_string(number) + ": " + reason;
            load.Table = SymbolTable();
            return load;
        }
    }
    load.Ok = true;
    return load;
}

SymbolLoad ReadSymbolFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    if (!file || file.bad()) {
        SymbolLoad load;
        load.Error = "cannot be read";
        return load;
    }
    return ParseSymbolText(text.str());
}

NumberInput ParseAddressInput(std::string_view text, const SymbolTable* symbols) {
    NumberInput number = ParseNumberInput(text, 0xFFFF);
    if (number.Ok || symbols == nullptr) return number;
    std::string_view name = text;
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) name.remove_prefix(1);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
    uint16_t value = 0;
    if (symbols->Find(name, value)) return NumberInput{true, value, std::string()};
    if (IsName(name)) number.Reason = "\"" + std::string(name) + "\" is neither a number nor a known symbol";
    return number;
}

namespace {

// The value of the word operand of `width` characters at text[i] in `base`
// ("1820h" or "06176"), or -1 when none stands there.
int32_t WordOperandAt(std::string_view text, size_t i, uint8_t base) {
    constexpr size_t kWidth = 5;
    if (i + kWidth > text.size()) return -1;
    if (i > 0 && std::isalnum(static_cast<unsigned char>(text[i - 1]))) return -1;
    if (i + kWidth < text.size() && std::isalnum(static_cast<unsigned char>(text[i + kWidth]))) return -1;
    const size_t digits = base == kBaseHex ? 4 : 5;
    if (base == kBaseHex && text[i + 4] != 'h') return -1;
    int32_t value = 0;
    for (size_t k = 0; k < digits; ++k) {
        const char c = text[i + k];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == kBaseHex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return -1;
        value = value * (base == kBaseHex ? 16 : 10) + d;
    }
    return value <= 0xFFFF ? value : -1;
}

}  // namespace

int SymbolizeInto(std::string_view text, const SymbolTable& symbols, uint8_t base, char* out, int size) {
    int fill = 0;
    auto put = [&](char c) {
        if (fill + 1 < size) out[fill++] = c;
    };
    size_t i = 0;
    while (i < text.size()) {
        const int32_t value = WordOperandAt(text, i, base);
        const std::string* name = value >= 0 ? symbols.NameAt(static_cast<uint16_t>(value)) : nullptr;
        if (name != nullptr) {
            for (char c : *name) put(c);
            i += 5;
        } else {
            put(text[i++]);
        }
    }
    if (size > 0) out[fill] = '\0';
    return fill;
}

std::string SymbolizeOperands(std::string_view text, const SymbolTable& symbols, uint8_t base) {
    char out[256];
    const int length = SymbolizeInto(text, symbols, base, out, sizeof out);
    return std::string(out, static_cast<size_t>(length));
}

void SymbolizeInPlace(const MachineRecord& m, char* text) {
    if (!m.ShowSymbols || m.Symbols == nullptr) return;
    char out[kTextSize];
    SymbolizeInto(text, *m.Symbols, m.NumberBase, out, kTextSize);
    std::memcpy(text, out, kTextSize);
}

}  // namespace kestrel
