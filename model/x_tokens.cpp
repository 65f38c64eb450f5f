#include "model/x_tokens.h"

#include "base/cp932.h"
#include "model/fast_numbers.h"
#include "model/model_text.h"
#include "model/scan_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// What a byte can be to the tokenizer, as bits of a table looked up once per byte: the
// tokenizer's loops run over every byte of the file.
enum : uint8_t {
    kEndsWord = 1,     // white space, a separator, a brace or a quote
    kStartsNumber = 2  // a digit, a sign or a point
};

constexpr std::array<uint8_t, 256> kByteClass = [] {
    std::array<uint8_t, 256> table{};
    for (const char c : {' ', '\t', '\r', '\n', '\v', '\f', ',', ';', '{', '}', '"'})
        table[static_cast<unsigned char>(c)] |= kEndsWord;
    for (char c = '0'; c <= '9'; ++c)
        table[static_cast<unsigned char>(c)] |= kStartsNumber;
    for (const char c : {'-', '+', '.'})
        table[static_cast<unsigned char>(c)] |= kStartsNumber;
    return table;
}();

bool is(char c, uint8_t what)
{
    return (kByteClass[static_cast<unsigned char>(c)] & what) != 0;
}

bool endsWord(char c)
{
    return is(c, kEndsWord);
}

unsigned char byte(char c)
{
    return static_cast<unsigned char>(c);
}

}  // namespace

XTokens::XTokens(std::FILE* file, uint64_t fileBytes, std::size_t maxBytes)
    : reads_(file, maxBytes), fileBytes_(fileBytes), buffer_(kXChunkBytes)
{}

std::size_t XTokens::bytesLeft() const
{
    const uint64_t consumed = dropped_ + pos_;
    const uint64_t total = std::max<uint64_t>(fileBytes_ > 0 ? fileBytes_ : reads_.cap(), reads_.bytesRead());
    return total > consumed ? static_cast<std::size_t>(total - consumed) : 0;
}

bool XTokens::readMore(std::size_t ahead)
{
    while (pos_ + ahead >= end_) {
        if (reads_.atEnd())
            return false;
        refill();
    }
    return true;
}

// Lets go of the bytes no longer needed and reads after the rest; the window grows when what it
// keeps fills more than half of it, so that every read brings at least half a chunk. Reads at
// most one byte past the cap: a file that reaches it is too large.
void XTokens::refill()
{
    const auto keep = static_cast<std::size_t>(std::min({dropped_ + pos_, tokenStart_, hold_}) - dropped_);
    if (keep > 0) {
        std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
        end_ -= keep;
        pos_ -= keep;
        dropped_ += keep;
    }
    if (end_ > buffer_.size() / 2)
        buffer_.resize(2 * buffer_.size());
    end_ += reads_.read(buffer_.data() + end_, buffer_.size() - end_);
}

void XTokens::skipSpaceAndComments()
{
    for (;;) {
        while (pos_ < end_ && isTextWhiteSpace(at(pos_)))
            ++pos_;
        if (!has(0))
            return;
        const char c = at(pos_);
        if (isTextWhiteSpace(c))
            continue;
        const bool comment = c == '#' || (c == '/' && has(1) && at(pos_ + 1) == '/');
        if (!comment)
            return;
        skipLine();
    }
}

// Past the next line feed, or to the end of the text; the line is let go as it is passed.
void XTokens::skipLine()
{
    for (;;) {
        const void* feed = std::memchr(buffer_.data() + pos_, '\n', end_ - pos_);
        if (feed != nullptr) {
            pos_ = static_cast<std::size_t>(static_cast<const char*>(feed) - buffer_.data()) + 1;
            return;
        }
        pos_ = end_;
        if (!has(0))
            return;
    }
}

// Past the rest of the word at pos_ (a double-byte character is taken whole).
void XTokens::skipWordRest()
{
    while (has(0)) {
        const char c = at(pos_);
        if (endsWord(c) || (c == '/' && has(1) && at(pos_ + 1) == '/'))
            return;
        pos_ += isCp932LeadByte(byte(c)) && has(1) ? 2 : 1;
    }
}

// skipWordRest without reading on: true when the word ends in the window (or the file ends
// there), past it; false when it may go on in the file.
bool XTokens::wordEndsInWindow()
{
    while (pos_ + 1 < end_) {  // two bytes at hand: "//" and double-byte characters are decided
        const char c = at(pos_);
        if (endsWord(c) || (c == '/' && at(pos_ + 1) == '/'))
            return true;
        pos_ += isCp932LeadByte(byte(c)) ? 2 : 1;
    }
    if (!reads_.atEnd())
        return pos_ < end_ && endsWord(at(pos_));
    skipWordRest();  // the window holds the rest of the file
    return true;
}

