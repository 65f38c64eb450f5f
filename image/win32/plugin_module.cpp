// Loading and unloading one decoder plug-in.
#include "image/win32/plugin_module.h"

#include <cstring>
#include <utility>

#include "base/cp932.h"

namespace {

// An export's address as the function type it has; null when the module lacks it.
template <typename Function>
Function exportOf(HMODULE module, const char* name)
{
    const FARPROC address = GetProcAddress(module, name);
    Function function;
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return function;
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
    const std::u16string wide = cp932ToUtf16(path);
    // A file that is no module must fail quietly, without the system's error box.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_ = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
    SetErrorMode(previousMode);
    if (!module_)
        return false;
    GetPluginInfo = exportOf<GetPluginInfoFn>(module_, "GetPluginInfo");
    IsSupported = exportOf<IsSupportedFn>(module_, "IsSupported");
    GetPicture = exportOf<GetPictureFn>(module_, "GetPicture");
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
