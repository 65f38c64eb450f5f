// LineReader's line cutting and the loading of whole model files.
#include "model/line_reader.h"

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
        line = withoutLeadingWhiteSpace(view);
        if (!line.empty())
            return true;
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

bool LineReader::openFile(const std::string& cp932Name)
{
    const FileHandle file = ::openFile(cp932Name, "rb");
    if (!file)
        return false;
    if (mapped_.map(file.get(), kMaxModelFileBytes)) {
        text_ = mapped_.bytes();
    } else {
        if (!readWholeFile(file.get(), kMaxModelFileBytes, owned_))
            return false;
        text_ = owned_;
    }
    openedName_ = cp932Name;
    return true;
}

bool LineReader::openModelFile(const std::string& fileName)
{
    pos_ = 0;
    text_ = {};
    mapped_.unmap();
    owned_.clear();
    openedName_.clear();
    return openFile(fileName) || openFile(modelFallbackPath(fileName));
}
