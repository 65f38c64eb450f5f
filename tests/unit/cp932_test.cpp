// Code page 932 helpers: known names, lower-casing, every code unit and double-byte pair
// against digests of Python's codec (made by tools/gen_cp932_table.py), round trips between
// the conversions, and malformed input of every kind.
#include "base/cp932.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

#include "cp932_digests.inc"

std::string utf8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

// A plain UTF-8 encoder for BMP units, to compare the UTF-8 conversions against.
std::string referenceUtf8(std::u16string_view text)
{
    std::string out;
    for (char16_t u : text) {
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += {static_cast<char>(0xC0 | u >> 6), static_cast<char>(0x80 | (u & 0x3F))};
        } else {
            out += {static_cast<char>(0xE0 | u >> 12), static_cast<char>(0x80 | (u >> 6 & 0x3F)),
                    static_cast<char>(0x80 | (u & 0x3F))};
        }
    }
    return out;
}

bool isLead(int b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Every single byte, then every lead byte followed by every byte: all ways a character starts.
std::vector<std::string> everyShortInput()
{
    std::vector<std::string> inputs;
    for (int b = 0; b < 256; ++b) {
        inputs.push_back(bytes({b}));
    }
    for (int lead = 0; lead < 256; ++lead) {
        for (int b = 0; isLead(lead) && b < 256; ++b) {
            inputs.push_back(bytes({lead, b}));
        }
    }
    return inputs;
}

struct Fnv1a {
    std::uint64_t value = 0xCBF29CE484222325ULL;
    void byte(unsigned b) { value = (value ^ (b & 0xFF)) * 0x100000001B3ULL; }
    void unit(char16_t u) { byte(u & 0xFF), byte(u >> 8); }
};

struct KnownName {
    const char16_t* utf16;
    const char8_t* utf8;
    std::string cp932;
};

const KnownName kKnownNames[] = {
    {u"丸メガネ.mqo", u8"丸メガネ.mqo", "\x8A\xDB\x83\x81\x83\x4B\x83\x6C.mqo"},
    {u"レンズ", u8"レンズ", "\x83\x8C\x83\x93\x83\x59"},
    {u"左マスク", u8"左マスク", "\x8D\xB6\x83\x7D\x83\x58\x83\x4E"},
    {u"右マスク", u8"右マスク", "\x89\x45\x83\x7D\x83\x58\x83\x4E"},
    {u"ソ表\\a", u8"ソ表\\a", "\x83\x5C\x95\x5C\x5C\x61"},      // second bytes 0x5C
    {u"ｱﾟ｡", u8"ｱﾟ｡", "\xB1\xDF\xA1"},                          // half-width katakana
    {u"①Ⅰⅰ纊", u8"①Ⅰⅰ纊", "\x87\x40\x87\x54\xFA\x40\xFA\x5C"},  // NEC and IBM extensions
    {u"\u0080\uF8F0\uF8F3\uE000", u8"\u0080\uF8F0\uF8F3\uE000", "\x80\xA0\xFF\xF0\x40"},
};

TEST(Cp932, KnownNamesConvertBothWays)
{
    for (const KnownName& name : kKnownNames) {
        const std::u16string utf16 = name.utf16;
        SCOPED_TRACE(referenceUtf8(utf16));
        EXPECT_EQ(utf16ToCp932(utf16), name.cp932);
        EXPECT_EQ(utf8ToCp932(utf8(name.utf8)), name.cp932);
        EXPECT_EQ(cp932ToUtf16(name.cp932), utf16);
        EXPECT_EQ(cp932ToUtf8(name.cp932), utf8(name.utf8));
    }
}

TEST(Cp932, LeadBytes)
{
    const struct {
        int byte;
        bool lead;
    } cases[] = {{0x00, false}, {0x5C, false}, {0x80, false}, {0x81, true},  {0x9F, true}, {0xA0, false},
                 {0xDF, false}, {0xE0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(isCp932LeadByte(static_cast<unsigned char>(c.byte)), c.lead) << c.byte;
    }
}

TEST(Cp932, LowerCasingLeavesSecondBytesAlone)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"DATA\\Texture\\Glass.BMP", "data\\texture\\glass.bmp"},
        {bytes({0x83, 0x41, 0x83, 0x5A}), bytes({0x83, 0x41, 0x83, 0x5A})},  // "アセ": 'A', 'Z'
        {bytes({0x82, 0x60, 0x58}), bytes({0x82, 0x60, 0x78})},              // "ＡX"
        {bytes({0x83, 0x5C, 0x41}), bytes({0x83, 0x5C, 0x61})},              // "ソA": '\' then A
        {bytes({0x41, 0x42, 0x83}), bytes({0x61, 0x62, 0x83})},              // lead byte at the end
        {bytes({0x83, 0x2F, 0x41}), bytes({0x83, 0x2F, 0x61})},              // lead byte, '/', A
        {"@[`{", "@[`{"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lowerCp932(c.in), c.out);
    }
}

TEST(Cp932, EveryByteAndPairDecodesAsWindows)
{
    Fnv1a digest;
    for (const std::string& input : everyShortInput()) {
        for (char16_t u : cp932ToUtf16(input)) {
            digest.unit(u);
        }
        digest.unit(0xFFFF);
    }
    EXPECT_EQ(digest.value, kCp932DecodeDigest);
}

