#include "image/TgaLayout.h"

#include <algorithm>

namespace {

constexpr std::size_t headerBytes = 18;
constexpr unsigned char plainTrueColour = 2;
constexpr unsigned char runLengthTrueColour = 10;
/// Bit 5 of the image descriptor: the first row in the file is the top one.
constexpr unsigned char topDownBit = 0x20;

long readLittle16(const unsigned char* p) {
    return long(p[0]) | (long(p[1]) << 8);
}

/// Walks the run-length packets as the decoder reads them for `pixels` pixels of `pixelBytes`
/// each, starting at `at`: false when they need more bytes than the file has. A packet that
/// reaches past the last pixel is read only as far as the picture goes.
bool runLengthDataFits(const unsigned char* data, std::size_t size, std::size_t at,
                       std::size_t pixels, std::size_t pixelBytes) {
    while (pixels > 0) {
        if (at >= size) {
            return false;
        }
        const unsigned char packet = data[at++];
        const std::size_t count = std::min<std::size_t>((packet & 0x7f) + 1, pixels);
        const std::size_t bytes = (packet & 0x80) != 0 ? pixelBytes : count * pixelBytes;
        if (size - at < bytes) {
            return false;
        }
        at += bytes;
        pixels -= count;
    }
    return true;
}

} // namespace

bool looksLikeTga(const unsigned char* data, std::size_t size) {
    if (size < 3 || data[1] > 1) {
        return false;
    }
    const unsigned char type = data[2];
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

bool readTgaLayout(const unsigned char* data, std::size_t size, ImageLayout& layout,
                   std::string& problem) {
    if (size < headerBytes) {
        problem = "the file ends inside the TGA header";
        return false;
    }
    const unsigned char type = data[2];
    if (data[1] != 0 || type == 1 || type == 9) {
        problem = "TGA pictures with a colour map are not supported";
        return false;
    }
    if (type != plainTrueColour && type != runLengthTrueColour) {
        problem = "grey TGA pictures are not supported";
        return false;
    }
    const int bitsPerPixel = data[16];
    if (bitsPerPixel != 24 && bitsPerPixel != 32) {
        problem = "TGA pictures of " + std::to_string(bitsPerPixel) +
                  " bits per pixel are not supported (only 24 and 32)";
        return false;
    }
    const long width = readLittle16(data + 12);
    const long height = readLittle16(data + 14);
    if (!fitsImageSides(width, height, "TGA", problem)) {
        return false;
    }

    const std::size_t start = headerBytes + data[0];
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    const std::size_t pixelBytes = std::size_t(bitsPerPixel) / 8;
    if (type == plainTrueColour) {
        if (size < start || size - start < pixels * pixelBytes) {
            problem = "the file ends before the last pixel of the TGA picture";
            return false;
        }
    } else if (!runLengthDataFits(data, size, start, pixels, pixelBytes)) {
        problem = "the run-length data of the TGA picture ends before its last pixel";
        return false;
    }

    layout.width = int(width);
    layout.height = int(height);
    // The decoder puts the rows top down by the origin bit; undoing exactly that leaves them
    // in the file's order.
    layout.reverseRows = (data[17] & topDownBit) == 0;
    return true;
}