void XTokens::skipHeader()
{
    if (dropped_ + pos_ != 0)
        return;
    has(3);  // the magic's four bytes, when the file has them
    if (startsWithIgnoringAsciiCase(window(), "xof "))
        skipLine();
}

XToken XTokens::next()
{
    skipSpace();
    if (!has(0))
        return {};
    const char c = at(pos_);
    if (c == '{' || c == '}' || c == ',' || c == ';') {
        ++pos_;
        return {c == '{'   ? XTokenKind::open
                : c == '}' ? XTokenKind::close
                           : XTokenKind::separator,
                window().substr(pos_ - 1, 1)};
    }
    tokenStart_ = dropped_ + pos_;  // in the file: the window may move while the token is read
    XToken token;
    if (c == '"') {
        // A string ends at its closing quote; one left open ends with its line, so that a
        // stray quote cannot take the rest of the file with it.
        ++pos_;
        while (has(0) && at(pos_) != '"' && at(pos_) != '\n')
            pos_ += isCp932LeadByte(byte(at(pos_))) && has(1) ? 2 : 1;
        const auto first = static_cast<std::size_t>(tokenStart_ - dropped_) + 1;
        token = {XTokenKind::string, window().substr(first, pos_ - first)};
        if (pos_ < end_ && at(pos_) == '"')
            ++pos_;
    } else {
        skipWordRest();
        const auto first = static_cast<std::size_t>(tokenStart_ - dropped_);
        token = {XTokenKind::word, window().substr(first, pos_ - first)};
    }
    tokenStart_ = kNone;
    return token;
}

bool XTokens::startsNumber(char c)
{
    return is(c, kStartsNumber);
}

// The number at pos_ by parse, which reads it from the window; the word is then passed over.
// When the word reaches the window's end it may go on in the file: it is then taken in whole
// and read again.
template <typename Parse>
void XTokens::readNumber(const Parse& parse)
{
    const uint64_t start = dropped_ + pos_;
    parse();
    if ((pos_ + 1 < end_ && endsWord(at(pos_))) || wordEndsInWindow())
        return;
    pos_ = static_cast<std::size_t>(start - dropped_);
    tokenStart_ = start;
    skipWordRest();
    tokenStart_ = kNone;
    const uint64_t wordEnd = dropped_ + pos_;
    pos_ = static_cast<std::size_t>(start - dropped_);
    parse();
    pos_ = static_cast<std::size_t>(wordEnd - dropped_);
}

bool XTokens::readFloat(float& value)
{
    if (!atNumber())
        return false;
    readNumber([&] { value = scanFloatFast(window(), pos_); });
    return true;
}

bool XTokens::readInt(int32_t& value)
{
    if (!atNumber())
        return false;
    readNumber([&] { value = scanIntFast(window(), pos_); });
    return true;
}

XSeparators XTokens::skipSeparators()
{
    XSeparators seen;
    for (;;) {
        skipSpace();
        if (!has(0))
            return seen;
        if (at(pos_) == ',')
            ++seen.commas;
        else if (at(pos_) == ';')
            ++seen.semicolons;
        else
            return seen;
        ++pos_;
    }
}

// The window holds the bytes from where the block would start while it looks, so that it can
// go back there when no block opens.
bool XTokens::openBlock(XToken& keyword, std::string_view& name)
{
    if (keyword.text.data() != keyword_.data())
        keyword_.assign(keyword.text);
    keyword.text = keyword_;
    name = {};
    const uint64_t start = dropped_ + pos_;
    hold_ = start;
    XToken token = next();
    const bool named = token.kind == XTokenKind::word;
    if (named) {
        name_.assign(token.text);
        token = next();
    }
    hold_ = kNone;
    if (token.kind == XTokenKind::open) {
        if (named)
            name = name_;
        return true;
    }
    pos_ = static_cast<std::size_t>(start - dropped_);
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

bool XTokens::readBlockFirst(XTokenKind kind, std::string& text)
{
    bool found = false;
    int64_t depth = 1;
    while (depth > 0) {
        const XToken token = next();
        if (token.kind == XTokenKind::end)
            break;
        if (token.kind == XTokenKind::open) {
            ++depth;
        } else if (token.kind == XTokenKind::close) {
            --depth;
        } else if (token.kind == kind && !found) {
            found = true;
            text.assign(token.text);
        }
    }
    return found;
}

bool XTokens::atClose()
{
    skipSpace();
    return has(0) && at(pos_) == '}';
}
