// scanPlainFloat: a decimal of at most 15 digits is an integer below 2^53 divided by a power of
// ten no larger than 10^22, both exact as doubles, so one division rounds it exactly as the
// correctly rounded reading of the text does; the float is then rounded from that double, as
// scanFloat rounds its own.
#include "model/mqo_numbers.h"

#include <cstdint>

#include "model/scan_format.h"

namespace {

constexpr int kMaxPlainDigits = 15;  // 10^15 < 2^53

constexpr double kPowersOfTen[kMaxPlainDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

bool scanPlainFloat(std::string_view text, std::size_t& pos, float& value)
{
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
    if (digits + fraction > kMaxPlainDigits || (p < text.size() && (text[p] == 'e' || text[p] == 'E')))
        return false;
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[fraction];
    // Below 10^15 in size: no NaN, nothing past the float range, so narrowToFloat would
    // convert as the cast does.
    value = static_cast<float>(negative ? -magnitude : magnitude);
    pos = p;
    return true;
}

float scanMqoFloat(std::string_view text, std::size_t& pos)
{
    float value = 0.0f;
    return scanPlainFloat(text, pos, value) ? value : scanFloat(text, pos);
}

int32_t scanMqoInt(std::string_view text, std::size_t& pos)
{
    int32_t value = 0;
    return scanPlainInt(text, pos, value) ? value : scanInt(text, pos);
}
