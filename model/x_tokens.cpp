#include "model/x_tokens.h"

#include "base/cp932.h"
#include "model/line_reader.h"
#include "model/scan_format.h"

#include <array>

namespace {

// What a byte can be to the tokenizer, as bits of a table looked up once per byte: the
// tokenizer's loops run over every byte of the file.
enum : uint8_t {
    kEndsWord = 1,     // white space, a separator, a brace or a quote
    kDigit = 2,        // '0' to '9'
    kStartsNumber = 4  // a digit, a sign or a point
};

constexpr std::array<uint8_t, 256> kByteClass = [] {
    std::array<uint8_t, 256> table{};
    for (const char c : {' ', '\t', '\r', '\n', '\v', '\f', ',', ';', '{', '}', '"'})
        table[static_cast<unsigned char>(c)] |= kEndsWord;
    for (char c = '0'; c <= '9'; ++c)
        table[static_cast<unsigned char>(c)] |= kDigit | kStartsNumber;
    for (const char c : {'-', '+', '.'})
        table[static_cast<unsigned char>(c)] |= kStartsNumber;
    return table;
}();

bool is(char c, uint8_t what)
{
    return (kByteClass[static_cast<unsigned char>(c)] & what) != 0;
}

bool isDigit(char c)
{
    return is(c, kDigit);
}

bool endsWord(char c)
{
    return is(c, kEndsWord);
}

}  // namespace

void XTokens::skipSpaceAndComments()
{
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (isTextWhiteSpace(c)) {
            ++pos_;
            continue;
        }
        const bool comment = c == '#' || (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/');
        if (!comment)
            return;
        const std::size_t lineEnd = text_.find('\n', pos_);
        pos_ = lineEnd == std::string_view::npos ? text_.size() : lineEnd + 1;
    }
}

// Past the rest of the word at pos_ (a double-byte character is taken whole).
void XTokens::skipWordRest()
{
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (endsWord(c) || (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/'))
            return;
        pos_ += isCp932LeadByte(static_cast<unsigned char>(c)) && pos_ + 1 < text_.size() ? 2 : 1;
    }
}

void XTokens::skipHeader()
{
    if (pos_ != 0 || !startsWithIgnoringAsciiCase(text_, "xof "))
        return;
    const std::size_t lineEnd = text_.find('\n');
    pos_ = lineEnd == std::string_view::npos ? text_.size() : lineEnd + 1;
}

XToken XTokens::next()
{
    skipSpace();
    if (pos_ >= text_.size())
        return {};
    const std::size_t start = pos_;
    const char c = text_[pos_];
    switch (c) {
    case '{':
        ++pos_;
        return {XTokenKind::open, text_.substr(start, 1)};
    case '}':
        ++pos_;
        return {XTokenKind::close, text_.substr(start, 1)};
    case ',':
    case ';':
        ++pos_;
        return {XTokenKind::separator, text_.substr(start, 1)};
    case '"': {
        // A string ends at its closing quote; one left open ends with its line, so that a
        // stray quote cannot take the rest of the file with it.
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\n')
            pos_ +=
                isCp932LeadByte(static_cast<unsigned char>(text_[pos_])) && pos_ + 1 < text_.size() ? 2 : 1;
        const XToken token{XTokenKind::string, text_.substr(start + 1, pos_ - start - 1)};
        if (pos_ < text_.size() && text_[pos_] == '"')
            ++pos_;
        return token;
    }
    default:
        skipWordRest();
        return {XTokenKind::word, text_.substr(start, pos_ - start)};
    }
}

bool XTokens::atNumber()
{
    skipSpace();
    if (pos_ >= text_.size())
        return false;
    return is(text_[pos_], kStartsNumber);
}

bool XTokens::readFloat(float& value)
{
    if (!atNumber())
        return false;
    value = scanFloat(text_, pos_);
    if (pos_ < text_.size() && !endsWord(text_[pos_]))
        skipWordRest();
    return true;
}

bool XTokens::readInt(int32_t& value)
{
    if (!atNumber())
        return false;
    // Indices and counts are short runs of digits: those are read here at once; anything else
    // (a sign, a value that could pass the int32 range) the way atoi reads it.
    const char* const first = text_.data() + pos_;
    const char* const last = text_.data() + text_.size();
    const char* const cap = last - first > 9 ? first + 9 : last;  // nine digits always fit
    const char* p = first;
    int32_t digits = 0;
    for (; p != cap && isDigit(*p); ++p)
        digits = digits * 10 + (*p - '0');
    if (p != first && (p == last || !isDigit(*p))) {
        value = digits;
        pos_ += static_cast<std::size_t>(p - first);
    } else {
        value = scanInt(text_, pos_);
    }
    if (pos_ < text_.size() && !endsWord(text_[pos_]))
        skipWordRest();
    return true;
}

XSeparators XTokens::skipSeparators()
{
    XSeparators seen;
    for (;;) {
        skipSpace();
        if (pos_ >= text_.size())
            return seen;
        if (text_[pos_] == ',')
            ++seen.commas;
        else if (text_[pos_] == ';')
            ++seen.semicolons;
        else
            return seen;
        ++pos_;
    }
}

bool XTokens::openBlock(std::string_view& name)
{
    const std::size_t start = pos_;
    XToken token = next();
    name = {};
    if (token.kind == XTokenKind::word) {
        name = token.text;
        token = next();
    }
    if (token.kind == XTokenKind::open)
        return true;
    pos_ = start;
    name = {};
    return false;
}

void XTokens::skipBlock(int64_t depth)
{
    while (depth > 0) {
        const XToken token = next();
        if (token.kind == XTokenKind::end)
            return;
        if (token.kind == XTokenKind::open)
            ++depth;
        else if (token.kind == XTokenKind::close)
            --depth;
    }
}

bool XTokens::atClose()
{
    skipSpace();
    return pos_ < text_.size() && text_[pos_] == '}';
}
