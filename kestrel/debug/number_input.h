// Numbers as the user types them into the dialogs' fields.
//
// A string of digits is decimal, as every field has always read it: "6144".
// Hexadecimal is written with a marker: "1800h", "0x1800" or "$1800" (digits
// a-f, h and x in either case). Spaces and tabs around the number are
// ignored, and an empty field reads as 0. Anything else is refused with a
// reason fit for a message box: "1A00" is not read as hexadecimal (it has no
// marker), so a digit string never changes its meaning.
//
// One parser for every number field of the dialogs and the debugger's windows;
// GUI-free, so they all read a number alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// The characters a number field lets through while it is typed into: the
// digits, the hexadecimal digits, the markers and spaces (a regular
// expression for a validator). Whether they make a number is said when the
// dialog is confirmed.
inline constexpr char kNumberInputPattern[] = "[0-9A-Fa-fHhXx$ \\t]*";

// The tooltip of every number field.
inline constexpr char kNumberInputHint[] =
    "Decimal (6144), or hexadecimal written 1800h, 0x1800 or $1800";

struct NumberInput {
    bool Ok = false;
    uint32_t Value = 0;
    std::string Reason;  // set unless Ok: why the text is not a number from 0 to the limit
};

// Reads `text` as a number from 0 to `max`.
NumberInput ParseNumberInput(std::string_view text, uint32_t max);

// Whether `text` is only decimal digits (or nothing) around spaces: the form
// that the fields read as they change, since it cannot become anything else.
bool IsDecimalInput(std::string_view text);

}  // namespace kestrel
