// LineReader's line cutting and the loading of whole model files.
#include "model/line_reader.h"

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

}  // namespace

bool readWholeFile(const std::string& cp932Name, std::string& text)
{
    const std::unique_ptr<std::FILE, FileCloser> file(openFile(cp932Name, "rb"));
    if (!file)
        return false;
    text.clear();
    // Read in chunks rather than trusting a size from the file system: it is what arrives
    // that counts, and ftell's long is 32 bits on Windows.
    constexpr std::size_t kChunk = 1 << 16;
    try {
        for (;;) {
            const std::size_t had = text.size();
            if (kMaxModelFileBytes - had < kChunk) {
                text.clear();
                return false;
            }
            text.resize(had + kChunk);
            const std::size_t got = std::fread(text.data() + had, 1, kChunk, file.get());
            text.resize(had + got);
            if (got < kChunk)
                break;
        }
    } catch (const std::bad_alloc&) {
        text.clear();
        text.shrink_to_fit();
        return false;
    }
    if (std::ferror(file.get())) {
        text.clear();
        return false;
    }
    return true;
}

bool readModelFile(const std::string& fileName, std::string& text)
{
    return readWholeFile(fileName, text) || readWholeFile(modelFallbackPath(fileName), text);
}
