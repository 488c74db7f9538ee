#pragma once

#include <cstddef>
#include <memory>
#include <string>

/// Gives decoded pixels back to the decoder's allocator.
struct DecodedPixelsRelease {
    void operator()(unsigned char* pixels) const;
};

/// A picture as a texture node takes it: `height` rows of `width` pixels, the bottom row
/// first, each pixel `components` bytes: grey; grey and alpha; red, green, blue; or red,
/// green, blue and alpha.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int components = 0;
    std::unique_ptr<unsigned char[], DecodedPixelsRelease> pixels;
};

/// Decodes the picture of a TGA (24- or 32-bit true colour, plain or run-length encoded),
/// PNG or JPEG (8-bit grey or colour, sequential or progressive) file held in memory, within
/// the limits of ImageLayout.h. Pixels and their order are the ones the scene-graph
/// library's own image loader gives for the same file.
///
/// False when the data is not such a picture, or is damaged: `problem` then says what is
/// wrong in a few words, and `image` is empty. The file's headers and the extent of its data
/// are checked before the decoder reads it, so the decoder never reads past the data, never
/// makes a picture larger than the limits, and never inflates more data than the picture
/// needs.
bool decodeImage(const unsigned char* data, std::size_t size, DecodedImage& image,
                 std::string& problem);
