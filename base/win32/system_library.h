// Loading DLLs only from where they belong. The program is often unpacked into a folder full of
// other downloads, and a DLL of a system name there (or in the working directory) would run with
// the user's rights if Windows searched those folders: so the process searches the system folder
// only, and the DLLs the exe does not import are loaded from the system folder by full path where
// the system can't be told so. Plug-ins load themselves (PluginModule).
#pragma once

#include <windows.h>

#include <cstring>

// Makes the system folder the only place the process's later DLL loads search
// (SetDefaultDllDirectories, looked up in kernel32 because Windows 7 and older without the 2011
// loader update lack it). False, changing nothing, where it is missing or refuses.
bool restrictDllSearchToSystem();

// Loads name (a DLL's file name, e.g. L"ddraw.dll") from the system folder and nowhere else; null
// when it is not there or can't be loaded. The callers never free it: what they look up in it
// serves until the process ends.
HMODULE loadSystemLibrary(const wchar_t* name);

// A function's address in module as the function type it has; null when the module lacks it.
template <typename Function>
Function procAddress(HMODULE module, const char* name)
{
    const FARPROC address = GetProcAddress(module, name);
    Function function;
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return function;
}
