// Windows side of mapped_file.h: a read-only file-mapping view of the open file. The view
// keeps the mapping alive, so the mapping handle is closed as soon as the view exists.
#include "base/mapped_file.h"

#include <windows.h>

#include <io.h>

bool MappedFile::map(std::FILE* file, std::size_t maxBytes)
{
    unmap();
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileSizeEx(handle, &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return false;
    if (size.QuadPart == 0)
        return true;  // no mapping of an empty file can be made
    HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr)
        return false;
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(mapping);
    if (view == nullptr)
        return false;
    data_ = static_cast<const char*>(view);
    size_ = static_cast<std::size_t>(size.QuadPart);
    return true;
}

void MappedFile::unmap()
{
    if (data_ != nullptr)
        UnmapViewOfFile(data_);
    data_ = nullptr;
    size_ = 0;
}
