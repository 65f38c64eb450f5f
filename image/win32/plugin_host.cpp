// The plug-in host: discovery, the choice of a decoder and decoding through GetPicture.
#include "image/win32/plugin_host.h"

#include <cstdio>
#include <span>

#include "base/cp932.h"
#include "base/files.h"
#include "image/image_buffer.h"

namespace {

// True when text ends in '\' or '/' as a character of its own, not as the second byte of a
// double-byte character.
bool endsWithSeparator(std::string_view text)
{
    size_t last = std::string_view::npos;
    for (size_t pos = 0; pos < text.size(); pos += cp932CharLength(text, pos))
        last = pos;
    return last != std::string_view::npos && cp932CharLength(text, last) == 1 &&
           (text[last] == '\\' || text[last] == '/');
}

// A zero-filled block from the process heap, given back on every path.
class HeapBlock {
public:
    explicit HeapBlock(size_t bytes) : block_(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes)) {}
    ~HeapBlock()
    {
        if (block_)
            HeapFree(GetProcessHeap(), 0, block_);
    }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    void* get() const { return block_; }

private:
    void* block_;
};

// A local-memory handle that a plug-in returned: locked for reading, then unlocked and freed
// on every path.
class LockedLocal {
public:
    explicit LockedLocal(HLOCAL handle) : handle_(handle), data_(handle ? LocalLock(handle) : nullptr) {}
    ~LockedLocal()
    {
        if (data_)
            LocalUnlock(handle_);
        if (handle_)
            LocalFree(handle_);
    }
    LockedLocal(const LockedLocal&) = delete;
    LockedLocal& operator=(const LockedLocal&) = delete;

    // The handle's bytes; empty when it could not be locked.
    std::span<const uint8_t> bytes() const
    {
        if (!data_)
            return {};
        return {static_cast<const uint8_t*>(data_), LocalSize(handle_)};
    }

private:
    HLOCAL handle_;
    void* data_;
};

}  // namespace

PluginHost::PluginHost() : previousDecoder_(installPictureDecoder(this))
{}

PluginHost::~PluginHost()
{
    clear();
    if (installedPictureDecoder() == this)
        installPictureDecoder(previousDecoder_);
}

bool PluginHost::reloadPlugins(const std::string& directory)
{
    clear();
    scanDirectory(directory);
    return true;
}

bool PluginHost::scanDirectory(const std::string& directory)
{
    std::string folder = directory;
    if (!folder.empty() && !endsWithSeparator(folder))
        folder += '\\';
    const std::vector<DirEntry> entries = listDirectory(folder + "*.spi");
    if (entries.empty())
        return false;
    for (const DirEntry& entry : entries) {
        if (entry.isDirectory)
            continue;
        PluginModule* module = modules_.append();
        if (!module)
            break;
        if (!module->load(folder + entry.name))
            modules_.remove(modules_.count() - 1);
    }
    return true;
}

void PluginHost::clear()
{
    modules_.clear();
}

PluginModule* PluginHost::findDecoder(const std::string& path)
{
    const HeapBlock probe(kProbeBytes);
    if (!probe.get())
        return nullptr;
    {
        const FileHandle file = openFile(path, "rb");
        if (!file)
            return nullptr;
        [[maybe_unused]] const size_t read = std::fread(probe.get(), 1, kProbeBytes, file.get());
    }
    for (int32_t i = 0; i < modules_.count(); ++i) {
        PluginModule& module = modules_[i];
        if (!module.GetPicture)
            continue;
        if (module.IsSupported(path.c_str(), reinterpret_cast<DWORD_PTR>(probe.get())) != 0)
            return &module;
    }
    return nullptr;
}

bool PluginHost::loadWithPlugin(const std::string& path, ImageBuffer& image)
{
    image.release();
    PluginModule* module = findDecoder(path);
    if (!module)
        return false;
    const FileHandle file = openFile(path, "rb");
    std::string contents;
    if (!file || !readWholeFile(file.get(), kMaxFileBytes, contents))
        return false;
    HLOCAL infoHandle = nullptr;
    HLOCAL bitsHandle = nullptr;
    const auto length = static_cast<LONG_PTR>(contents.size());
    if (module->GetPicture(contents.data(), length, 1, &infoHandle, &bitsHandle, nullptr, 0) != 0)
        return false;  // the handles are not the host's in that case
    // One handle returned for both is no picture, and is freed once.
    const LockedLocal info(infoHandle);
    const LockedLocal bits(bitsHandle != infoHandle ? bitsHandle : nullptr);
    return bitsHandle != infoHandle && image.takeDecodedPicture(info.bytes(), bits.bytes());
}
