// WicPictureDecoder: PNG, JPEG, GIF and TIFF textures decoded by the Windows Imaging Component,
// which every Windows the program runs on has. While it lives it is the system decoder that
// ImageBuffer::load asks last (image/picture_decoder.h).
//
// The component is reached only through COM (CoCreateInstance), and ole32 itself is loaded from
// the system folder on the first picture: the exe imports neither, and a model without such
// textures never starts COM. COM is started once, on the thread that loads textures (the
// user-interface thread, a single-threaded apartment), and ended by the decoder's destructor.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include "base/win32/com_ptr.h"
#include "image/picture_decoder.h"

class WicPictureDecoder final : public SystemPictureDecoder {
public:
    // Installs the decoder (the one installed before is put back when it ends, if this one is
    // still installed then).
    WicPictureDecoder();
    ~WicPictureDecoder() override;
    WicPictureDecoder(const WicPictureDecoder&) = delete;
    WicPictureDecoder& operator=(const WicPictureDecoder&) = delete;

    // The first frame of the file as a 32-bit picture with straight alpha. False, image empty,
    // when the component is missing, does not know the file or fails on it, or the picture
    // exceeds ImageBuffer's limits.
    bool decodeFile(std::span<const uint8_t> bytes, ImageBuffer& image) override;

private:
    // Once: ole32, COM on this thread and the imaging factory. False, then and afterwards,
    // when any of them cannot be had.
    bool startImaging();
    bool decodeInto(std::span<const uint8_t> bytes, ImageBuffer& image);

    using CoUninitializeFn = void(WINAPI*)();

    ComPtr<IWICImagingFactory> factory_;         // null until started, or when that failed
    CoUninitializeFn coUninitialize_ = nullptr;  // set when this decoder started COM and owes its end
    bool tried_ = false;                         // startImaging has run
    SystemPictureDecoder* previous_ = nullptr;
};
