// Reading whole files and file starts under a size cap, the same way on every platform.
#include "base/files.h"

#include <algorithm>
#include <new>

// ftell's long is 32 bits on Windows, but every cap is far below 2 GiB.
std::size_t fileSizeTold(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return 0;
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

namespace {

// Appends what the file holds from its position on, in chunks, until it ends or bytes holds
// limit bytes. expected (0: unknown) only reserves the memory, so that the text is not copied
// and touched anew each time it would otherwise grow; what arrives counts, not that size.
// False when a read fails or memory runs out.
bool readUpTo(std::FILE* file, std::size_t limit, std::size_t expected, std::string& bytes)
{
    constexpr std::size_t kChunk = 1 << 16;
    try {
        if (expected > 0)
            bytes.reserve(std::min(expected, limit));
        for (;;) {
            const std::size_t had = bytes.size();
            const std::size_t room = bytes.capacity() - had;
            const std::size_t want = std::min({room > 0 ? room : kChunk, kChunk, limit - had});
            if (want == 0)
                return true;
            bytes.resize(had + want);
            const std::size_t got = std::fread(bytes.data() + had, 1, want, file);
            bytes.resize(had + got);
            if (got < want)
                break;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return !std::ferror(file);
}

}  // namespace

bool readWholeFile(std::FILE* file, std::size_t maxBytes, std::string& bytes)
{
    bytes.clear();
    const std::size_t told = fileSizeTold(file);
    // One byte more than the size is reserved, so that the read that finds the end needs no
    // more room; one byte past the cap is read at most, since a file that reaches it is too large.
    if (told <= maxBytes && readUpTo(file, maxBytes + 1, told > 0 ? told + 1 : 0, bytes) &&
        bytes.size() <= maxBytes)
        return true;
    bytes.clear();
    bytes.shrink_to_fit();
    return false;
}

std::size_t CappedFileReads::read(char* into, std::size_t room)
{
    if (atEnd_)
        return 0;
    const uint64_t allowed = maxBytes_ + 1 - total_;
    const auto want = static_cast<std::size_t>(std::min<uint64_t>(room, allowed));
    const std::size_t got = std::fread(into, 1, want, file_);
    total_ += got;
    if (got < want || want == 0) {
        atEnd_ = true;
        intact_ = std::ferror(file_) == 0;
    }
    if (total_ > maxBytes_) {
        atEnd_ = true;
        intact_ = false;
    }
    return got;
}

std::string readFileStart(std::FILE* file, std::size_t maxBytes)
{
    std::string bytes;
    readUpTo(file, maxBytes, 0, bytes);
    return bytes;
}
