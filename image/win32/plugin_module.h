// PluginModule: one image-decoder plug-in (.spi), a DLL that follows the published plug-in
// interface. The host keeps the nine exports' addresses, calls three of them (GetPluginInfo,
// IsSupported, GetPicture, with WINAPI) and never the other six. Nothing a module returns is
// trusted: the host checks it before use (ImageBuffer::takeDecodedPicture).
#pragma once

#include <windows.h>

#include <string>

// The exports the host calls, with the published argument lists. On the 32-bit interface the
// LONG_PTR and DWORD_PTR arguments are the 32-bit long and DWORD of the original declarations.
using SpiProgressCallback = int(WINAPI*)(int num, int denom, LONG_PTR data);
using GetPluginInfoFn = int(WINAPI*)(int infoNo, LPSTR buffer, int bufferLength);
using IsSupportedFn = int(WINAPI*)(LPCSTR fileName, DWORD_PTR fileHead);
using GetPictureFn = int(WINAPI*)(LPCSTR buffer, LONG_PTR length, unsigned int flag, HLOCAL* info,
                                  HLOCAL* bits, SpiProgressCallback progress, LONG_PTR data);

class PluginModule {
public:
    // Bytes of the text buffer that GetPluginInfo fills.
    static constexpr int kInfoBufferBytes = 256;
    // GetPluginInfo entries asked for at most (pattern and description pairs), so that a module
    // that never answers 0 cannot hold the program.
    static constexpr int kMaxInfoPairs = 512;

    PluginModule() = default;
    PluginModule(PluginModule&& other) noexcept;
    PluginModule& operator=(PluginModule&& other) noexcept;
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;
    virtual ~PluginModule();

    // Loads the module at path (code page 932), looks up its exports in the order GetPluginInfo,
    // IsSupported, GetPicture, GetPictureInfo, GetPreview, ConfigurationDlg, GetArchiveInfo,
    // GetFileInfo, GetFile, and reads its information texts: GetPluginInfo(0), then for
    // n = 2, 4, ... while GetPluginInfo(n) is non-zero, GetPluginInfo(n + 1). False, unloaded,
    // when the module can't be loaded or lacks GetPluginInfo or IsSupported.
    bool load(const std::string& path);

    // Frees the module and forgets the exports.
    void unload();

    const std::string& path() const { return path_; }
    bool loaded() const { return module_ != nullptr; }

    // The exports, null where the module lacks one; the last six are never called.
    GetPluginInfoFn GetPluginInfo = nullptr;
    IsSupportedFn IsSupported = nullptr;
    FARPROC GetPictureInfo = nullptr;
    GetPictureFn GetPicture = nullptr;
    FARPROC GetPreview = nullptr;
    FARPROC ConfigurationDlg = nullptr;
    FARPROC GetArchiveInfo = nullptr;
    FARPROC GetFileInfo = nullptr;
    FARPROC GetFile = nullptr;

private:
    std::string path_;          // directory + file name the module was loaded from
    HMODULE module_ = nullptr;  // null when not loaded
};
