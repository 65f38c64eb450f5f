// The numbers that make up most of a Metasequoia document (positions and texture coordinates
// such as "-12.3456"), read on a short path that gives exactly what scanFloat gives for them;
// any other form is left to scanFloat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Reads a number of the form [-]digits[.digits] with at most 15 digits in all and no exponent
// that starts at text[pos], as scanFloat would read it, and moves pos past it; false, leaving
// pos, for anything else.
bool scanPlainFloat(std::string_view text, std::size_t& pos, float& value);

// A number at text[pos] as scanFloat reads it (white space before it skipped), through the
// short path where it applies.
float scanMqoFloat(std::string_view text, std::size_t& pos);

// Reads a run of at most 9 digits that starts at text[pos] as scanInt would read it, and moves
// pos past it; false, leaving pos, for anything else (a sign, white space, a longer run).
inline bool scanPlainInt(std::string_view text, std::size_t& pos, int32_t& value)
{
    constexpr std::size_t kMaxPlainDigits = 9;  // below INT32_MAX however they read
    std::size_t p = pos;
    int32_t result = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9' && p - pos < kMaxPlainDigits; ++p)
        result = result * 10 + (text[p] - '0');
    const bool longer = p < text.size() && text[p] >= '0' && text[p] <= '9';
    if (p == pos || longer)
        return false;
    value = result;
    pos = p;
    return true;
}

// A whole number at text[pos] as scanInt reads it, through the short path where it applies.
int32_t scanMqoInt(std::string_view text, std::size_t& pos);
