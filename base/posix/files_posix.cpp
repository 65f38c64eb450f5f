// Native side of files.h (POSIX): code-page-932 names become UTF-8 paths, directories are
// read with opendir/readdir, files are replaced with write, fsync and rename. Not built for
// Windows, where win32/files_win32.cpp stands in.
#include "base/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>
#include <utility>

#include "base/cp932.h"
#include "base/file_pattern.h"

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// The name as a UTF-8 path. Converting first turns every double-byte character into a UTF-8
// sequence, which never holds 0x5C, so only real separators are left to replace.
std::string nativePath(std::string_view cp932Name)
{
    std::string path = cp932ToUtf8(cp932Name);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

DirHandle openDirectory(const std::string& path)
{
    return DirHandle(opendir(path.empty() ? "." : path.c_str()));
}

// The entry of a directory ("" for the working directory) whose name differs from the given
// one only in ASCII letter case; the first in byte order when there are several, "" if none.
std::string findIgnoringCase(const std::string& directory, std::string_view name)
{
    const DirHandle dir = openDirectory(directory);
    std::string found;
    while (const dirent* entry = dir ? readdir(dir.get()) : nullptr) {
        const std::string_view candidate = entry->d_name;
        if (equalsIgnoringAsciiCase(candidate, name) && (found.empty() || candidate < found)) {
            found = candidate;
        }
    }
    return found;
}

bool exists(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// The path with each component that does not exist as written replaced by an entry that
// differs from it only in letter case, as Windows would find it. The first component found
// neither way is kept as written, with the rest (a file about to be made, or nothing).
std::string resolveLetterCase(const std::string& path)
{
    std::string resolved = path.starts_with('/') ? "/" : "";
    std::size_t pos = resolved.size();
    for (;;) {
        const std::size_t end = std::min(path.find('/', pos), path.size());
        const std::string_view component = std::string_view(path).substr(pos, end - pos);
        std::string next = resolved + std::string(component);
        if (!component.empty() && component != "." && component != ".." && !exists(next)) {
            const std::string match = findIgnoringCase(resolved, component);
            if (match.empty()) {
                return resolved + path.substr(pos);
            }
            next = resolved + match;
        }
        if (end == path.size()) {
            return next;
        }
        resolved = next + '/';
        pos = end + 1;
    }
}

bool isDirectoryPath(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isDirectoryEntry(const std::string& directory, const dirent& entry)
{
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) {
        return false;
    }
    return isDirectoryPath((directory.empty() ? "./" : directory) + entry.d_name);
}

// "." and ".." first, as Windows lists them, then by code-page-932 bytes; the native name
// breaks ties between names that became the same (both with '?' in place of something).
void sortEntries(std::vector<std::pair<DirEntry, std::string>>& found)
{
    const auto rank = [](const std::string& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
    std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) {
        const int rankA = rank(a.first.name);
        const int rankB = rank(b.first.name);
        if (rankA != rankB) {
            return rankA < rankB;
        }
        return a.first.name != b.first.name ? a.first.name < b.first.name : a.second < b.second;
    });
}

// Writes every byte, going on after a write that took only part of them; false when a write
// fails or takes nothing (a full disk).
bool writeAll(int fd, std::span<const uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The bytes in a new file of that path, on the disk when this returns true.
bool writeDurably(const std::string& path, std::span<const uint8_t> bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, bytes) && fsync(fd) == 0;
    return close(fd) == 0 && written;
}

}  // namespace

FileHandle openFile(const std::string& cp932Name, const char* mode)
{
    if (cp932Name.find('\0') != std::string::npos) {
        return nullptr;
    }
    const std::string path = nativePath(cp932Name);
    FileHandle file(std::fopen(path.c_str(), mode));
    if (!file && errno == ENOENT) {
        const std::string resolved = resolveLetterCase(path);
        if (resolved != path) {
            file.reset(std::fopen(resolved.c_str(), mode));
        }
    }
    // Here fopen opens a directory for reading; Windows refuses, and so does the program.
    struct stat status {};
    if (file && (fstat(fileno(file.get()), &status) != 0 || S_ISDIR(status.st_mode))) {
        return nullptr;
    }
    return file;
}

bool writeFileAtomically(const std::string& cp932Name, std::span<const uint8_t> bytes)
{
    if (cp932Name.find('\0') != std::string::npos) {
        return false;
    }
    // An existing file whose name differs only in letter case is the one replaced, as on Windows.
    const std::string path = resolveLetterCase(nativePath(cp932Name));
    const std::string temporary = path + kTemporaryFileSuffix;
    if (writeDurably(temporary, bytes) && std::rename(temporary.c_str(), path.c_str()) == 0) {
        return true;
    }
    unlink(temporary.c_str());  // never a directory that held the name before
    return false;
}

std::vector<DirEntry> listDirectory(const std::string& cp932Pattern)
{
    const std::size_t nameStart = fileNameStart(cp932Pattern);
    const std::string_view pattern = std::string_view(cp932Pattern).substr(nameStart);
    if (pattern.empty() || cp932Pattern.find('\0') != std::string::npos) {
        return {};
    }
    std::string directory = nativePath(cp932Pattern.substr(0, nameStart));  // "" or ends in '/'
    DirHandle dir = openDirectory(directory);
    if (!dir && errno == ENOENT) {
        directory = resolveLetterCase(directory);
        dir = openDirectory(directory);
    }
    std::vector<std::pair<DirEntry, std::string>> found;
    while (const dirent* entry = dir ? readdir(dir.get()) : nullptr) {
        std::string name = utf8ToCp932(entry->d_name);
        if (matchesFilePattern(name, pattern)) {
            found.push_back({DirEntry{std::move(name), isDirectoryEntry(directory, *entry)}, entry->d_name});
            if (found.size() == kMaxListedEntries) {
                break;
            }
        }
    }
    sortEntries(found);
    std::vector<DirEntry> entries;
    entries.reserve(found.size());
    for (auto& item : found) {
        entries.push_back(std::move(item.first));
    }
    return entries;
}
