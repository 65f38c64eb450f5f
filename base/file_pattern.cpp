// Wildcard matching of code-page-932 file names; see file_pattern.h for the rules.
#include "base/file_pattern.h"

#include <vector>

#include "base/cp932.h"

namespace {

// The characters of a name, one view per character (one or two bytes).
std::vector<std::string_view> splitCharacters(std::string_view text)
{
    std::vector<std::string_view> characters;
    characters.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = cp932CharLength(text, pos);
        characters.push_back(text.substr(pos, length));
        pos += length;
    }
    return characters;
}

bool sameCharacter(std::string_view a, std::string_view b)
{
    if (a.size() == 1 && b.size() == 1) {
        return lowerAscii(a[0]) == lowerAscii(b[0]);
    }
    return a == b;
}

// Greedy matching that goes back to the last '*' on a mismatch: at most name x pattern steps.
bool matchCharacters(const std::vector<std::string_view>& name, const std::vector<std::string_view>& pattern)
{
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starPattern = pattern.size();  // none yet
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == "*") {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == "?" || sameCharacter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != pattern.size()) {
            p = starPattern + 1;  // let the last '*' take one more character
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == "*") {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

std::size_t fileNameStart(std::string_view cp932Path)
{
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < cp932Path.size();) {
        const std::size_t length = cp932CharLength(cp932Path, pos);
        if (length == 1 && (cp932Path[pos] == '\\' || cp932Path[pos] == '/')) {
            start = pos + 1;
        }
        pos += length;
    }
    return start;
}

bool matchesFilePattern(std::string_view cp932Name, std::string_view cp932Pattern)
{
    const std::vector<std::string_view> name = splitCharacters(cp932Name);
    std::vector<std::string_view> pattern = splitCharacters(cp932Pattern);
    if (matchCharacters(name, pattern)) {
        return true;
    }
    // "name.*" also stands for "name" without an extension.
    const std::size_t count = pattern.size();
    if (count >= 2 && pattern[count - 2] == "." && pattern[count - 1] == "*") {
        pattern.resize(count - 2);
        return matchCharacters(name, pattern);
    }
    return false;
}
