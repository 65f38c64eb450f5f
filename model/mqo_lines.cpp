// MqoLines: line cutting over a handed text or over a model file read chunk by chunk.
#include "model/mqo_lines.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "model/model_entry.h"

namespace {

// The file is read in pieces of this size; a piece always has room for a whole kept line (and
// the byte that tells where it ends) after the unread rest of the one before.
constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
static_assert(kChunkBytes > 2 * (kMaxLineBytes + 1), "a chunk holds a whole kept line");

}  // namespace

MqoLines::MqoLines(std::string text) : buffer_(std::move(text)), end_(buffer_.size())
{}

bool MqoLines::openFile(const std::string& cp932Name)
{
    FileHandle file = ::openFile(cp932Name, "rb");
    if (!file)
        return false;
    const std::size_t told = fileSizeTold(file.get());
    if (told > kMaxModelFileBytes)
        return false;
    file_ = std::move(file);
    reads_ = CappedFileReads(file_.get(), kMaxModelFileBytes);
    fileBytes_ = told;
    // A file smaller than a chunk takes no more room than it needs (and a byte to find its end).
    buffer_.resize(told > 0 ? std::min(kChunkBytes, told + 1) : kChunkBytes);
    openedName_ = cp932Name;
    return true;
}

bool MqoLines::openModelFile(const std::string& fileName)
{
    return openFile(fileName) || openFile(modelFallbackPath(fileName));
}

std::size_t MqoLines::remaining() const
{
    const std::size_t unread = end_ - begin_;
    if (!file_)
        return unread;
    const std::size_t size = fileBytes_ > 0 ? fileBytes_ : kMaxModelFileBytes;
    const std::size_t handedOut = reads_.bytesRead() - unread;
    return std::max(unread, size > handedOut ? size - handedOut : 0);
}

// Moves the unread bytes to the front of the buffer and reads after them. Reads at most one
// byte past the cap: a file that reaches it is too large.
void MqoLines::refill()
{
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    end_ += reads_.read(buffer_.data() + end_, buffer_.size() - end_);
}

// Passes over the bytes up to and past the next line feed.
void MqoLines::skipPastLineFeed()
{
    for (;;) {
        const void* feed = std::memchr(buffer_.data() + begin_, '\n', end_ - begin_);
        if (feed != nullptr) {
            begin_ = static_cast<std::size_t>(static_cast<const char*>(feed) - buffer_.data()) + 1;
            return;
        }
        begin_ = end_;
        if (reads_.atEnd())
            return;
        refill();
    }
}

bool MqoLines::readLine(std::string_view& line)
{
    std::size_t scanned = 0;  // bytes from begin_ known to hold no line feed
    for (;;) {
        const char* rest = buffer_.data() + begin_;
        const std::size_t size = end_ - begin_;
        const void* feed = std::memchr(rest + scanned, '\n', size - scanned);
        if (feed != nullptr) {
            const auto length = static_cast<std::size_t>(static_cast<const char*>(feed) - rest);
            line = std::string_view(rest, length);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            line = line.substr(0, kMaxLineBytes);
            begin_ += length + 1;
            return true;
        }
        if (reads_.atEnd()) {
            if (size == 0)
                return false;
            line = std::string_view(rest, std::min(size, kMaxLineBytes));
            begin_ = end_;
            return true;
        }
        if (size > kMaxLineBytes) {
            // Only the line's start is handed out; the rest need not stay in memory.
            cut_.assign(rest, kMaxLineBytes);
            begin_ += kMaxLineBytes;
            skipPastLineFeed();
            line = cut_;
            return true;
        }
        scanned = size;
        refill();
    }
}

bool MqoLines::readContentLine(std::string_view& line)
{
    if (repeat_) {
        repeat_ = false;
        line = line_;
        return true;
    }
    std::string_view view;
    while (readLine(view)) {
        line_ = withoutLeadingWhiteSpace(view);
        if (!line_.empty()) {
            line = line_;
            return true;
        }
    }
    return false;
}

std::size_t MqoLines::readBytes(char* out, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const std::size_t take = std::min(count - done, end_ - begin_);
        if (out != nullptr)
            std::memcpy(out + done, buffer_.data() + begin_, take);
        begin_ += take;
        done += take;
        if (done == count || reads_.atEnd())
            break;
        refill();
    }
    return done;
}
