// LineReader: the lines of a model file held whole in memory, as the text readers take them:
// one line at a time (a line ends at a line feed; the carriage return of a carriage-return/
// line-feed pair is dropped), or only the lines that hold something, or a run of raw bytes
// (binary blocks inside a text file). The text is a string handed to it, or a model file it
// opens under its own name or in the model directory: mapped into memory where the system
// allows (base/mapped_file.h), so that a large file is not copied, else read whole.
//
// Lines handed out as string_views point into the reader's text and stay valid as long as the
// reader lives; nothing a reader hands out is ever longer than what remains of the file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "base/mapped_file.h"

// Model files larger than this are not read: a model of a million triangles takes about 60 MB,
// and what a reader builds from a file can take many times the file's size.
constexpr std::size_t kMaxModelFileBytes = std::size_t{256} << 20;

// Lines longer than this are cut: the reader hands out their first kMaxLineBytes bytes and
// passes over the rest. Real lines (a face of a hundred corners, a row of a thumbnail) take a
// few kilobytes; the cap bounds what any one line can make a reader copy or scan.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

class LineReader {
public:
    LineReader() = default;
    explicit LineReader(std::string text) : owned_(std::move(text)), text_(owned_) {}
    // The lines point into the reader's own memory: it stays where it is made.
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Takes the model file's bytes as the text, from the start: the file under fileName, else
    // under modelFallbackPath of it ("data\model\" and the base name). False, with an empty
    // text, when neither can be read or the file is larger than kMaxModelFileBytes.
    bool openModelFile(const std::string& fileName);

    // The name the model file was opened under (fileName or its fallback); "" for handed text.
    const std::string& openedName() const { return openedName_; }

    // The next line as it comes, without its line feed (and the carriage return before it),
    // cut to kMaxLineBytes; false at the end of the text.
    bool readLine(std::string_view& line);
    bool readLine(std::string& line);

    // The next line that is not empty once its leading white space (space, tab, carriage
    // return, line feed, vertical tab, form feed) is removed, returned without that white
    // space and with its trailing characters kept; false at the end of the text.
    bool readContentLine(std::string_view& line);
    bool readContentLine(std::string& line);

    // The next count bytes as they are, line ends included; false, reading nothing, when
    // fewer remain.
    bool readBytes(std::size_t count, std::string_view& bytes);

    // Read position (a byte offset into the text), so that a line can be looked at and then
    // given back with seek.
    std::size_t position() const { return pos_; }
    void seek(std::size_t position) { pos_ = position < text_.size() ? position : text_.size(); }
    std::size_t remaining() const { return text_.size() - pos_; }
    bool atEnd() const { return pos_ >= text_.size(); }
    std::string_view text() const { return text_; }

private:
    bool openFile(const std::string& cp932Name);

    MappedFile mapped_;       // the file's bytes, when the text is a mapped file
    std::string owned_;       // the text, when it was handed over or read
    std::string_view text_;   // the one in use of the two
    std::size_t pos_ = 0;     // byte offset of the next unread byte
    std::string openedName_;  // the file the text came from; "" when none
};

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
