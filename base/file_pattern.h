// The wildcard patterns directories are listed with ("*.mqo", "*.spi", "dir\*.spi") and the
// split of a path into directory and file name. Both read code-page-932 text character by
// character, so the second byte of a double-byte character (which may be 0x5C, '\', or look
// like a letter) is never taken for a separator, a wildcard or a letter.
//
// Matching follows what Windows' directory listing does for such patterns: '*' stands for
// any run of characters (none too, dots included), '?' for exactly one character, ASCII
// letters match either case, every other character only itself; "*.*" (like any pattern
// ending in ".*") also matches names without a dot.
#pragma once

#include <cstddef>
#include <string_view>

// Where the file-name part of a path starts: just after its last '\' or '/'; 0 without one.
std::size_t fileNameStart(std::string_view cp932Path);

bool matchesFilePattern(std::string_view cp932Name, std::string_view cp932Pattern);
