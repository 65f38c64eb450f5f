// Code page 932 (Shift-JIS as Windows has it) text: the program keeps every name - model,
// texture and plug-in file names, object names, menu texts - as code-page-932 bytes in a
// std::string. These helpers find double-byte characters, lower-case names the way file
// names are compared, match ASCII words whatever their letter case, and convert to UTF-16
// and UTF-8 at the platform boundary.
//
// The conversions give the same results everywhere and follow Windows' conversion for code
// page 932: an undefined double-byte pair (also a lead byte with a byte that is no second
// byte), or a lead byte at the very end or before a NUL, decodes to U+30FB (KATAKANA MIDDLE
// DOT); a character the code page does not hold encodes to '?', as do characters outside the
// Basic Multilingual Plane, lone surrogates and malformed UTF-8. Of the characters the code
// page holds twice, the code Windows writes is written. Nothing is mapped to a look-alike
// (Windows' "best fit" would write 'e' for e-acute, '\' for the yen sign). No input makes
// them fail, throw or read past it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// True for the first byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
bool isCp932LeadByte(unsigned char b);

// Bytes in the character that starts at text[pos] (pos < text.size()): 2 for a lead byte with
// a byte other than NUL after it, else 1. Every helper here reads text this way, as Windows
// does: a lead byte takes the next byte along even where it cannot be a second byte ('/',
// '*'), but never the NUL that ends a C string.
std::size_t cp932CharLength(std::string_view text, std::size_t pos);

// ASCII A-Z become a-z; both bytes of a double-byte character are kept as they are (the
// second may look like an ASCII letter or '\'), and so is a lead byte at the very end.
std::string lowerCp932(std::string_view text);

// One byte with ASCII A-Z lower-cased, every other byte as it is.
constexpr char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Byte-for-byte comparisons in which ASCII letters match whatever their case. They look at
// every byte alike, the second bytes of double-byte characters too: they are for the ASCII
// words that readers and file-name checks look for (keywords, extensions), not for names.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);
bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);

std::u16string cp932ToUtf16(std::string_view text);
std::string utf16ToCp932(std::u16string_view text);
std::string cp932ToUtf8(std::string_view text);
std::string utf8ToCp932(std::string_view text);
