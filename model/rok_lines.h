// RokLines: the lines of a .rok text as the reader takes them, one at a time: either the whole
// text already in a model entry (cut by readRokLine), or an open file read in chunks, so that a
// large model file is never held in memory whole. Both cut lines the same way: a line ends at a
// carriage return, a line feed or a carriage return and line feed pair, and only its first
// kRokMaxLineBytes bytes are handed out.
//
// A line handed out stays valid until the next one is asked for, no longer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "model/model_entry.h"
#include "model/rok_limits.h"

// Where the line that starts text ends: the position of its carriage return or line feed, or
// text.size() when the text ends first. Lines hold a number or a keyword each: a plain loop
// beats a library search here.
inline size_t rokLineEnd(std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n')
            return i;
    }
    return text.size();
}

class RokLines {
public:
    // The lines of entry.text from entry.textPos on.
    explicit RokLines(ModelEntry& entry) : entry_(&entry) {}
    // The lines of an open file from its current position; fileBytes is the file's size as the
    // system tells it (0: not told), and more than maxBytes bytes make the reading fail.
    RokLines(std::FILE* file, uint64_t fileBytes, size_t maxBytes);
    RokLines(const RokLines&) = delete;
    RokLines& operator=(const RokLines&) = delete;

    // The next line; false, with an empty line, when no text is left.
    bool next(std::string_view& line)
    {
        if (entry_ != nullptr)
            return nextFromText(line);
        // Most lines of a file lie whole in what was read, with the byte after their end there
        // too (a carriage return may be half of a pair): those are cut here.
        const std::string_view rest(buffer_.data() + begin_, end_ - begin_);
        const size_t end = rokLineEnd(rest);
        if (end + 1 >= rest.size())
            return nextFromFile(line);
        const bool pair = rest[end] == '\r' && rest[end + 1] == '\n';
        line = rest.substr(0, end < kRokMaxLineBytes ? end : kRokMaxLineBytes);
        begin_ += end + (pair ? 2 : 1);
        return true;
    }

    // The bytes not yet handed out (for a file, by the size told at the start; UINT64_MAX
    // when it was not told): no more lines than this can follow.
    uint64_t bytesLeft() const;

    // False once a file read failed or the file proved larger than its cap.
    bool intact() const { return reads_.intact(); }

private:
    bool nextFromText(std::string_view& line);
    bool nextFromFile(std::string_view& line);
    void refill();
    void skipRestOfLine();

    ModelEntry* entry_ = nullptr;  // the text's owner, or null when reading a file
    CappedFileReads reads_;        // the file's reads (none for a text)
    uint64_t fileBytes_ = 0;       // the size told at the start
    std::vector<char> buffer_;     // the file's bytes last read: [begin_, end_) not handed out yet
    size_t begin_ = 0;
    size_t end_ = 0;
    std::string cut_;  // the kept start of a line longer than the buffer holds
};
