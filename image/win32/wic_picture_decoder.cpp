// Decoding through the Windows Imaging Component: COM start, the factory, one frame to BGRA.
#include "image/win32/wic_picture_decoder.h"

#include "base/win32/system_library.h"
#include "image/image_buffer.h"

WicPictureDecoder::WicPictureDecoder() : previous_(installSystemDecoder(this))
{}

WicPictureDecoder::~WicPictureDecoder()
{
    if (installedSystemDecoder() == this)
        installSystemDecoder(previous_);
    factory_.reset();  // every COM object goes before COM ends
    if (coUninitialize_)
        coUninitialize_();
}

bool WicPictureDecoder::startImaging()
{
    if (tried_)
        return static_cast<bool>(factory_);
    tried_ = true;
    using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
    using CoCreateInstanceFn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
    const HMODULE ole32 = loadSystemLibrary(L"ole32.dll");
    if (!ole32)
        return false;
    const auto coInitializeEx = procAddress<CoInitializeExFn>(ole32, "CoInitializeEx");
    const auto coCreateInstance = procAddress<CoCreateInstanceFn>(ole32, "CoCreateInstance");
    const auto coUninitialize = procAddress<CoUninitializeFn>(ole32, "CoUninitialize");
    if (!coInitializeEx || !coCreateInstance || !coUninitialize)
        return false;
    // S_FALSE (already started on this thread) is owed an end as well; a thread that runs COM in
    // another apartment can still use the factory, but that start is not ours to end.
    const HRESULT started = coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (SUCCEEDED(started))
        coUninitialize_ = coUninitialize;
    else if (started != RPC_E_CHANGED_MODE)
        return false;
    // The first factory's class: the one every Windows with the component registers.
    return SUCCEEDED(coCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory_.putVoid()));
}

bool WicPictureDecoder::decodeFile(std::span<const uint8_t> bytes, ImageBuffer& image)
{
    image.release();
    if (decodeInto(bytes, image))
        return true;
    image.release();
    return false;
}

bool WicPictureDecoder::decodeInto(std::span<const uint8_t> bytes, ImageBuffer& image)
{
    if (!startImaging() || bytes.size() > MAXDWORD)
        return false;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    // The stream only reads the bytes; the interface takes them as writable.
    if (FAILED(factory_->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory_->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                 decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory_->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return false;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width > ImageBuffer::kMaxSide ||
        height > ImageBuffer::kMaxSide ||
        !image.create(static_cast<int32_t>(width), static_cast<int32_t>(height), 32))
        return false;
    // The component hands out rows from the top; the buffer keeps them from the bottom.
    if (FAILED(converter->CopyPixels(nullptr, static_cast<UINT>(image.stride()),
                                     static_cast<UINT>(image.sizeImage()), image.pixels())))
        return false;
    image.flipRows();
    return true;
}
