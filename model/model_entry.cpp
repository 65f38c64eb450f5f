// ModelEntry's chain links and the model directory fallback.
#include "model/model_entry.h"

ModelEntry::~ModelEntry()
{
    if (prev != nullptr)
        prev->next = next;
    if (next != nullptr)
        next->prev = prev;
}

std::string modelFallbackPath(std::string_view fileName)
{
    // The base name is found byte by byte, not character by character: in code page 932 the
    // second byte of a double-byte character may be 0x5C, the byte of '\', and such a byte
    // counts as a separator too. Stored model names are split by this same byte-wise rule.
    size_t cut = fileName.rfind('\\');
    if (cut == std::string_view::npos)
        cut = fileName.rfind('/');
    const std::string_view base = cut == std::string_view::npos ? fileName : fileName.substr(cut + 1);
    std::string path(kModelDirectory);
    path.append(base.data(), base.size());
    return path;
}
