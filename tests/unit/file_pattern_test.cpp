// Wildcard matching of code-page-932 file names and the split of a path into directory and
// file name: tables of names and patterns, double-byte characters whose second byte looks
// like '\', a letter or a wildcard.
#include "base/file_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSo = "\x83\x5C";          // ソ: second byte '\'
const std::string kA = "\x83\x41";           // ア: second byte 'A'
const std::string kFullWidthQ = "\x81\x48";  // ？: second byte 'H'
const std::string kLeadSlash = "\x83/";      // a lead byte takes even '/' along

TEST(FilePattern, MatchesLikeTheDirectoryListing)
{
    const struct {
        std::string name;
        std::string pattern;
        bool matches;
    } cases[] = {
        {"glasses.mqo", "*.mqo", true},
        {"GLASSES.MQO", "*.mqo", true},
        {"glasses.Mqo", "*.MQO", true},
        {".mqo", "*.mqo", true},
        {"a.b.mqo", "*.mqo", true},
        {"glasses.mqo.bak", "*.mqo", false},
        {"glasses.mqox", "*.mqo", false},
        {"glassesmqo", "*.mqo", false},
        {"x.spi", "*.spi", true},
        {"noext", "*.*", true},  // "*.*" stands for everything
        {".", "*.*", true},
        {"..", "*", true},
        {"noext", "noext.*", true},
        {"noext2", "noext.*", false},
        {"a.mqo", "?.mqo", true},
        {"ab.mqo", "?.mqo", false},
        {kSo + ".mqo", "?.mqo", true},  // a double-byte character is one character
        {kSo + ".mqo", "??.mqo", false},
        {kA + ".mqo", "a*", false},  // its second byte is no letter
        {kA + ".mqo", kA + "*", true},
        {"H.mqo", kFullWidthQ + "*", false},
        {kSo + "x", "*x", true},
        {"\x83"
         "a",
         "*a", false},  // 0x83 0x61 is one character, not 'a'
        {"\x83"
         "a",
         "\x83"
         "A",
         false},  // and its second byte is never folded
        {"", "*", true},
        {"", "?", false},
        {"abc", "", false},
        {"aXbXc", "a*b*c", true},
        {"abcabd", "*abd", true},
        {"abcab", "*abd", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matchesFilePattern(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
    }
}

TEST(FilePattern, FileNameStartsAfterTheLastSeparator)
{
    const struct {
        std::string path;
        std::size_t start;
    } cases[] = {
        {"*.mqo", 0},
        {"data\\model\\*.mqo", 11},
        {"data/model\\x", 11},
        {"data\\model/x", 11},
        {"\\x", 1},
        {"dir\\", 4},
        {kSo + ".mqo", 0},  // the second byte 0x5C is no separator
        {kSo + "\\x", 3},
        {"d\\" + kSo, 2},
        {kLeadSlash + "x", 0},  // '/' after a lead byte is no separator
        {kLeadSlash + "/x", 3},
        {std::string("\x83\0/x", 4), 3},  // but not a NUL
        {"\x83", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileNameStart(c.path), c.start) << c.path;
    }
}

}  // namespace
