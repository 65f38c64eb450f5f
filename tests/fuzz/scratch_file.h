// ScratchFile: the one file through which a harness hands its input to a reader that takes a
// file name. One per process, in the system's temporary directory, named with the extension
// that picks the reader; removed when the process ends normally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ScratchFile {
public:
    explicit ScratchFile(const std::string& extension);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the file's contents with the bytes and returns its name.
    const std::string& write(const uint8_t* data, std::size_t size);

private:
    std::string path_;
};
