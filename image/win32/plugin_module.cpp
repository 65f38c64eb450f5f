// Loading and unloading one decoder plug-in.
#include "image/win32/plugin_module.h"

#include <string>
#include <utility>

#include "base/cp932.h"
#include "base/win32/system_library.h"

namespace {

// Loads the module at path (UTF-16) by its full path, so that the process's search, limited to
// the system folder, does not refuse it; the DLLs the module imports are looked for beside it
// and in the system folder. Systems without those search flags refuse them as an invalid
// parameter and load it with their usual search for its imports.
HMODULE loadModule(const std::u16string& path)
{
    const auto* name = reinterpret_cast<const wchar_t*>(path.c_str());
    const DWORD length = GetFullPathNameW(name, 0, nullptr, nullptr);
    if (length == 0)
        return nullptr;
    std::wstring fullPath(length, L'\0');
    const DWORD written = GetFullPathNameW(name, length, fullPath.data(), nullptr);
    if (written == 0 || written >= length)
        return nullptr;
    fullPath.resize(written);
    const HMODULE module = LoadLibraryExW(fullPath.c_str(), nullptr,
                                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    return LoadLibraryW(fullPath.c_str());
}

}  // namespace

PluginModule::PluginModule(PluginModule&& other) noexcept
{
    *this = std::move(other);
}

PluginModule& PluginModule::operator=(PluginModule&& other) noexcept
{
    if (this != &other) {
        unload();
        GetPluginInfo = std::exchange(other.GetPluginInfo, nullptr);
        IsSupported = std::exchange(other.IsSupported, nullptr);
        GetPictureInfo = std::exchange(other.GetPictureInfo, nullptr);
        GetPicture = std::exchange(other.GetPicture, nullptr);
        GetPreview = std::exchange(other.GetPreview, nullptr);
        ConfigurationDlg = std::exchange(other.ConfigurationDlg, nullptr);
        GetArchiveInfo = std::exchange(other.GetArchiveInfo, nullptr);
        GetFileInfo = std::exchange(other.GetFileInfo, nullptr);
        GetFile = std::exchange(other.GetFile, nullptr);
        path_ = std::move(other.path_);
        module_ = std::exchange(other.module_, nullptr);
    }
    return *this;
}

PluginModule::~PluginModule()
{
    unload();
}

bool PluginModule::load(const std::string& path)
{
    unload();
    path_ = path;
    // A file that is no module must fail quietly, without the system's error box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_ = loadModule(cp932ToUtf16(path));
    SetErrorMode(previousMode);
    if (!module_)
        return false;
    GetPluginInfo = procAddress<GetPluginInfoFn>(module_, "GetPluginInfo");
    IsSupported = procAddress<IsSupportedFn>(module_, "IsSupported");
    GetPicture = procAddress<GetPictureFn>(module_, "GetPicture");
    GetPictureInfo = GetProcAddress(module_, "GetPictureInfo");
    GetPreview = GetProcAddress(module_, "GetPreview");
    ConfigurationDlg = GetProcAddress(module_, "ConfigurationDlg");
    GetArchiveInfo = GetProcAddress(module_, "GetArchiveInfo");
    GetFileInfo = GetProcAddress(module_, "GetFileInfo");
    GetFile = GetProcAddress(module_, "GetFile");
    if (!GetPluginInfo || !IsSupported) {
        unload();
        return false;
    }
    // The texts (interface version, then pattern and description pairs) are asked for as the
    // interface expects, and not used.
    char text[kInfoBufferBytes];
    GetPluginInfo(0, text, kInfoBufferBytes);
    for (int n = 2; n < 2 * (kMaxInfoPairs + 1) && GetPluginInfo(n, text, kInfoBufferBytes) != 0; n += 2)
        GetPluginInfo(n + 1, text, kInfoBufferBytes);
    return true;
}

void PluginModule::unload()
{
    if (module_)
        FreeLibrary(module_);
    module_ = nullptr;
    GetPluginInfo = nullptr;
    IsSupported = nullptr;
    GetPictureInfo = nullptr;
    GetPicture = nullptr;
    GetPreview = nullptr;
    ConfigurationDlg = nullptr;
    GetArchiveInfo = nullptr;
    GetFileInfo = nullptr;
    GetFile = nullptr;
}
