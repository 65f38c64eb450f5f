// Windows side of files.h: code-page-932 names become UTF-16 (with the program's own
// table, not the system's code page, so that a non-Japanese Windows finds the same files)
// for _wfopen, FindFirstFileW/FindNextFileW and the calls that replace a file.
#include "base/files.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <utility>

#include "base/cp932.h"
#include "base/file_pattern.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

std::wstring toWide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

// A find handle that is closed on every path out of the listing.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle(handle) {}
    ~FindHandle()
    {
        if (valid()) {
            FindClose(handle);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }

private:
    HANDLE handle;  // INVALID_HANDLE_VALUE when the search found nothing
};

// A file handle from CreateFileW, closed on every path out of the write.
class CreatedFile {
public:
    explicit CreatedFile(HANDLE handle) : handle(handle) {}
    ~CreatedFile() { close(); }
    CreatedFile(const CreatedFile&) = delete;
    CreatedFile& operator=(const CreatedFile&) = delete;

    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }
    // False when closing fails, the last chance for the system to report a lost write.
    bool close()
    {
        const bool closed = !valid() || CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle;  // INVALID_HANDLE_VALUE when the file could not be made, or once closed
};

// Writes every byte, in pieces that a DWORD can count; false when a write fails or takes
// nothing (a full disk).
bool writeAll(HANDLE file, std::span<const uint8_t> bytes)
{
    constexpr std::size_t kMaxPiece = 1u << 30;
    while (!bytes.empty()) {
        const auto piece = static_cast<DWORD>(std::min(bytes.size(), kMaxPiece));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) {
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

// The bytes in a new file of that name, on the disk when this returns true. No sharing:
// another process writing the same temporary file at once makes this fail instead of mixing.
bool writeDurably(const std::wstring& name, std::span<const uint8_t> bytes)
{
    CreatedFile file(
        CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    const bool written = writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
    return file.close() && written;
}

// cFileName is zero-terminated within its MAX_PATH units; the bound holds even if it were not.
std::string entryName(const WIN32_FIND_DATAW& data)
{
    const std::size_t length = wcsnlen(data.cFileName, MAX_PATH);
    std::u16string name(data.cFileName, data.cFileName + length);
    return utf16ToCp932(name);
}

}  // namespace

FileHandle openFile(const std::string& cp932Name, const char* mode)
{
    if (cp932Name.find('\0') != std::string::npos) {
        return nullptr;
    }
    const std::wstring name = toWide(cp932ToUtf16(cp932Name));
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));  // ASCII
    return FileHandle(_wfopen(name.c_str(), wideMode.c_str()));
}

bool writeFileAtomically(const std::string& cp932Name, std::span<const uint8_t> bytes)
{
    if (cp932Name.find('\0') != std::string::npos) {
        return false;
    }
    const std::wstring name = toWide(cp932ToUtf16(cp932Name));
    const std::wstring temporary = toWide(cp932ToUtf16(cp932Name + kTemporaryFileSuffix));
    // MOVEFILE_WRITE_THROUGH: the call returns only once the move is on the disk.
    // MOVEFILE_REPLACE_EXISTING also serves when there is no file to replace yet.
    if (writeDurably(temporary, bytes) &&
        MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(temporary.c_str());  // never a directory that held the name before
    return false;
}

std::vector<DirEntry> listDirectory(const std::string& cp932Pattern)
{
    if (cp932Pattern.find('\0') != std::string::npos) {
        return {};
    }
    const std::wstring pattern = toWide(cp932ToUtf16(cp932Pattern));
    const std::string_view namePattern = std::string_view(cp932Pattern).substr(fileNameStart(cp932Pattern));
    WIN32_FIND_DATAW data{};
    const FindHandle find(FindFirstFileW(pattern.c_str(), &data));
    std::vector<DirEntry> entries;
    if (!find.valid()) {
        return entries;
    }
    do {
        // Windows also matches the short 8.3 names, so "*.mqo" finds "old.mqo2" (as OLD~1.MQO);
        // only names that match as they are written are listed, as on the native side.
        std::string name = entryName(data);
        if (matchesFilePattern(name, namePattern)) {
            entries.push_back({std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        }
    } while (entries.size() < kMaxListedEntries && FindNextFileW(find.get(), &data));
    return entries;
}
