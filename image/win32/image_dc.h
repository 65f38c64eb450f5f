// ImageDc: hands a picture to GDI. For its lifetime the picture's DIB section is selected into
// a memory drawing context of its own, which GDI blits into and out of; when it ends, the
// displaced object goes back and the context is deleted.
#pragma once

#include <windows.h>

#include <optional>

#include "base/win32/gdi_handles.h"

class ImageBuffer;

class ImageDc {
public:
    // Moves a picture made elsewhere into a DIB section first, then makes a memory context
    // compatible with dc (null: with the screen) and selects the section into it.
    ImageDc(ImageBuffer& image, HDC compatibleWith);
    ImageDc(const ImageDc&) = delete;
    ImageDc& operator=(const ImageDc&) = delete;

    // The memory context; null when the picture is empty, can't be moved into a section, or no
    // context could be made.
    HDC get() const { return memory_ ? memory_->get() : nullptr; }

private:
    std::optional<MemoryDc> memory_;         // made only for a picture in a section
    std::optional<SelectedObject> section_;  // the section, selected into memory_
};
