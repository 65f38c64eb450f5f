// The harnesses' scratch file.
#include "tests/fuzz/scratch_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

ScratchFile::ScratchFile(const std::string& extension)
{
    std::random_device seed;
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    path_ = (dir / ("vellarn-fuzz-" + std::to_string(seed()) + extension)).string();
}

ScratchFile::~ScratchFile()
{
    std::remove(path_.c_str());
}

const std::string& ScratchFile::write(const uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::perror(path_.c_str());
        std::abort();  // without the file the run would test nothing
    }
    return path_;
}
