// The open-file dialog for model files and files dropped on the glasses.
#include "app/win32/model_opening.h"

#include <commdlg.h>

#include "app/model_path.h"
#include "app/win32/interface_resources.h"
#include "base/cp932.h"
#include "resources/resource_ids.h"

namespace {

constexpr DWORD kFileNameChars = 260;  // the dialog's file-name buffer, as the program always had it

std::wstring toWide(const std::u16string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::u16string fromWide(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}

std::optional<std::u16string> shortPathOf(const std::u16string& path)
{
    const std::wstring longPath = toWide(path);
    const DWORD size = GetShortPathNameW(longPath.c_str(), nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring shortPath(size, L'\0');
    const DWORD length = GetShortPathNameW(longPath.c_str(), shortPath.data(), size);
    if (length == 0 || length >= size)
        return std::nullopt;
    shortPath.resize(length);
    return fromWide(shortPath);
}

// The message refusing a file: its path, a line break, the reason.
void refuse(HWND owner, const std::u16string& path, UINT reason)
{
    const std::wstring text = toWide(path) + L"\r" + loadInterfaceText(GetModuleHandleW(nullptr), reason);
    MessageBoxW(owner, text.c_str(), nullptr, MB_OK);
}

std::wstring currentDirectory()
{
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring directory(size, L'\0');
    const DWORD length = GetCurrentDirectoryW(size, directory.data());
    directory.resize(length < size ? length : 0);
    return directory;
}

// The full path of a folder relative to the working directory; empty when it has none.
std::wstring fullFolderPath(const std::string& cp932Folder)
{
    const std::wstring folder = toWide(cp932ToUtf16(cp932Folder.empty() ? "." : cp932Folder));
    const DWORD size = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(folder.c_str(), size, full.data(), nullptr);
    full.resize(length < size ? length : 0);
    return full;
}

// The dialog's filter: description and pattern pairs, each ended by a NUL, and a NUL after
// the last pair. The string table keeps '|' in place of the NULs.
std::wstring dialogFilter()
{
    std::wstring filter = loadInterfaceText(GetModuleHandleW(nullptr), IDS_MODEL_FILTER);
    for (wchar_t& c : filter)
        if (c == L'|')
            c = L'\0';
    return filter;
}

// The path the user chose, or nothing when the dialog was cancelled.
std::optional<std::u16string> runOpenDialog(HWND owner, const std::wstring& filter,
                                            const std::wstring& initialFolder)
{
    wchar_t file[kFileNameChars] = {};
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = kFileNameChars;
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.Flags = OFN_EXPLORER;
    // The dialog leaves the chosen file's folder as the working directory, where the program
    // keeps its settings file and finds its model list and plug-ins: the old one comes back.
    const std::wstring workingDirectory = currentDirectory();
    const BOOL chosen = GetOpenFileNameW(&dialog);
    SetCurrentDirectoryW(workingDirectory.c_str());
    if (!chosen)
        return std::nullopt;
    return std::u16string(reinterpret_cast<const char16_t*>(file));
}

std::u16string firstDroppedFile(HDROP drop)
{
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring path(length + 1, L'\0');
    if (DragQueryFileW(drop, 0, path.data(), length + 1) != length)
        return {};
    path.resize(length);
    return fromWide(path);
}

}  // namespace

bool askForModelFile(HWND owner, const std::optional<std::string>& startFolder, std::string& chosen)
{
    const std::wstring filter = dialogFilter();
    const std::wstring initialFolder = startFolder ? fullFolderPath(*startFolder) : std::wstring();
    for (;;) {
        const std::optional<std::u16string> path = runOpenDialog(owner, filter, initialFolder);
        if (!path)
            return false;
        if (std::optional<std::string> name = cp932NameOf(*path, shortPathOf)) {
            chosen = *name;
            return true;
        }
        refuse(owner, *path, IDS_UNNAMABLE_FILE);
    }
}

bool modelFromDrop(HWND owner, HDROP drop, std::string& name)
{
    const std::u16string path = firstDroppedFile(drop);
    DragFinish(drop);
    if (path.empty())
        return false;
    DroppedFile dropped = judgeDroppedFile(path, shortPathOf);
    if (dropped.verdict == DropVerdict::load) {
        name = std::move(dropped.name);
        return true;
    }
    refuse(owner, path, dropped.verdict == DropVerdict::notAModel ? IDS_NOT_A_MODEL : IDS_UNNAMABLE_FILE);
    return false;
}
