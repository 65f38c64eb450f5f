// XTokens: the text of a DirectX .x file cut into what the reader works with: words (keywords,
// names and numbers), quoted strings, braces and the separators ',' and ';'. White space, line
// ends (LF or CR LF) and comments ("//" or "#" to the end of the line) only stand between
// tokens, so values may share a line or spread over several lines, and a comment may stand
// wherever white space may: after a value, after a brace, on a line of its own inside a list.
//
// A word ends at white space, a separator, a brace, a quote or "//"; a '#' inside a word is
// part of it ("1.#QNAN0"). The second byte of a double-byte character never ends a word or a
// string. Nothing is ever read past the end of the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

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
    explicit XTokens(std::string_view text) : text_(text) {}

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

    // After a keyword: when a block opens there ("{", or one name and "{"), consumes it and
    // gives the name (empty when none); otherwise consumes nothing.
    bool openBlock(std::string_view& name);

    // Reads on until the given number of open blocks are closed, or the text ends.
    void skipBlock(int64_t depth);

    // Whether the next token closes a block (nothing is consumed).
    bool atClose();

    std::size_t bytesLeft() const { return text_.size() - pos_; }

private:
    // Passes over white space and comments. Most tokens stand right after a separator or a
    // value, so the test for that is made where the call is.
    void skipSpace()
    {
        if (pos_ < text_.size() && mayStartSpace(static_cast<unsigned char>(text_[pos_])))
            skipSpaceAndComments();
    }
    static bool mayStartSpace(unsigned char c) { return c <= ' ' || c == '#' || c == '/'; }
    void skipSpaceAndComments();
    bool atNumber();
    void skipWordRest();

    std::string_view text_;
    std::size_t pos_ = 0;  // the next byte to read
};
