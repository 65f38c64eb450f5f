// Which dropped files are loaded, and under which code-page-932 name a file the system names in
// UTF-16 is kept: never one that reads back as another file.
#include <gtest/gtest.h>

#include "app/model_path.h"

namespace {

// A short-name lookup that answers from a table and counts its calls.
struct FakeShortPaths {
    std::vector<std::pair<std::u16string, std::u16string>> known;
    int calls = 0;

    ShortPathLookup lookup()
    {
        return [this](const std::u16string& path) -> std::optional<std::u16string> {
            ++calls;
            for (const auto& [longPath, shortPath] : known)
                if (longPath == path)
                    return shortPath;
            return std::nullopt;
        };
    }
};

}  // namespace

TEST(ModelPath, KeptAsWrittenElseThroughTheShortPathElseNotAtAll)
{
    FakeShortPaths shortPaths;
    // "C:\眼鏡\ソ表.mqo": kanji, katakana and a second byte 0x5C survive the conversion, and
    // no short path is asked for.
    EXPECT_EQ(cp932NameOf(u"C:\\眼鏡\\ソ表.mqo", shortPaths.lookup()),
              "C:\\\x8A\xE1\x8B\xBE\\\x83\x5C\x95\x5C.mqo");
    EXPECT_EQ(shortPaths.calls, 0);

    shortPaths.known = {
        {u"C:\\안경\\a.mqo", u"C:\\_~1\\a.mqo"},
        {u"C:\\😎\\b.x", u"C:\\_~2\\b.x"},
        // A volume without short names gives the long parts back as they are.
        {u"D:\\안경\\c.rok", u"D:\\안경\\c.rok"},
        // A short name that code page 932 cannot hold either (made from another code page).
        {u"E:\\é\\d.mqo", u"E:\\é\\d.mqo"},
    };
    const ShortPathLookup lookup = shortPaths.lookup();
    EXPECT_EQ(cp932NameOf(u"C:\\안경\\a.mqo", lookup), "C:\\_~1\\a.mqo");
    EXPECT_EQ(cp932NameOf(u"C:\\😎\\b.x", lookup), "C:\\_~2\\b.x");
    EXPECT_EQ(cp932NameOf(u"D:\\안경\\c.rok", lookup), std::nullopt);
    EXPECT_EQ(cp932NameOf(u"E:\\é\\d.mqo", lookup), std::nullopt);
    // No short path at all (the file is gone, or the system cannot tell).
    EXPECT_EQ(cp932NameOf(u"F:\\한\\e.mqo", lookup), std::nullopt);
    // Characters code page 932 holds only as look-alikes are not taken for them: the wave
    // dash U+301C is not the fullwidth tilde that 81 60 reads back as.
    EXPECT_EQ(cp932NameOf(u"G:\\a\u301Cb.mqo", lookup), std::nullopt);
}

TEST(ModelPath, DropLoadsModelFilesOnlyAndOnlyUnderANameThatOpensThem)
{
    FakeShortPaths shortPaths;
    shortPaths.known = {{u"C:\\안경\\a.x", u"C:\\_~1\\A.X"}};
    struct Case {
        std::u16string path;
        DropVerdict verdict;
        std::string name;
    };
    const Case cases[] = {
        {u"C:\\m\\round.mqo", DropVerdict::load, "C:\\m\\round.mqo"},
        {u"C:\\m\\WIDE.MQO", DropVerdict::load, "C:\\m\\WIDE.MQO"},
        {u"C:\\m\\tri.Rok", DropVerdict::load, "C:\\m\\tri.Rok"},
        {u"C:\\m\\box.X", DropVerdict::load, "C:\\m\\box.X"},
        {u"C:\\안경\\a.x", DropVerdict::load, "C:\\_~1\\A.X"},
        {u"C:\\m\\lens.bmp", DropVerdict::notAModel, ""},
        {u"C:\\m\\round.mqo.bak", DropVerdict::notAModel, ""},
        {u"C:\\m\\box.xx", DropVerdict::notAModel, ""},
        {u"C:\\m\\mqo", DropVerdict::notAModel, ""},
        {u"C:\\안경\\notes.txt", DropVerdict::notAModel, ""},
        {u"C:\\안경\\b.mqo", DropVerdict::unnamable, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const DroppedFile dropped = judgeDroppedFile(cases[i].path, shortPaths.lookup());
        EXPECT_EQ(dropped.verdict, cases[i].verdict);
        EXPECT_EQ(dropped.name, cases[i].name);
    }
}
