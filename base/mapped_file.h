// MappedFile: the bytes of a file mapped into memory, read-only, so that a large model file is
// read without being copied: the pages come from the system's file cache as they are read.
// The mapping is made from a file that openFile (files.h) opened, and stays valid after that
// file is closed. Windows (win32/mapped_file_win32.cpp): a file-mapping view; natively
// (posix/mapped_file_posix.cpp): mmap.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { unmap(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the whole of an open file. False, leaving the object empty, when the file is larger
    // than maxBytes or the system cannot map it (a pipe, say); an empty file maps as no bytes.
    bool map(std::FILE* file, std::size_t maxBytes);

    // The file's bytes; empty before map, after an empty file and after unmap.
    std::string_view bytes() const { return std::string_view(data_, size_); }

    void unmap();

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};
