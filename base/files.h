// Opening, replacing and listing files by code-page-932 names: the one place where the
// program's names meet the system's. On Windows (win32/files_win32.cpp) names become UTF-16
// for the wide-character calls, so that every Windows locale finds the same files; natively
// (posix/files_posix.cpp) they become UTF-8 paths with '/' for each '\' separator.
//
// Both sides take '\' and '/' as separators; a second byte 0x5C of a double-byte character
// is never one. Letter case: Windows' file systems ignore it; natively a name that is not
// found as written is looked for among the entries that differ only in ASCII letter case,
// since the program lower-cases names before it opens them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct DirEntry {
    std::string name;          // code page 932, the file name without its directory
    bool isDirectory = false;  // a subdirectory (also "." and ".."), not a file
};

// A listing stops after this many entries, whatever the directory holds.
constexpr std::size_t kMaxListedEntries = 65536;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
// An open file, closed when the handle goes: every file the program opens is held this way.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The C library's fopen with the name converted; null when the file cannot be opened, and
// for a name holding a NUL byte (no file has such a name).
FileHandle openFile(const std::string& cp932Name, const char* mode);

// Replaces the named file with bytes, or creates it, so that a crash, a full disk or a power
// cut never leaves a cut-off file: the bytes go whole to a temporary file beside it (the
// name with kTemporaryFileSuffix, in the same folder so that the move stays on one volume),
// are flushed to the disk, and only then is the temporary file moved over the named one.
// False when any step fails; the named file is then as it was and the temporary file is
// gone (unless something other than a file already held its name).
bool writeFileAtomically(const std::string& cp932Name, std::span<const uint8_t> bytes);

// What writeFileAtomically adds to a name for its temporary file. A fixed name, so that the
// file a crash leaves behind is reused by the next write instead of piling up.
inline constexpr char kTemporaryFileSuffix[] = ".tmp";

// The file's size as the file system tells it; 0 when it cannot say (a pipe, say). The read
// position is at the file's start afterwards.
std::size_t fileSizeTold(std::FILE* file);

// The whole file from its start, as raw bytes (no newline translation), into bytes. False,
// with bytes empty, when a read fails, memory runs out, or the file is larger than maxBytes:
// by the size the system tells (refused before anything is read) or by what arrives.
bool readWholeFile(std::FILE* file, std::size_t maxBytes, std::string& bytes);

// At most maxBytes bytes from the file's current position: fewer where the file ends or a
// read fails first.
std::string readFileStart(std::FILE* file, std::size_t maxBytes);

// A file read piece by piece up to a cap, for the readers that never hold a model file whole.
// At most one byte past the cap is read: a file that reaches it is too large. A failed read,
// or a file that proves too large, ends the reading and leaves it not intact. Without a file
// it is at its end from the start.
class CappedFileReads {
public:
    CappedFileReads() = default;
    CappedFileReads(std::FILE* file, uint64_t maxBytes) : file_(file), maxBytes_(maxBytes), atEnd_(false) {}

    // Reads up to room bytes into `into`; the number read.
    std::size_t read(char* into, std::size_t room);

    uint64_t bytesRead() const { return total_; }
    uint64_t cap() const { return maxBytes_; }
    bool atEnd() const { return atEnd_; }
    bool intact() const { return intact_; }

private:
    std::FILE* file_ = nullptr;
    uint64_t maxBytes_ = 0;
    uint64_t total_ = 0;
    bool atEnd_ = true;
    bool intact_ = true;
};

// The entries of a directory matching a pattern of the form "*.ext" or "dir\*.ext" (see
// file_pattern.h for the wildcard rules), in the order the system lists them: Windows'
// own order there, sorted by name natively ("." and ".." first) so that results are stable.
// Names are matched as written: an entry Windows finds only through its short 8.3 name
// ("old.mqo2" as OLD~1.MQO for "*.mqo") is left out. Empty when the directory cannot be
// read or nothing matches.
std::vector<DirEntry> listDirectory(const std::string& cp932Pattern);
