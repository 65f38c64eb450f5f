// The limits every text model reader keeps, and the white space that separates what a line
// holds.
#pragma once

#include <cstddef>
#include <string_view>

// Model files larger than this are not read: a model of a million triangles takes about 100 MB,
// and what a reader builds from a file can take many times the file's size.
constexpr std::size_t kMaxModelFileBytes = std::size_t{256} << 20;

// Lines longer than this are cut: a reader takes their first kMaxLineBytes bytes and passes
// over the rest. Real lines (a face of a hundred corners, a row of a thumbnail) take a
// few kilobytes; the cap bounds what any one line can make a reader copy or scan.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// Space, tab, carriage return, line feed, vertical tab and form feed.
inline bool isTextWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The line without its leading white space; empty when it holds nothing else.
inline std::string_view withoutLeadingWhiteSpace(std::string_view line)
{
    std::size_t start = 0;
    while (start < line.size() && isTextWhiteSpace(line[start]))
        ++start;
    return line.substr(start);
}
