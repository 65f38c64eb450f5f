// vellarn_drop.exe: the program with a second thread that drops files on the glasses the way
// the shell does, for the end-to-end test of dropping (no X tool can drop on a Wine window).
// Each line of standard input, in UTF-8, is one drop: the Windows paths of its files,
// separated by '|'. The drop is a DROPFILES block in movable global memory of this process,
// posted with WM_DROPFILES to the window that accepts files; the window lets go of it.
#include <windows.h>
// After windows.h, which it builds on.
#include <shlobj.h>

#include <cstring>
#include <string>

#include "app/win32/program.h"

namespace {

BOOL CALLBACK findDropTarget(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND dropTarget()
{
    HWND found = nullptr;
    EnumWindows(findDropTarget, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The paths of one drop, each ended by a NUL, from a line of '|'-separated UTF-8 paths.
std::wstring dropPaths(const std::string& line)
{
    std::wstring paths(line.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                           paths.data(), static_cast<int>(paths.size()));
    paths.resize(static_cast<size_t>(length));
    for (wchar_t& c : paths)
        if (c == L'|')
            c = L'\0';
    return paths + L'\0';
}

// The block the shell hands over: the header, then the paths and a NUL after the last.
HGLOBAL dropBlock(const std::wstring& paths)
{
    const size_t pathBytes = (paths.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + pathBytes);
    if (!block)
        return nullptr;
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(header + 1, paths.c_str(), pathBytes);
    GlobalUnlock(block);
    return block;
}

void drop(const std::string& line)
{
    HWND target = dropTarget();
    HGLOBAL block = dropBlock(dropPaths(line));
    if (!target || !block || !PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0))
        GlobalFree(block);
}

DWORD WINAPI dropLines(void*)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string line;
    char c;
    DWORD read = 0;
    while (ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        drop(line);
        line.clear();
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    CloseHandle(CreateThread(nullptr, 0, dropLines, nullptr, 0, nullptr));
    return runProgram(instance, true);
}
