// The one installed picture decoder.
#include "image/picture_decoder.h"

namespace {

PictureDecoder* decoder = nullptr;  // constant-initialised: safe to install from a global's constructor

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
