// PluginHost: the image-decoder plug-ins of a directory (the working directory, rescanned at
// every model load) and the decoding of one picture through them. The program has one host,
// constructed before the application starts; while it lives it is the decoder that
// ImageBuffer::load asks first.
#pragma once

#include <string>

#include "base/ptr_array.h"
#include "image/picture_decoder.h"
#include "image/win32/plugin_module.h"

class ImageBuffer;

class PluginHost final : public PictureDecoder {
public:
    // Bytes of the start of a file that IsSupported is shown.
    static constexpr size_t kProbeBytes = 2048;
    // Files larger than this are not handed to a plug-in.
    static constexpr size_t kMaxFileBytes = size_t{256} << 20;

    // Installs the host as the picture decoder (the one installed before is put back when the
    // host ends, if the host is still the installed one then).
    PluginHost();
    ~PluginHost() override;
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // clear, then scanDirectory; always true.
    bool reloadPlugins(const std::string& directory);

    // Loads every "*.spi" module of directory (code page 932; '\' is appended unless it is empty
    // or ends in a separator) in the order the system lists them; modules that fail to load
    // are dropped. False when nothing matches.
    bool scanDirectory(const std::string& directory);

    // Unloads and drops every module.
    void clear();

    // The first module with GetPicture whose IsSupported accepts the file, shown its first
    // 2,048 bytes (zero past the end of a shorter file); null when none does or the file can't
    // be opened.
    PluginModule* findDecoder(const std::string& path);

    // Decodes the file with the module findDecoder picks: the whole file goes to its
    // GetPicture in memory, and the returned picture is checked and installed in image (see
    // ImageBuffer::takeDecodedPicture). A failing GetPicture is not followed by another module.
    // Both returned memory handles are freed on every path. False, image empty, when no
    // picture resulted.
    bool loadWithPlugin(const std::string& path, ImageBuffer& image);

    bool decodePicture(const std::string& path, ImageBuffer& image) override
    {
        return loadWithPlugin(path, image);
    }

    const PtrArray<PluginModule>& modules() const { return modules_; }

private:
    PtrArray<PluginModule> modules_;  // loaded modules, in the order they were found
    PictureDecoder* previousDecoder_ = nullptr;
};
