// Model names for files the system names in UTF-16, and the folder of the shown model.
#include "app/model_path.h"

#include "base/cp932.h"
#include "base/file_pattern.h"
#include "base/files.h"
#include "model/model_cache.h"

namespace {

// The code-page-932 form of text, when converting it back gives the same text.
std::optional<std::string> exactCp932(const std::u16string& text)
{
    std::string cp932 = utf16ToCp932(text);
    if (cp932ToUtf16(cp932) != text)
        return std::nullopt;
    return cp932;
}

}  // namespace

std::optional<std::string> cp932NameOf(const std::u16string& path, const ShortPathLookup& shortPath)
{
    if (auto name = exactCp932(path))
        return name;
    if (auto shortForm = shortPath(path))
        return exactCp932(*shortForm);
    return std::nullopt;
}

DroppedFile judgeDroppedFile(const std::u16string& path, const ShortPathLookup& shortPath)
{
    // The extension is ASCII, which every conversion keeps, so the '?' of a lossy one does
    // not matter here.
    if (modelFormatOf(utf16ToCp932(path)) == ModelFormat::unknown)
        return {DropVerdict::notAModel, {}};
    auto name = cp932NameOf(path, shortPath);
    if (!name)
        return {DropVerdict::unnamable, {}};
    return {DropVerdict::load, std::move(*name)};
}

std::string modelFolder(const std::string& modelFileName)
{
    const std::string found =
        openFile(modelFileName, "rb") ? modelFileName : modelFallbackPath(modelFileName);
    return found.substr(0, fileNameStart(found));
}
