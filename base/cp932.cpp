// Code page 932 conversions. Decoding reads the generated pair table (cp932_table.inc, made by
// tools/gen_cp932_table.py); encoding uses a reverse table derived from it once, on first use.
#include "base/cp932.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

#include "base/cp932_table.inc"

constexpr char16_t kUndefinedUnit = u'\u30FB';  // KATAKANA MIDDLE DOT, Windows' default
constexpr char kUnmappedByte = '?';
constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

bool isTrailByte(unsigned char b)
{
    return b >= kCp932TrailFirst && b <= 0xFC && b != 0x7F;
}

unsigned leadIndex(unsigned char lead)
{
    return lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + (0x9Fu - 0x81u + 1u);
}

// The table entry of a lead and a valid trail byte; 0 when the pair is undefined.
std::uint16_t pairUnit(unsigned char lead, unsigned char trail)
{
    return kCp932Pairs[leadIndex(lead) * kCp932TrailCount + (trail - kCp932TrailFirst)];
}

// A byte that starts no double-byte character, or a lead byte at the end or before a NUL.
char16_t decodeSingle(unsigned char b)
{
    if (b <= 0x80) {
        return b;  // ASCII, and 0x80 as U+0080 like Windows
    }
    if (b >= 0xA1 && b <= 0xDF) {
        return static_cast<char16_t>(0xFF61 + (b - 0xA1));  // half-width katakana
    }
    if (b == 0xA0) {
        return u'\uF8F0';  // Windows keeps the three unused single bytes in private use
    }
    if (b >= 0xFD) {
        return static_cast<char16_t>(0xF8F1 + (b - 0xFD));
    }
    return kUndefinedUnit;
}

// Decodes the character at text[pos] and moves pos past it.
char16_t decodeNext(std::string_view text, std::size_t& pos)
{
    const auto b = static_cast<unsigned char>(text[pos]);
    if (cp932CharLength(text, pos) == 2) {
        const auto trail = static_cast<unsigned char>(text[pos + 1]);
        pos += 2;
        const std::uint16_t unit = isTrailByte(trail) ? pairUnit(b, trail) : 0;
        return unit != 0 ? static_cast<char16_t>(unit) : kUndefinedUnit;
    }
    pos += 1;
    return decodeSingle(b);
}

// UTF-16 unit -> code: a single byte below 0x100, else lead byte << 8 | trail byte.
class EncodeTable {
public:
    EncodeTable();
    std::uint16_t code(char16_t unit) const { return codes[unit]; }

private:
    void addPairs(unsigned char lead);

    std::uint16_t codes[0x10000] = {};  // 0: no code (ASCII is not looked up here)
};

EncodeTable::EncodeTable()
{
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        if (!isCp932LeadByte(static_cast<unsigned char>(b))) {
            codes[decodeSingle(static_cast<unsigned char>(b))] = static_cast<std::uint16_t>(b);
        }
    }
    // A character held twice is written with its first code in lead-byte order, except that
    // the NEC-selected IBM extensions (0xED, 0xEE) come after the IBM extensions (0xFA-0xFC):
    // that is the code Windows writes.
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (isCp932LeadByte(static_cast<unsigned char>(lead)) && lead != 0xED && lead != 0xEE) {
            addPairs(static_cast<unsigned char>(lead));
        }
    }
    addPairs(0xED);
    addPairs(0xEE);
    for (const auto& oneWay : kCp932OneWay) {
        if (codes[oneWay[0]] == 0) {
            codes[oneWay[0]] = oneWay[1];
        }
    }
}

void EncodeTable::addPairs(unsigned char lead)
{
    for (unsigned trail = kCp932TrailFirst; trail < kCp932TrailFirst + kCp932TrailCount; ++trail) {
        if (!isTrailByte(static_cast<unsigned char>(trail))) {
            continue;
        }
        const std::uint16_t unit = pairUnit(lead, static_cast<unsigned char>(trail));
        if (unit != 0 && codes[unit] == 0) {
            codes[unit] = static_cast<std::uint16_t>(lead << 8 | trail);
        }
    }
}

const EncodeTable& encodeTable()
{
    static const EncodeTable table;  // 128 KB, built on first use
    return table;
}

void appendEncoded(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    const std::uint16_t code = c <= 0xFFFF ? encodeTable().code(static_cast<char16_t>(c)) : 0;
    if (code == 0) {
        out += kUnmappedByte;
    } else if (code < 0x100) {
        out += static_cast<char>(code);
    } else {
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
}

bool isHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Decodes one UTF-8 sequence at text[pos] and moves pos past it. A malformed sequence gives
// kInvalidUtf8 and covers its longest well-formed beginning (at least one byte), so that
// overlong forms, encoded surrogates and values past U+10FFFF become one '?' each.
char32_t decodeUtf8(std::string_view text, std::size_t& pos)
{
    const auto b = static_cast<unsigned char>(text[pos++]);
    if (b < 0x80) {
        return b;
    }
    int length = 0;
    char32_t c = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        c = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        c = b & 0x0Fu;
        low = b == 0xE0 ? 0xA0 : low;    // no overlong forms
        high = b == 0xED ? 0x9F : high;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        c = b & 0x07u;
        low = b == 0xF0 ? 0x90 : low;
        high = b == 0xF4 ? 0x8F : high;  // nothing past U+10FFFF
    } else {
        return kInvalidUtf8;
    }
    for (int i = 1; i < length; ++i) {
        if (pos == text.size()) {
            return kInvalidUtf8;
        }
        const auto next = static_cast<unsigned char>(text[pos]);
        if (next < low || next > high) {
            return kInvalidUtf8;
        }
        low = 0x80;
        high = 0xBF;
        c = c << 6 | (next & 0x3Fu);
        ++pos;
    }
    return c;
}

void appendUtf8(char16_t unit, std::string& out)
{
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | unit >> 6);
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | unit >> 12);
        out += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

}  // namespace

bool isCp932LeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::size_t cp932CharLength(std::string_view text, std::size_t pos)
{
    const bool pair = isCp932LeadByte(static_cast<unsigned char>(text[pos])) && text.size() - pos > 1 &&
                      text[pos + 1] != '\0';
    return pair ? 2 : 1;
}

std::string lowerCp932(std::string_view text)
{
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); i += cp932CharLength(out, i)) {
        out[i] = lowerAscii(out[i]);  // a second byte is never looked at
    }
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
           equalsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

std::u16string cp932ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        out += decodeNext(text, pos);
    }
    return out;
}

std::string utf16ToCp932(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHighSurrogate(unit) && text.size() - i > 1 && isLowSurrogate(text[i + 1])) {
            ++i;  // a character outside the BMP: one '?' for the pair
            out += kUnmappedByte;
        } else {
            appendEncoded(unit, out);  // a lone surrogate has no code either
        }
    }
    return out;
}

std::string cp932ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (std::size_t pos = 0; pos < text.size();) {
        appendUtf8(decodeNext(text, pos), out);  // never a surrogate: the table holds none
    }
    return out;
}

std::string utf8ToCp932(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = decodeUtf8(text, pos);
        if (c == kInvalidUtf8) {
            out += kUnmappedByte;
        } else {
            appendEncoded(c, out);
        }
    }
    return out;
}
