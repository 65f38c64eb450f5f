// XTokens: the text of a DirectX .x file cut into what the reader works with: words (keywords,
// names and numbers), quoted strings, braces and the separators ',' and ';'. White space, line
// ends (LF or CR LF) and comments ("//" or "#" to the end of the line) only stand between
// tokens, so values may share a line or spread over several lines, and a comment may stand
// wherever white space may: after a value, after a brace, on a line of its own inside a list.
//
// A word ends at white space, a separator, a brace, a quote or "//"; a '#' inside a word is
// part of it ("1.#QNAN0"). The second byte of a double-byte character never ends a word or a
// string. Nothing is ever read past the end of the text.
//
// The file is read in chunks into a window that moves on as the tokens are taken, so a large
// model file is never held in memory whole: a token's text (and a name openBlock gives) stays
// valid only until the tokenizer is next asked for anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"

// The file is read in pieces of this size; the window grows only for a token longer than half
// of it.
constexpr std::size_t kXChunkBytes = std::size_t{1} << 16;

enum class XTokenKind : uint8_t { end, open, close, separator, string, word };

struct XToken {
    XTokenKind kind = XTokenKind::end;
    std::string_view text;  // a word's bytes; a string's bytes between its quotes, as written
};

// The separators that stood between two values.
struct XSeparators {
    int32_t commas = 0;
    int32_t semicolons = 0;
};

class XTokens {
public:
    // The tokens of an open file from its start; fileBytes is the file's size as the system
    // tells it (0: not told), and more than maxBytes bytes make the reading fail (intact).
    XTokens(std::FILE* file, uint64_t fileBytes, std::size_t maxBytes);
    XTokens(const XTokens&) = delete;
    XTokens& operator=(const XTokens&) = delete;

    // Passes over the file header ("xof 0302txt 0032": magic, version, format and float size),
    // one line at the start of the text, when it is there; its words are no block names.
    void skipHeader();

    XToken next();

    // When the next token is a number (a word that starts with a digit, a sign or a point):
    // its value as atof or atoi reads the word's start, the word consumed. Otherwise false,
    // with nothing consumed.
    bool readFloat(float& value);
    bool readInt(int32_t& value);

    // Consumes the separators that follow (with the white space and comments among them).
    XSeparators skipSeparators();

    // After a keyword (a word next gave): when a block opens there ("{", or one name and "{"),
    // consumes it and gives the name (empty when none); otherwise consumes nothing. Either way
    // keyword's text and the name are then copies, valid until openBlock is called again.
    bool openBlock(XToken& keyword, std::string_view& name);

    // Reads on until the given number of open blocks are closed, or the text ends.
    void skipBlock(int64_t depth);

    // Reads on to the closing brace of the block just opened (with every block inside it) and
    // gives a copy of the text of its first token of the given kind; false when it holds none.
    bool readBlockFirst(XTokenKind kind, std::string& text);

    // Whether the next token closes a block (nothing is consumed).
    bool atClose();

    // The bytes of the file not yet consumed, by the size told at the start (by the cap when
    // none was told): no more values than this can describe follow.
    std::size_t bytesLeft() const;

    // False once a read failed or the file proved larger than its cap.
    bool intact() const { return reads_.intact(); }

private:
    // Whether the byte ahead bytes past pos_ is in the window, reading on when it is not.
    bool has(std::size_t ahead) { return pos_ + ahead < end_ || readMore(ahead); }
    bool readMore(std::size_t ahead);
    void refill();
    char at(std::size_t i) const { return buffer_[i]; }
    std::string_view window() const { return std::string_view(buffer_.data(), end_); }

    // Passes over white space and comments. Most tokens stand right after a separator or a
    // value, so the test for that is made where the call is.
    void skipSpace()
    {
        if (has(0) && mayStartSpace(static_cast<unsigned char>(at(pos_))))
            skipSpaceAndComments();
    }
    static bool mayStartSpace(unsigned char c) { return c <= ' ' || c == '#' || c == '/'; }
    void skipSpaceAndComments();
    void skipLine();
    // Whether the next token is a number, with the white space and comments before it passed.
    bool atNumber()
    {
        skipSpace();
        return has(0) && startsNumber(at(pos_));
    }
    static bool startsNumber(char c);
    void skipWordRest();
    bool wordEndsInWindow();
    template <typename Parse>
    void readNumber(const Parse& parse);

    CappedFileReads reads_;
    uint64_t fileBytes_;        // the size told at the start
    uint64_t dropped_ = 0;      // bytes of the file before the window's first
    std::vector<char> buffer_;  // the window: the file's bytes [dropped_, dropped_ + end_)
    std::size_t end_ = 0;       // bytes in the window
    std::size_t pos_ = 0;       // the next byte to read, in the window
    // When the window moves it keeps the bytes from pos_ on, and those from these places in the
    // file (kNone: none): the start of the token being read, and the place openBlock may go
    // back to.
    static constexpr uint64_t kNone = UINT64_MAX;
    uint64_t tokenStart_ = kNone;
    uint64_t hold_ = kNone;
    std::string keyword_;  // the copies openBlock hands out
    std::string name_;
};
