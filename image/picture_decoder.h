// The decoders that pictures are offered to besides the built-in readers: the plug-ins, asked
// before the BMP reader (on Windows the plug-in host, image/win32/plugin_host.h, installs
// itself), and the system's decoder of PNG, JPEG, GIF and TIFF, asked last (on Windows the
// imaging component, image/win32/wic_picture_decoder.h). Natively there are none, and tests
// install fakes.
#pragma once

#include <cstdint>
#include <span>
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

class SystemPictureDecoder {
public:
    virtual ~SystemPictureDecoder() = default;

    // Decodes a whole file's bytes into image as a 32-bit picture whose fourth byte is the
    // file's alpha (not multiplied into the colours; 255 where the file has none). True when a
    // picture resulted; otherwise false, and image holds no picture.
    virtual bool decodeFile(std::span<const uint8_t> bytes, ImageBuffer& image) = 0;
};

// The system decoder that ImageBuffer::load asks last; null when none is installed.
SystemPictureDecoder* installedSystemDecoder();

// Installs decoder (null: none) and returns the one installed before.
SystemPictureDecoder* installSystemDecoder(SystemPictureDecoder* decoder);

// True when a file starting with these bytes is a PNG, JPEG, GIF or TIFF file by its signature:
// the files that are offered to the system decoder.
bool hasSystemPictureSignature(std::span<const uint8_t> fileStart);
