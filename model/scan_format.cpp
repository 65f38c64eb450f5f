// ScanFormat and the locale-independent number readers under it. Each conversion reads a
// number the way atoi, atof or sscanf's %x would, but only from the text it then steps over,
// so that the value and the advance always agree ("1e2 2 3" reads 100, 2 and 3).
#include "model/scan_format.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <limits>

#include "model/model_text.h"

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

void skipWhiteSpace(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && isTextWhiteSpace(text[pos]))
        ++pos;
}

// The parts of a decimal number as %f accepts it: [sign] [digits] ['.' digits] [exponent],
// where the '.' may also stand first, and the exponent counts only after at least one digit.
struct DecimalText {
    std::size_t end = 0;          // one past the last byte accepted
    std::size_t numberStart = 0;  // after a leading '+' (from_chars takes '-' but not '+')
    bool negative = false;
    bool hasDigits = false;
    std::size_t mantissaEnd = 0;  // where the exponent part starts (== end without one)
};

DecimalText acceptDecimal(std::string_view text, std::size_t pos)
{
    DecimalText d;
    std::size_t p = pos;
    d.numberStart = p;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) {
        d.negative = text[p] == '-';
        if (text[p] == '+')
            d.numberStart = p + 1;
        ++p;
    }
    bool passedPoint = false;
    if (p < text.size() && text[p] == '.') {
        passedPoint = true;
        ++p;
    }
    while (p < text.size() && isDigit(text[p])) {
        d.hasDigits = true;
        ++p;
    }
    if (!passedPoint && p < text.size() && text[p] == '.') {
        ++p;
        while (p < text.size() && isDigit(text[p])) {
            d.hasDigits = true;
            ++p;
        }
    }
    d.mantissaEnd = p;
    if (d.hasDigits && p < text.size() && (text[p] == 'e' || text[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < text.size() && (text[q] == '-' || text[q] == '+'))
            ++q;
        if (q < text.size() && isDigit(text[q])) {
            while (q < text.size() && isDigit(text[q]))
                ++q;
            p = q;
        }
    }
    d.end = p;
    return d;
}

// Whether text[pos] starts a number with a digit: a digit, or a '.' and a digit, after at
// most one '-'.
bool startsWithDigit(std::string_view text, std::size_t pos)
{
    if (pos < text.size() && text[pos] == '-')
        ++pos;
    if (pos < text.size() && text[pos] == '.')
        ++pos;
    return pos < text.size() && isDigit(text[pos]);
}

// For a number too large or too small for a double: whether it is too large. The decimal
// exponent of its first significant digit decides.
bool decimalOverflows(std::string_view text, const DecimalText& d)
{
    int64_t integerDigits = 0;  // significant digits before the point
    int64_t leadingZeros = 0;   // zeros after the point before the first significant digit
    bool significant = false;
    bool afterPoint = false;
    for (std::size_t p = d.numberStart; p < d.mantissaEnd; ++p) {
        const char c = text[p];
        if (c == '.') {
            afterPoint = true;
        } else if (isDigit(c)) {
            if (c != '0')
                significant = true;
            if (!afterPoint && significant)
                ++integerDigits;
            else if (afterPoint && !significant)
                ++leadingZeros;
        }
    }
    if (!significant)
        return false;
    int64_t exponent = 0;
    std::size_t p = d.mantissaEnd + 1;
    bool negativeExponent = false;
    if (p < d.end && (text[p] == '-' || text[p] == '+'))
        negativeExponent = text[p++] == '-';
    for (; p < d.end; ++p) {
        if (exponent < 100000)
            exponent = exponent * 10 + (text[p] - '0');
    }
    if (negativeExponent)
        exponent = -exponent;
    const int64_t position = integerDigits > 0 ? integerDigits : -leadingZeros;
    return position + exponent > 0;
}

double decimalValue(std::string_view text, const DecimalText& d)
{
    if (!d.hasDigits)
        return 0.0;
    const char* first = text.data() + d.numberStart;
    const char* last = text.data() + d.end;
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(first, last, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        const double magnitude = decimalOverflows(text, d) ? HUGE_VAL : 0.0;
        return d.negative ? -magnitude : magnitude;
    }
    if (r.ec != std::errc())
        return 0.0;
    return value;
}

