// RokLines: line cutting over a model entry's text or over a file read chunk by chunk.
#include "model/rok_lines.h"

#include <algorithm>
#include <cstring>

#include "model/rok_reader.h"

namespace {

// The file is read in pieces of this size; a piece always has room for a whole line of
// kRokMaxLineBytes after the unread rest of the one before.
constexpr size_t kChunkBytes = size_t{1} << 16;
static_assert(kChunkBytes > 2 * (kRokMaxLineBytes + 1), "a chunk holds a whole kept line");

}  // namespace

RokLines::RokLines(std::FILE* file, uint64_t fileBytes, size_t maxBytes)
    : reads_(file, maxBytes), fileBytes_(fileBytes), buffer_(kChunkBytes)
{}

bool RokLines::nextFromText(std::string_view& line)
{
    return readRokLine(*entry_, line);
}

uint64_t RokLines::bytesLeft() const
{
    if (entry_ != nullptr)
        return entry_->text.size() - std::min(entry_->textPos, entry_->text.size());
    if (fileBytes_ == 0)
        return UINT64_MAX;  // the size is unknown: no bound but the cap
    const uint64_t unread = end_ - begin_;
    const uint64_t handedOut = reads_.bytesRead() - unread;
    return std::max(unread, fileBytes_ > handedOut ? fileBytes_ - handedOut : 0);
}

// Moves the unread bytes to the front of the buffer and reads after them. Reads at most one
// byte past the cap: a file that reaches it is too large.
void RokLines::refill()
{
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    end_ += reads_.read(buffer_.data() + end_, buffer_.size() - end_);
}

// Passes over the bytes up to and past the end of the current line.
void RokLines::skipRestOfLine()
{
    for (;;) {
        const std::string_view rest(buffer_.data() + begin_, end_ - begin_);
        const size_t end = rokLineEnd(rest);
        if (end == rest.size()) {
            begin_ = end_;
            if (reads_.atEnd())
                return;
        } else if (rest[end] == '\r' && end + 1 == rest.size() && !reads_.atEnd()) {
            begin_ += end;  // a line feed may follow in the next chunk
        } else {
            const bool pair = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
            begin_ += end + (pair ? 2 : 1);
            return;
        }
        refill();
    }
}

bool RokLines::nextFromFile(std::string_view& line)
{
    size_t scanned = 0;  // bytes from begin_ known to hold no line end
    for (;;) {
        const std::string_view rest(buffer_.data() + begin_, end_ - begin_);
        const size_t end = scanned + rokLineEnd(rest.substr(scanned));
        // A carriage return that ends what was read may be the first half of a pair.
        const bool undecided = end + 1 == rest.size() && rest[end] == '\r' && !reads_.atEnd();
        if (end < rest.size() && !undecided) {
            const bool pair = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
            line = rest.substr(0, std::min(end, kRokMaxLineBytes));
            begin_ += end + (pair ? 2 : 1);
            return true;
        }
        if (reads_.atEnd()) {
            line = rest.substr(0, std::min(rest.size(), kRokMaxLineBytes));
            begin_ = end_;
            return !rest.empty();
        }
        if (end > kRokMaxLineBytes) {
            // Only the line's start is handed out; the rest need not stay in memory.
            cut_.assign(rest.substr(0, kRokMaxLineBytes));
            begin_ += kRokMaxLineBytes;
            skipRestOfLine();
            line = cut_;
            return true;
        }
        scanned = end;
        refill();
    }
}
