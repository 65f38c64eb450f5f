// ImageDc: a picture's DIB section in a memory drawing context for a scope.
#include "image/win32/image_dc.h"

#include "image/image_buffer.h"
#include "image/win32/dib_section_storage.h"

ImageDc::ImageDc(ImageBuffer& image, HDC compatibleWith)
{
    if (image.empty() || !image.moveToStorage(dibSectionStorage()))
        return;
    memory_.emplace(compatibleWith);
    section_.emplace(memory_->get(), bitmapHandle(image));
}
