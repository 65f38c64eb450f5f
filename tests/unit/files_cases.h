// Checks of the file layer (files.h) that hold on every platform: Japanese names written,
// read and listed back, second bytes 0x5C, letter case, directories and missing files, and
// files replaced whole or not at all.
// Included by tests/unit/files_test.cpp in native builds and by tests/win32/files_test.cpp in
// Windows builds, where the file layer is linked into win32_tests only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "base/cp932.h"
#include "base/files.h"

namespace files_cases {

namespace fs = std::filesystem;

constexpr std::size_t kMaxTestFileBytes = 1 << 20;  // the files written here hold a few bytes

// A fresh directory under the system's temporary directory, removed with all it holds.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path = fs::temp_directory_path() / ("vellarn_files_test_" + std::to_string(stamp));
        fs::create_directories(path);
        name = utf16ToCp932(path.u16string());
        usable = cp932ToUtf16(name) == path.u16string();
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string operator+(const std::string& cp932Tail) const { return name + "\\" + cp932Tail; }

    fs::path path;
    std::string name;     // the same in code page 932
    bool usable = false;  // whether code page 932 can spell the temporary directory
};

inline std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

inline bool writeFile(const std::string& cp932Name, const std::string& content)
{
    FileHandle file = openFile(cp932Name, "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file.get()) == content.size();
    return std::fclose(file.release()) == 0 && written;
}

inline bool replaceFile(const std::string& cp932Name, const std::string& content)
{
    return writeFileAtomically(cp932Name,
                               std::span(reinterpret_cast<const uint8_t*>(content.data()), content.size()));
}

inline std::string readFile(const std::string& cp932Name)
{
    const FileHandle file = openFile(cp932Name, "rb");
    if (!file) {
        return "<cannot open>";
    }
    return readFileStart(file.get(), kMaxTestFileBytes);
}

// The listing as "name" for files and "name/" for directories, sorted, so that it compares
// the same whatever order the system lists in.
inline std::vector<std::string> listed(const std::string& cp932Pattern)
{
    std::vector<std::string> names;
    for (const DirEntry& entry : listDirectory(cp932Pattern)) {
        names.push_back(entry.name + (entry.isDirectory ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kRoundGlasses = "\x8A\xDB\x83\x81\x83\x4B\x83\x6C.mqo";  // 丸メガネ.mqo
const std::string kSo = "\x83\x5C";                                        // ソ, second byte '\'
const std::string kDisplayUpper = "\x95\x5C\x8E\xA6.MQO";                  // 表示.MQO

TEST(Files, WritesReadsAndListsJapaneseNames)
{
    ScratchDirectory dir;
    if (!dir.usable) {
        GTEST_SKIP() << "code page 932 cannot spell the temporary directory";
    }
    const struct {
        std::string cp932;
        std::u16string onDisk;
    } files[] = {
        {kRoundGlasses, u"丸メガネ.mqo"},
        {kSo + ".mqo", u"ソ.mqo"},
        {kDisplayUpper, u"表示.MQO"},
        {"readme.txt", u"readme.txt"},
    };
    for (const auto& file : files) {
        ASSERT_TRUE(writeFile(dir + file.cp932, "content " + file.cp932));
        EXPECT_TRUE(fs::is_regular_file(dir.path / fs::path(file.onDisk))) << file.cp932;
        EXPECT_EQ(readFile(dir + file.cp932), "content " + file.cp932);
    }
    std::vector<std::string> expected = {kRoundGlasses, kSo + ".mqo", kDisplayUpper};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed(dir + "*.mqo"), expected);
    EXPECT_EQ(listed(dir.name + "/*.txt"), std::vector<std::string>{"readme.txt"});
}

TEST(Files, DirectoriesAreListedAndMarked)
{
    ScratchDirectory dir;
    if (!dir.usable) {
        GTEST_SKIP() << "code page 932 cannot spell the temporary directory";
    }
    fs::create_directory(dir.path / "sub.mqo");
    fs::create_directory(dir.path / fs::path(u"ソ"));
    ASSERT_TRUE(writeFile(dir + kSo + "\\inner.mqo", "x"));
    ASSERT_TRUE(writeFile(dir + "top.mqo", "x"));

    EXPECT_EQ(listed(dir + "*.mqo"), (std::vector<std::string>{"sub.mqo/", "top.mqo"}));
    EXPECT_EQ(listed(dir + kSo + "\\*.mqo"), std::vector<std::string>{"inner.mqo"});
    // "*" lists the directory's own entries too; "*.mqo" does not.
    const std::vector<std::string> all = listed(dir + "*");
    EXPECT_NE(std::find(all.begin(), all.end(), "./"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "../"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), kSo + "/"), all.end());
}

TEST(Files, LowerCasedNamesFindTheirFiles)
{
    ScratchDirectory dir;
    if (!dir.usable) {
        GTEST_SKIP() << "code page 932 cannot spell the temporary directory";
    }
    fs::create_directories(dir.path / "Data" / "Model");
    ASSERT_TRUE(writeFile(dir + "Data\\Model\\Glasses.MQO", "model"));
    EXPECT_EQ(readFile(dir + lowerCp932("Data\\Model\\Glasses.MQO")), "model");
    EXPECT_EQ(listed(dir + "data\\model\\*.mqo"), std::vector<std::string>{"Glasses.MQO"});

    // A lower-cased name replaces the file it finds instead of making a second one beside it.
    ASSERT_TRUE(replaceFile(dir + "data\\model\\glasses.mqo", "replaced"));
    EXPECT_EQ(readFile(dir + "Data\\Model\\Glasses.MQO"), "replaced");
    EXPECT_EQ(listed(dir + "data\\model\\*.mqo").size(), 1u);
}

TEST(Files, NamesOutsideTheCodePageAreListedWithQuestionMarks)
{
    ScratchDirectory dir;
    if (!dir.usable) {
        GTEST_SKIP() << "code page 932 cannot spell the temporary directory";
    }
    ASSERT_TRUE(std::ofstream(dir.path / fs::path(u"caf\u00E9\U0001F600.mqo")).good());
    EXPECT_EQ(listed(dir + "*.mqo"), std::vector<std::string>{"caf??.mqo"});
}

// The file is created or replaced whole; when a step fails the earlier file stays as it was
// and no temporary file is left beside it.
TEST(Files, ReplacesFilesWholeOrNotAtAll)
{
    ScratchDirectory dir;
    if (!dir.usable) {
        GTEST_SKIP() << "code page 932 cannot spell the temporary directory";
    }
    const std::string name = dir + kRoundGlasses;
    const fs::path temporary = dir.path / fs::path(cp932ToUtf16(kRoundGlasses + kTemporaryFileSuffix));
    ASSERT_TRUE(replaceFile(name, "a first content, longer than the next"));
    EXPECT_EQ(readFile(name), "a first content, longer than the next");
    ASSERT_TRUE(replaceFile(name, "second"));
    EXPECT_EQ(readFile(name), "second");
    EXPECT_EQ(listed(dir + "*"), (std::vector<std::string>{"../", "./", kRoundGlasses}));

    // The temporary file cannot be made: a directory holds its name.
    fs::create_directory(temporary);
    EXPECT_FALSE(replaceFile(name, "third"));
    EXPECT_EQ(readFile(name), "second");
    fs::remove(temporary);

    // The temporary file is written but cannot be moved over a directory.
    fs::create_directory(dir.path / "folder");
    EXPECT_FALSE(replaceFile(dir + "folder", "x"));
    EXPECT_TRUE(fs::is_directory(dir.path / "folder"));

    EXPECT_FALSE(replaceFile(dir + "missing\\settings.cfg", "x"));
    EXPECT_FALSE(replaceFile(dir + std::string("a\0b", 3), "x"));
    EXPECT_EQ(listed(dir + "*"), (std::vector<std::string>{"../", "./", "folder/", kRoundGlasses}));
}

TEST(Files, MissingOrUnusableNamesGiveNothing)
{
    ScratchDirectory dir;
    if (!dir.usable) {
        GTEST_SKIP() << "code page 932 cannot spell the temporary directory";
    }
    fs::create_directory(dir.path / "folder");
    EXPECT_EQ(openFile(dir + "missing.mqo", "rb"), nullptr);
    EXPECT_EQ(openFile(dir + "folder", "rb"), nullptr);
    EXPECT_EQ(openFile(dir + std::string("a\0b", 3), "wb"), nullptr);
    EXPECT_EQ(openFile("", "rb"), nullptr);
    EXPECT_TRUE(listDirectory(dir + "missing\\*.mqo").empty());
    EXPECT_TRUE(listDirectory(dir + "*.none").empty());
    EXPECT_TRUE(listDirectory(dir + "").empty());
}

}  // namespace files_cases
