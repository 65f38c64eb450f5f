// Windows-side checks of the code-page-932 helpers and the file layer: the program's own
// conversions against the system's code page 932 (MultiByteToWideChar/WideCharToMultiByte),
// the system's directory listing against the wildcard rules of file_pattern.h, and the
// portable file checks of files_cases.h.
#include <windows.h>

#include <string>
#include <vector>

#include "../unit/files_cases.h"
#include "base/file_pattern.h"

namespace {

constexpr UINT kCodePage = 932;

std::u16string systemDecode(const std::string& text)
{
    wchar_t buffer[8];
    const int n = MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), buffer, 8);
    return std::u16string(buffer, buffer + (n > 0 ? n : 0));
}

std::string systemEncode(char16_t unit, DWORD flags)
{
    const wchar_t wide = static_cast<wchar_t>(unit);
    char buffer[8];
    const int n = WideCharToMultiByte(kCodePage, flags, &wide, 1, buffer, 8, nullptr, nullptr);
    return std::string(buffer, n > 0 ? n : 0);
}

bool isLead(int b)
{
    return isCp932LeadByte(static_cast<unsigned char>(b));
}

std::string hex(const std::string& text)
{
    std::string out;
    char part[4];
    for (char c : text) {
        std::snprintf(part, sizeof part, "%02X ", static_cast<unsigned char>(c));
        out += part;
    }
    return out;
}

TEST(Cp932System, DecodingAgreesWithTheSystem)
{
    // Every byte alone (a lead byte at the end too), every lead byte with every byte after it.
    std::vector<std::string> inputs;
    for (int b = 0; b < 256; ++b) {
        inputs.push_back(files_cases::bytes({b}));
        for (int next = 0; isLead(b) && next < 256; ++next) {
            inputs.push_back(files_cases::bytes({b, next, 'z'}));
        }
    }
    int mismatches = 0;
    for (const std::string& input : inputs) {
        const std::u16string ours = cp932ToUtf16(input);
        const std::u16string system = systemDecode(input);
        if (ours != system && ++mismatches <= 10) {
            ADD_FAILURE() << "decoding " << hex(input) << ": " << hex(utf16ToCp932(ours)) << "vs "
                          << hex(utf16ToCp932(system)) << "(" << system.size() << " units)";
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Cp932System, EncodingAgreesWithTheSystem)
{
    int mismatches = 0;
    for (unsigned u = 0x80; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) {
            continue;
        }
        const auto unit = static_cast<char16_t>(u);
        const std::string ours = utf16ToCp932(std::u16string(1, unit));
        const std::string system = systemEncode(unit, 0);
        // Where the program writes '?', the system may write a look-alike ("best fit", such
        // as 'e' for e-acute or '\' for the yen sign), which the program never does.
        const bool bestFit = ours == "?" && cp932ToUtf16(system) != std::u16string(1, unit);
        if (ours != system && !bestFit && ++mismatches <= 10) {
            ADD_FAILURE() << "encoding U+" << std::hex << u << ": " << hex(ours) << "vs " << hex(system);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Every name the wildcard rules accept is listed by the system, and nothing else (the
// system's matches through short 8.3 names, such as "e.mqox" for "*.mqo", are dropped).
TEST(Cp932System, ListingFollowsThePatternRules)
{
    files_cases::ScratchDirectory dir;
    if (!dir.usable) {
        GTEST_SKIP() << "code page 932 cannot spell the temporary directory";
    }
    const std::vector<std::string> names = {
        "a.mqo",
        "B.MQO",
        "c.mqo.bak",
        "d.mq",
        "noext",
        "e.mqox",
        "f.txt",
        "gg.mqo",
        files_cases::kRoundGlasses,
        files_cases::kSo + ".mqo",
    };
    for (const std::string& name : names) {
        ASSERT_TRUE(files_cases::writeFile(dir + name, "x")) << name;
    }
    const char* patterns[] = {"*.mqo", "*.MQO", "*", "*.*", "?.mqo", "*.mq?", "noext.*", "*o", "a*"};
    for (const char* pattern : patterns) {
        std::vector<std::string> expected;
        for (const std::string& name : names) {
            if (matchesFilePattern(name, pattern)) {
                expected.push_back(name);
            }
        }
        for (const char* dots : {".", ".."}) {
            if (matchesFilePattern(dots, pattern)) {
                expected.push_back(std::string(dots) + "/");
            }
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files_cases::listed(dir + pattern), expected) << pattern;
    }
}

}  // namespace
