// MqoLines: the lines of a Metasequoia document as its reader takes them: either a text handed
// over whole, or a model file read in chunks, so that a large file is never held in memory
// whole. A line ends at a line feed, the carriage return before it is dropped and only its
// first kMaxLineBytes bytes are kept (model_text.h); only lines that hold something are handed
// out, without their leading white space; binary blocks inside the text are read as raw bytes.
//
// A line handed out stays valid until the next one is asked for, no longer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/files.h"
#include "model/model_text.h"

class MqoLines {
public:
    MqoLines() = default;
    explicit MqoLines(std::string text);
    MqoLines(const MqoLines&) = delete;
    MqoLines& operator=(const MqoLines&) = delete;

    // Opens the model file under fileName, else under modelFallbackPath of it; a file larger
    // than kMaxModelFileBytes (by the size the system tells) is passed over like one that does
    // not open. False when neither opens.
    bool openModelFile(const std::string& fileName);

    // The name the model file was opened under; "" for handed text.
    const std::string& openedName() const { return openedName_; }

    // The next line that is not empty once its leading white space (isTextWhiteSpace) is
    // removed, returned without that white space; false at the end of the text.
    bool readContentLine(std::string_view& line);

    // Hands the line last read out again at the next readContentLine.
    void unread() { repeat_ = true; }

    // The bytes not yet read (for a file, by the size told when it opened): no more lines or
    // bytes than this can follow.
    std::size_t remaining() const;

    // Reads up to count raw bytes (line ends included) into out, or passes over them when out
    // is null; returns how many there were.
    std::size_t readBytes(char* out, std::size_t count);

    // False once a file read failed or the file proved larger than kMaxModelFileBytes.
    bool intact() const { return reads_.intact(); }

private:
    bool openFile(const std::string& cp932Name);
    bool readLine(std::string_view& line);
    bool lineFromBuffer(std::string_view& line);
    void refill();
    void skipPastLineFeed();

    FileHandle file_;            // the open model file, or null for handed text
    CappedFileReads reads_;      // its reads; at their end from the start for handed text
    std::size_t fileBytes_ = 0;  // its size as told when it opened (0: not told)
    std::string buffer_;         // the text, or the file's bytes last read: [begin_, end_) unread
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::string cut_;         // the kept start of a line longer than the buffer holds at once
    std::string_view line_;   // the line last handed out
    bool repeat_ = false;     // line_ is to be handed out again
    std::string openedName_;  // the file the text comes from; "" when none
};
