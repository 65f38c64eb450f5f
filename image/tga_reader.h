// The built-in TGA reader: the kinds of TGA file that paint programs and model exporters write
// for textures, decoded by our own code on every platform.
//
// Taken: colour-mapped (8-bit indices into a map of 15-, 16-, 24- or 32-bit entries), true
// colour (15/16, 24 or 32 bits) and 8-bit grey pictures, each stored raw or run-length encoded
// (runs may cross rows), with the first row at the bottom or at the top and columns either way.
// Everything else (16-bit indices, grey with alpha, other types) is no picture.
#pragma once

#include <cstdint>
#include <span>

class ImageBuffer;

// Decodes a whole TGA file into image: 32 bits when the file stores 32-bit pixels with alpha
// bits and at least one pixel is not opaque, else 24 bits; bottom-up as every picture. A file
// that ends inside its pixels leaves the rest of them zero, as the BMP reader does; a file too
// short to hold its picture at the best compression the format allows is refused before any
// memory is made. False, with image empty, when the file is not a picture this reader takes.
bool readTga(std::span<const uint8_t> file, ImageBuffer& image);
