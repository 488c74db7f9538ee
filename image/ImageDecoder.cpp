#include "image/ImageDecoder.h"

#include "image/JpegLayout.h"
#include "image/PngLayout.h"
#include "image/TgaLayout.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>

static_assert(maxImageFileBytes <= std::size_t(INT_MAX), "the decoder takes sizes as int");

void DecodedPixelsRelease::operator()(unsigned char* pixels) const {
    stbi_image_free(pixels);
}

namespace {

/// Puts row k where row height - 1 - k was.
void reverseRows(DecodedImage& image) {
    const std::size_t rowBytes = std::size_t(image.width) * std::size_t(image.components);
    unsigned char* low = image.pixels.get();
    unsigned char* high = low + (std::size_t(image.height) - 1) * rowBytes;
    for (; low < high; low += rowBytes, high -= rowBytes) {
        std::swap_ranges(low, low + rowBytes, high);
    }
}

} // namespace

bool decodeImage(const unsigned char* data, std::size_t size, DecodedImage& image,
                 std::string& problem) {
    image = DecodedImage();
    if (size == 0) {
        problem = "the file is empty";
        return false;
    }
    if (size > maxImageFileBytes) {
        problem = "the file is larger than the " + std::to_string(maxImageFileBytes >> 20) +
                  " MiB an image file may have";
        return false;
    }
    ImageLayout layout;
    const char* format = nullptr;
    bool fits = false;
    if (isPng(data, size)) {
        format = "PNG";
        fits = readPngLayout(data, size, layout, problem);
    } else if (isJpeg(data, size)) {
        format = "JPEG";
        fits = readJpegLayout(data, size, layout, problem);
    } else if (looksLikeTga(data, size)) {
        format = "TGA";
        fits = readTgaLayout(data, size, layout, problem);
    } else {
        problem = "the file is not a TGA, PNG or JPEG picture";
        return false;
    }
    if (!fits) {
        return false;
    }

    int width = 0;
    int height = 0;
    int components = 0;
    image.pixels.reset(stbi_load_from_memory(data, int(size), &width, &height, &components, 0));
    if (!image.pixels) {
        const char* reason = stbi_failure_reason();
        problem = std::string("the ") + format + " picture is damaged (" +
                  (reason != nullptr ? reason : "no reason given") + ")";
        return false;
    }
    if (width != layout.width || height != layout.height || components < 1 || components > 4) {
        image = DecodedImage();
        problem = std::string("the ") + format + " picture does not match its header";
        return false;
    }
    image.width = width;
    image.height = height;
    image.components = components;
    if (layout.reverseRows) {
        reverseRows(image);
    }
    return true;
}
