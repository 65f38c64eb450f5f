// Every input kept in tests/data/regress/ (inputs that once crashed, hung, overran or leaked)
// goes again through the fuzz target that found it and must come out as expected.tsv says;
// every fuzz seed in tests/data/seeds/ must load. The target is chosen by the file's extension.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "tests/fuzz/fuzz_targets.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(VELLARN_SOURCE_DIR) / "tests" / "data";
const fs::path kRegress = kData / "regress";
constexpr char kExpectations[] = "expected.tsv";

// The path as the program would be given it: code page 932 bytes.
std::string programName(const fs::path& path)
{
    const std::u8string utf8 = path.generic_u8string();
    return utf8ToCp932(std::string(utf8.begin(), utf8.end()));
}

std::vector<uint8_t> fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string lowerExtension(const fs::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), lowerAscii);
    return extension;
}

// The target for the file's kind; false, leaving result alone, for an extension no target takes.
bool runTarget(const fs::path& path, TargetResult& result)
{
    const std::string extension = lowerExtension(path);
    if (extension == ".mqo" || extension == ".rok" || extension == ".x")
        result = modelTarget(programName(path));
    else if (extension == ".bmp" || extension == ".tga")
        result = pictureFileTarget(programName(path));
    else if (extension == ".cfg")
        result = settingsTarget(fileBytes(path));
    else if (extension == ".ini")
        result = viewTarget(fileBytes(path));
    else if (extension == ".plugin")
        result = pluginResultTarget(fileBytes(path));
    else if (extension == ".scan")
        result = scanFormatTarget(fileBytes(path));
    else
        return false;
    return true;
}

// expected.tsv: one line per kept input: file name, "loaded" or "refused", what it guards.
std::map<std::string, std::string> readExpectations()
{
    std::map<std::string, std::string> expected;
    std::ifstream in(kRegress / kExpectations);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string file, result;
        if (std::getline(fields, file, '\t') && std::getline(fields, result, '\t'))
            expected[file] = result;
    }
    return expected;
}

TEST(Regress, EveryKeptInputComesOutAsExpected)
{
    if (!fs::is_directory(kRegress))
        GTEST_SKIP() << "no " << kRegress.string();
    const std::map<std::string, std::string> expected = readExpectations();
    int files = 0;
    for (const auto& item : fs::directory_iterator(kRegress)) {
        const std::string file = item.path().filename().string();
        if (file == kExpectations)
            continue;
        ++files;
        const auto found = expected.find(file);
        ASSERT_NE(found, expected.end()) << file << " has no line in " << kExpectations;
        TargetResult result = TargetResult::broken;
        ASSERT_TRUE(runTarget(item.path(), result)) << file << ": no target takes this extension";
        EXPECT_EQ(targetResultName(result), found->second) << file;
    }
    EXPECT_EQ(files, static_cast<int>(expected.size())) << kExpectations << " names files that are not there";
}

TEST(Regress, EveryFuzzSeedLoads)
{
    if (!fs::is_directory(kData / "seeds"))
        GTEST_SKIP() << "no " << (kData / "seeds").string();
    int files = 0;
    for (const auto& item : fs::recursive_directory_iterator(kData / "seeds")) {
        if (!item.is_regular_file())
            continue;
        ++files;
        TargetResult result = TargetResult::broken;
        ASSERT_TRUE(runTarget(item.path(), result)) << item.path();
        EXPECT_EQ(result, TargetResult::loaded) << item.path();
    }
    EXPECT_GT(files, 0);
}

}  // namespace
