// MqoLines: a file read in chunks yields the content lines of the text held whole, cut as a
// plain reading of the rule cuts them, wherever the chunks fall; lines given back come again;
// raw bytes are read across chunks; files that cannot be read do not open.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "model/model_text.h"
#include "model/mqo_lines.h"

namespace {

class MqoLinesTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("vellarn-mqo-lines-" + std::to_string(std::random_device()()));
        ASSERT_TRUE(std::filesystem::create_directory(dir_));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string write(const std::string& bytes)
    {
        const std::filesystem::path path = dir_ / "model.mqo";
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::filesystem::path dir_;
};

// Lines of every length up to past the cut, with line feeds, carriage-return pairs, lone
// carriage returns and blank lines, long enough to span several chunks.
std::string mixedText()
{
    std::mt19937 random(7);
    std::string text;
    const char* const ends[] = {"\n", "\r\n", "\r\r\n", " \t\n", "\n\n  \n"};
    while (text.size() < (std::size_t{13} << 20)) {
        const std::size_t length = random() % 50 == 0 ? kMaxLineBytes - 2 + random() % 5 : random() % 300;
        text.append(random() % 4 == 0 ? "\t\t" : "");
        text.append(length, static_cast<char>('a' + random() % 26));
        text.append(ends[random() % 5]);
    }
    return text + "last\r";
}

// The rule as written: lines end at line feeds, a carriage return before the feed is dropped,
// each line is cut to kMaxLineBytes, and the lines left with something once their leading
// white space goes are kept, without it.
std::vector<std::string> plainContentLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        else if (end > start && text[end - 1] == '\r')
            --end;
        const std::string_view line = withoutLeadingWhiteSpace(
            std::string_view(text).substr(start, std::min(end - start, kMaxLineBytes)));
        if (!line.empty())
            lines.emplace_back(line);
        start = next;
    }
    return lines;
}

std::vector<std::string> contentLines(MqoLines& reader)
{
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.readContentLine(line)) {
        lines.emplace_back(line);
        if (lines.size() % 3 == 0) {  // looked at, given back and taken again
            reader.unread();
            EXPECT_TRUE(reader.readContentLine(line));
            EXPECT_EQ(line, lines.back());
        }
    }
    return lines;
}

}  // namespace

TEST_F(MqoLinesTest, CutsAFileInChunksAsTheWholeText)
{
    const std::string text = mixedText();
    const std::vector<std::string> expected = plainContentLines(text);
    MqoLines handed(text);
    EXPECT_EQ(contentLines(handed), expected);
    MqoLines file;
    ASSERT_TRUE(file.openModelFile(write(text)));
    EXPECT_EQ(contentLines(file), expected);
    EXPECT_TRUE(file.intact());
    EXPECT_EQ(file.remaining(), 0u);
}

TEST_F(MqoLinesTest, ReadsRawBytesAcrossChunks)
{
    std::string blob(std::size_t{9} << 20, '\0');
    for (std::size_t k = 0; k < blob.size(); ++k)
        blob[k] = static_cast<char>(k * 7 % 251);
    MqoLines file;
    ASSERT_TRUE(file.openModelFile(write("Vector 1 [3]\r\n" + blob + "\nnext\n")));
    std::string_view line;
    ASSERT_TRUE(file.readContentLine(line));
    EXPECT_EQ(file.remaining(), blob.size() + 6);
    std::string read(blob.size() - 100, '\0');
    EXPECT_EQ(file.readBytes(read.data(), read.size()), read.size());
    EXPECT_EQ(file.readBytes(nullptr, 100), 100u);
    EXPECT_EQ(read, blob.substr(0, read.size()));
    ASSERT_TRUE(file.readContentLine(line));
    EXPECT_EQ(line, "next");
    EXPECT_EQ(file.readBytes(nullptr, 5), 0u);
    EXPECT_FALSE(file.readContentLine(line));
}

TEST_F(MqoLinesTest, ContentLinesOfShortTexts)
{
    MqoLines text("a\r\nb\n\r\n  \t\r\n\v\f\n  c d \r\ne\r\r\nlast");
    EXPECT_EQ(contentLines(text), (std::vector<std::string>{"a", "b", "c d ", "e\r", "last"}));
    for (const char* blank : {"", "\n", "\n\n \r\n\t"}) {
        MqoLines lines(blank);
        std::string_view line;
        EXPECT_FALSE(lines.readContentLine(line)) << blank;
    }
}

// An empty file opens with no lines; a missing one, or one past kMaxModelFileBytes, does not.
TEST_F(MqoLinesTest, OpensWhatItCanRead)
{
    std::string_view line;
    MqoLines empty;
    ASSERT_TRUE(empty.openModelFile(write("")));
    EXPECT_FALSE(empty.readContentLine(line));
    MqoLines missing;
    EXPECT_FALSE(missing.openModelFile((dir_ / "missing.mqo").string()));
    // Sparse, so no disk is filled; some file systems (and emulated 32-bit Wine, now and then)
    // refuse to grow a file that far, and then only the cap goes untested.
    const std::string big = write("Metasequoia Document\n");
    std::error_code grown;
    std::filesystem::resize_file(big, kMaxModelFileBytes + 1, grown);
    MqoLines tooBig;
    if (!grown) {
        EXPECT_FALSE(tooBig.openModelFile(big));
    }
}
