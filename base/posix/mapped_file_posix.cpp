// Native side of mapped_file.h: mmap of the open file's descriptor. (A file that another
// process shortens while it is mapped would fault on the pages it lost; the program's own
// files are not changed under it, and on Windows a mapped file cannot be shortened.)
#include "base/mapped_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

bool MappedFile::map(std::FILE* file, std::size_t maxBytes)
{
    unmap();
    struct stat status {};
    const int descriptor = fileno(file);
    if (descriptor < 0 || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<unsigned long long>(status.st_size) > maxBytes)
        return false;
    if (status.st_size == 0)
        return true;
    const auto size = static_cast<std::size_t>(status.st_size);
    void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (view == MAP_FAILED)
        return false;
    data_ = static_cast<const char*>(view);
    size_ = size;
    return true;
}

void MappedFile::unmap()
{
    if (data_ != nullptr)
        munmap(const_cast<char*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
}