uint32_t scanHex(std::string_view text, std::size_t& pos)
{
    skipWhiteSpace(text, pos);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    const bool prefixed = text.size() - pos > 2 && text[pos] == '0' &&
                          (text[pos + 1] == 'x' || text[pos + 1] == 'X') && hexValue(text[pos + 2]) >= 0;
    if (prefixed)
        pos += 2;
    uint64_t value = 0;
    while (pos < text.size() && hexValue(text[pos]) >= 0) {
        value = value * 16 + static_cast<uint64_t>(hexValue(text[pos]));
        if (value > UINT32_MAX)
            value = UINT32_MAX + uint64_t{1};  // saturated: stays above the range
        ++pos;
    }
    uint32_t result = value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
    if (negative)
        result = 0u - result;
    return result;
}

void convert(char letter, std::string_view input, std::size_t& in, char terminator, va_list& args)
{
    switch (letter) {
    case 's':
    case 'S': {
        std::string* out = va_arg(args, std::string*);
        const std::size_t start = in;
        if (terminator == '\0') {
            in = input.size();
        } else {
            while (in < input.size() && input[in] != terminator)
                ++in;
        }
        out->assign(input.data() + start, in - start);
        break;
    }
    case 'd':
        *va_arg(args, int32_t*) = scanInt(input, in);
        break;
    case 'f':
        *va_arg(args, float*) = scanFloat(input, in);
        break;
    case 'x':
    case 'X':
        *va_arg(args, uint32_t*) = scanHex(input, in);
        break;
    default:
        // Unknown conversions read nothing but still take their output.
        (void)va_arg(args, void*);
        break;
    }
}

}  // namespace

int32_t scanInt(std::string_view text, std::size_t& pos)
{
    skipWhiteSpace(text, pos);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
    while (pos < text.size() && isDigit(text[pos])) {
        if (value < kLimit)
            value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (value > kLimit)
        value = kLimit;
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

double scanDouble(std::string_view text, std::size_t& pos)
{
    skipWhiteSpace(text, pos);
    // A number that starts with a digit (after at most a '-', or a '.') is what the files are
    // made of; for such text from_chars reads exactly what acceptDecimal would accept, so one
    // pass does. Anything else ('+', a lone sign or point, or a value out of range) takes
    // the general way below.
    if (startsWithDigit(text, pos)) {
        double value = 0.0;
        const char* first = text.data() + pos;
        const std::from_chars_result r = std::from_chars(first, text.data() + text.size(), value);
        if (r.ec == std::errc()) {
            pos += static_cast<std::size_t>(r.ptr - first);
            return value;
        }
    }
    const DecimalText d = acceptDecimal(text, pos);
    pos = d.end;
    return decimalValue(text, d);
}

float narrowToFloat(double value)
{
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (value > FLT_MAX)
        return std::numeric_limits<float>::infinity();
    if (value < -FLT_MAX)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

float scanFloat(std::string_view text, std::size_t& pos)
{
    return narrowToFloat(scanDouble(text, pos));
}

int32_t textToInt(std::string_view text)
{
    std::size_t pos = 0;
    return scanInt(text, pos);
}

double textToDouble(std::string_view text)
{
    std::size_t pos = 0;
    return scanDouble(text, pos);
}

int ScanFormat(std::string_view input, const char* format, ...)
{
    if (input.empty() || format == nullptr)
        return 0;
    va_list args;
    va_start(args, format);
    std::size_t in = 0;
    const char* f = format;
    int count = 0;
    const auto skipBlanks = [&] {
        while (in < input.size() && isSpaceOrTab(input[in]))
            ++in;
        while (isSpaceOrTab(*f))
            ++f;
    };
    while (*f != '\0') {
        skipBlanks();
        if (*f == '%') {
            const char letter = f[1];
            if (letter == '\0')
                break;  // a '%' that ends the format converts nothing
            f += 2;
            convert(letter, input, in, *f, args);
            ++count;
        }
        skipBlanks();
        if (*f != '%') {
            if (*f == '\0' || in >= input.size() || input[in] != *f)
                break;
            ++in;
            ++f;
        }
        if (in >= input.size())
            break;
    }
    va_end(args);
    return count;
}
