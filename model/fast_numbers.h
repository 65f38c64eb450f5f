// The numbers that make up most of a text model (positions, texture coordinates and indices
// such as "-12.3456" and "1234"), read on short paths that give exactly what scanFloat and
// scanInt give for them; any other form is left to those.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/scan_format.h"

// Powers of ten up to the largest scanPlainFloat divides by; every one is exact as a double.
constexpr int kMaxPlainFloatDigits = 15;  // 10^15 < 2^53
constexpr double kPlainFloatPowersOfTen[kMaxPlainFloatDigits + 1] = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Below this, a whole number is exact as a float.
constexpr uint64_t kFloatExactWhole = uint64_t{1} << 24;
// 10^-k as the nearest doubles, for fractions of at most kMaxShortFraction places.
constexpr int kMaxShortFraction = 10;
constexpr double kShortInversePowersOfTen[kMaxShortFraction + 1] = {1e0,  1e-1, 1e-2, 1e-3, 1e-4, 1e-5,
                                                                    1e-6, 1e-7, 1e-8, 1e-9, 1e-10};

// mantissa / 10^fraction (fraction at most kMaxPlainFloatDigits, mantissa below 10^15), negated
// when negative, rounded to a double and then to a float. For a mantissa below 2^24 and at
// most ten places, the product with the nearest double to 10^-fraction, rounded to a float,
// is that same float (checked for every such mantissa and fraction), and a multiplication
// costs a fraction of a division. Texture coordinates and most positions are such numbers,
// "0.12345" or "-12.3456".
inline float plainDecimalToFloat(uint64_t mantissa, int fraction, bool negative)
{
    if (mantissa < kFloatExactWhole && fraction <= kMaxShortFraction) {
        const auto magnitude =
            static_cast<float>(static_cast<double>(mantissa) * kShortInversePowersOfTen[fraction]);
        return negative ? -magnitude : magnitude;
    }
    const double magnitude = static_cast<double>(mantissa) / kPlainFloatPowersOfTen[fraction];
    // Below 10^15 in size: no NaN, nothing past the float range, so narrowToFloat would
    // convert as the cast does.
    return static_cast<float>(negative ? -magnitude : magnitude);
}

// Reads a number of the form [-]digits[.digits] with at most 15 digits in all and no exponent
// that starts at text[pos], as scanFloat would read it, and moves pos past it; false, leaving
// pos, for anything else. A decimal of at most 15 digits is an integer below 2^53 divided by a
// power of ten no larger than 10^15, both exact as doubles, so one division rounds it exactly
// as the correctly rounded reading of the text does; the float is then rounded from that
// double, as scanFloat rounds its own. Inline: the reader calls it for most of a document's
// numbers, and keeps pos in a register between them.
inline bool scanPlainFloat(std::string_view text, std::size_t& pos, float& value)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t p = pos;
    const bool negative = p < text.size() && text[p] == '-';
    if (negative)
        ++p;
    if (p >= text.size() || !isDigit(text[p]))
        return false;
    uint64_t mantissa = 0;
    int digits = 0;
    for (; p < text.size() && isDigit(text[p]); ++p, ++digits)
        mantissa = mantissa * 10 + static_cast<uint64_t>(text[p] - '0');
    int fraction = 0;
    if (p < text.size() && text[p] == '.') {
        ++p;
        if (p >= text.size() || !isDigit(text[p]))
            return false;  // "1." and the like: the general reading decides
        for (; p < text.size() && isDigit(text[p]); ++p, ++fraction)
            mantissa = mantissa * 10 + static_cast<uint64_t>(text[p] - '0');
    }
    if (digits + fraction > kMaxPlainFloatDigits || (p < text.size() && (text[p] == 'e' || text[p] == 'E')))
        return false;
    value = plainDecimalToFloat(mantissa, fraction, negative);
    pos = p;
    return true;
}

// A number at text[pos] as scanFloat reads it (white space before it skipped), through the
// short path where it applies.
inline float scanFloatFast(std::string_view text, std::size_t& pos)
{
    float value = 0.0f;
    return scanPlainFloat(text, pos, value) ? value : scanFloat(text, pos);
}

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
inline int32_t scanIntFast(std::string_view text, std::size_t& pos)
{
    int32_t value = 0;
    return scanPlainInt(text, pos, value) ? value : scanInt(text, pos);
}