TEST(Cp932, EveryCodeUnitEncodesAsWindows)
{
    Fnv1a digest;
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const std::string out = utf16ToCp932(std::u16string(1, static_cast<char16_t>(u)));
        digest.byte(static_cast<unsigned>(out.size()));
        for (char b : out) {
            digest.byte(static_cast<unsigned char>(b));
        }
    }
    EXPECT_EQ(digest.value, kCp932EncodeDigest);
}

TEST(Cp932, CharactersHeldTwiceGetWindowsCode)
{
    const struct {
        char16_t unit;
        std::string code;
    } cases[] = {
        {u'\u2252', bytes({0x81, 0xE0})},  // ≒ also at 0x8790 (NEC row 13)
        {u'\u2235', bytes({0x81, 0xE6})},  // ∵ also at 0x879A and 0xFA5B
        {u'\u2160', bytes({0x87, 0x54})},  // Ⅰ also at 0xFA4A
        {u'\u2170', bytes({0xFA, 0x40})},  // ⅰ also at 0xEEEF (NEC-selected IBM)
        {u'\u7E8A', bytes({0xFA, 0x5C})},  // 纊 also at 0xED40
        {u'\uFFE2', bytes({0x81, 0xCA})},  // ￢ also at 0xEEF9 and 0xFA54
        {u'\u00A2', bytes({0x81, 0x91})},  // ¢ as ￠
        {u'\u00AC', bytes({0x81, 0xCA})},  // ¬ as ￢
        {u'\u00A5', "?"},                  // ¥: 0x5C is '\', never made from another character
        {u'\u301C', "?"},                  // wave dash: not held (Windows has no best fit here)
        {u'\u2212', "?"},
        {u'\u00E9', "?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf16ToCp932(std::u16string(1, c.unit)), c.code) << std::hex << unsigned(c.unit);
    }
}

TEST(Cp932, ConversionsRoundTrip)
{
    // Whatever decodes, encodes to a code that decodes to the same character again.
    for (const std::string& input : everyShortInput()) {
        const std::u16string decoded = cp932ToUtf16(input);
        ASSERT_EQ(cp932ToUtf16(utf16ToCp932(decoded)), decoded) << referenceUtf8(decoded);
        ASSERT_EQ(cp932ToUtf8(input), referenceUtf8(decoded));
    }
    // Whatever encodes, decodes back, but for the three written as their full-width forms.
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const std::u16string unit(1, static_cast<char16_t>(u));
        const std::string encoded = utf16ToCp932(unit);
        if (u >= 0xD800 && u <= 0xDFFF) {
            ASSERT_EQ(encoded, "?");
            continue;
        }
        ASSERT_EQ(utf8ToCp932(referenceUtf8(unit)), encoded) << u;
        if (encoded != "?" && u != 0xA2 && u != 0xA3 && u != 0xAC) {
            ASSERT_EQ(cp932ToUtf16(encoded), unit) << u;
        }
    }
}

TEST(Cp932, MalformedCp932DecodesToMiddleDot)
{
    const struct {
        std::string in;
        std::u16string out;
    } cases[] = {
        {bytes({0x8A}), u"\u30FB"},  // lead byte at the end
        {bytes({0x61, 0xE0}), u"a\u30FB"},
        {bytes({0x85, 0x40}), u"\u30FB"},  // undefined row
        {bytes({0x81, 0xAD}), u"\u30FB"},  // undefined cell
        // A lead byte takes any byte after it along, as Windows does, even one that cannot
        // be a second byte; the rest of the text is read as usual.
        {bytes({0x81, 0x20, 0x41}), u"\u30FBA"},
        {bytes({0x81, 0x2F, 0x61}), u"\u30FBa"},
        {bytes({0x81, 0x7F}), u"\u30FB"},
        {bytes({0x81, 0xFD, 0xFD}), u"\u30FB\uF8F1"},
        {bytes({0x81, 0x81, 0x81}), u"\uFF1D\u30FB"},  // "＝", then a lead byte at the end
        {bytes({0x81, 0x01}), u"\u30FB"},
        {std::string("\x81\0z", 3), std::u16string(u"\u30FB\0z", 3)},  // but never a NUL
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp932ToUtf16(c.in), c.out);
        EXPECT_EQ(cp932ToUtf8(c.in), referenceUtf8(c.out));
    }
}

TEST(Cp932, MalformedUtf8BecomesQuestionMarks)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"\xC0\xAF", "??"},  // overlong '/': must not become a separator
        {"\xC1\x9C", "??"},  // overlong '\'
        {"\xE0\x80\xAF", "???"},
        {"\xED\xA0\x80", "???"},       // encoded surrogate
        {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
        {"\xF0\x9F\x98\x80", "?"},     // outside the BMP: one character
        {"\xE3\x81", "?"},             // cut short at the end
        {"a\xE3\x81"
         "b",
         "a?b"},
        {"\x80\xBF", "??"},  // lone continuation bytes
        {"\xFE\xFF", "??"},
        {"\xE3\x82\xBD", bytes({0x83, 0x5C})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToCp932(c.in), c.out) << c.in;
    }
}

TEST(Cp932, SurrogatesBecomeQuestionMarks)
{
    const struct {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"\U0001F600", "?"},  // one character outside the BMP, one '?'
        {u"a\U00020B9Fb", "a?b"},
        {std::u16string(1, char16_t(0xD800)), "?"},
        {std::u16string{char16_t(0xD800), u'a'}, "?a"},
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "??"},
        {std::u16string{u'x', char16_t(0xDBFF)}, "x?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf16ToCp932(c.in), c.out);
    }
}

}  // namespace
