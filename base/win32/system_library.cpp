// The process's DLL search and the loading of system DLLs (see system_library.h).
#include "base/win32/system_library.h"

#include <string>

bool restrictDllSearchToSystem()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD flags);
    // kernel32 is always loaded; GetModuleHandle takes no reference that would need giving back.
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories =
        kernel32 ? procAddress<SetDefaultDllDirectoriesFn>(kernel32, "SetDefaultDllDirectories") : nullptr;
    return setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE loadSystemLibrary(const wchar_t* name)
{
    const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags refuse them as an invalid parameter: there the full path
    // into the system folder keeps every other folder out of the search.
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryW(path.c_str());
}
