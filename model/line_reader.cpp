// LineReader's line cutting and the loading of whole model files.
#include "model/line_reader.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "base/files.h"
#include "model/model_entry.h"

bool LineReader::readLine(std::string_view& line)
{
    if (pos_ >= text_.size())
        return false;
    const std::string_view rest = std::string_view(text_).substr(pos_);
    const std::size_t feed = rest.find('\n');
    if (feed == std::string_view::npos) {
        line = rest.substr(0, kMaxLineBytes);
        pos_ = text_.size();
        return true;
    }
    line = rest.substr(0, feed);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.size() > kMaxLineBytes)
        line = line.substr(0, kMaxLineBytes);
    pos_ += feed + 1;
    return true;
}

bool LineReader::readLine(std::string& line)
{
    std::string_view view;
    if (!readLine(view))
        return false;
    line.assign(view.data(), view.size());
    return true;
}

bool LineReader::readContentLine(std::string_view& line)
{
    std::string_view view;
    while (readLine(view)) {
        std::size_t start = 0;
        while (start < view.size() && isTextWhiteSpace(view[start]))
            ++start;
        if (start < view.size()) {
            line = view.substr(start);
            return true;
        }
    }
    return false;
}

bool LineReader::readContentLine(std::string& line)
{
    std::string_view view;
    if (!readContentLine(view))
        return false;
    line.assign(view.data(), view.size());
    return true;
}

bool LineReader::readBytes(std::size_t count, std::string_view& bytes)
{
    if (count > remaining())
        return false;
    bytes = std::string_view(text_).substr(pos_, count);
    pos_ += count;
    return true;
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The file's size as the file system gives it; 0 when it cannot say (ftell's long is 32 bits
// on Windows, but the limit is far below 2 GiB). The position is back at the start afterwards.
std::size_t sizeTold(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return 0;
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

// Reads the whole file as raw bytes (no newline translation) into text; false when it cannot
// be read or is larger than kMaxModelFileBytes.
bool readWholeFile(std::FILE* file, std::string& text)
{
    text.clear();
    // A file that says it is too large is refused at once. Otherwise what arrives counts, not
    // the size the file system tells: the text is read in chunks up to the end of the file.
    // The size only reserves the memory, so that the text is not copied and touched anew each
    // time it would otherwise grow. One byte more than the size is reserved, so that the read
    // that finds the end needs no more room.
    const std::size_t told = sizeTold(file);
    if (told > kMaxModelFileBytes)
        return false;
    constexpr std::size_t kChunk = 1 << 16;
    try {
        if (told > 0)
            text.reserve(told + 1);
        for (;;) {
            const std::size_t had = text.size();
            const std::size_t room = text.capacity() - had;
            // Never more than one byte past the limit: a file that reaches it is too large.
            const std::size_t want = std::min({room > 0 ? room : kChunk, kChunk, kMaxModelFileBytes + 1 - had});
            text.resize(had + want);
            const std::size_t got = std::fread(text.data() + had, 1, want, file);
            text.resize(had + got);
            if (text.size() > kMaxModelFileBytes) {
                text.clear();
                return false;
            }
            if (got < want)
                break;
        }
    } catch (const std::bad_alloc&) {
        text.clear();
        text.shrink_to_fit();
        return false;
    }
    if (std::ferror(file)) {
        text.clear();
        return false;
    }
    return true;
}

}  // namespace

bool LineReader::openFile(const std::string& cp932Name)
{
    const std::unique_ptr<std::FILE, FileCloser> file(::openFile(cp932Name, "rb"));
    if (!file)
        return false;
    if (mapped_.map(file.get(), kMaxModelFileBytes)) {
        text_ = mapped_.bytes();
        return true;
    }
    if (!readWholeFile(file.get(), owned_))
        return false;
    text_ = owned_;
    return true;
}

bool LineReader::openModelFile(const std::string& fileName)
{
    pos_ = 0;
    text_ = {};
    mapped_.unmap();
    owned_.clear();
    return openFile(fileName) || openFile(modelFallbackPath(fileName));
}
