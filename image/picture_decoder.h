// The decoders that pictures are offered to before the built-in BMP reader. On Windows the
// plug-in host (image/win32/plugin_host.h) installs itself here; natively there is none, and
// tests install fakes.
#pragma once

#include <string>

class ImageBuffer;

class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;

    // Decodes the file at path (code page 932) into image. True when a decoder produced a
    // picture; otherwise false, and image holds no picture.
    virtual bool decodePicture(const std::string& path, ImageBuffer& image) = 0;
};

// The decoder that ImageBuffer::loadWithPlugin asks; null when none is installed.
PictureDecoder* installedPictureDecoder();

// Installs decoder (null: none) and returns the one installed before, so that the caller can
// put it back.
PictureDecoder* installPictureDecoder(PictureDecoder* decoder);
