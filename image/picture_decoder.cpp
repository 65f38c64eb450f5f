// The installed picture decoders and the signatures of the system decoder's formats.
#include "image/picture_decoder.h"

#include <algorithm>
#include <string_view>

namespace {

// Both constant-initialised: safe to install from a global's constructor.
PictureDecoder* decoder = nullptr;
SystemPictureDecoder* systemDecoder = nullptr;

}  // namespace

PictureDecoder* installedPictureDecoder()
{
    return decoder;
}

PictureDecoder* installPictureDecoder(PictureDecoder* newDecoder)
{
    PictureDecoder* previous = decoder;
    decoder = newDecoder;
    return previous;
}

SystemPictureDecoder* installedSystemDecoder()
{
    return systemDecoder;
}

SystemPictureDecoder* installSystemDecoder(SystemPictureDecoder* newDecoder)
{
    SystemPictureDecoder* previous = systemDecoder;
    systemDecoder = newDecoder;
    return previous;
}

bool hasSystemPictureSignature(std::span<const uint8_t> fileStart)
{
    using namespace std::string_view_literals;
    static constexpr std::string_view kSignatures[] = {
        "\x89PNG\r\n\x1A\n"sv,  // PNG
        "\xFF\xD8\xFF"sv,       // JPEG: start of image, then the first marker
        "GIF87a"sv,
        "GIF89a"sv,
        "II*\0"sv,  // TIFF, little-endian
        "MM\0*"sv,  // TIFF, big-endian
    };
    return std::any_of(std::begin(kSignatures), std::end(kSignatures), [&](std::string_view signature) {
        return fileStart.size() >= signature.size() &&
               std::equal(signature.begin(), signature.end(), fileStart.begin(),
                          [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
    });
}
