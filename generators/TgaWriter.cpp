#include "generators/TgaWriter.h"

#include <fstream>
#include <ostream>

Image::Image(int w, int h, int c)
    : width(w), height(h), channels(c),
      pixels(size_t(w > 0 ? w : 0) * (h > 0 ? h : 0) * (c > 0 ? c : 0)) {}

namespace {

bool fitsTga(const Image& image) {
    return image.width > 0 && image.height > 0 && image.width <= 65535 && image.height <= 65535 &&
           (image.channels == 3 || image.channels == 4) &&
           image.pixels.size() >= size_t(image.width) * image.height * image.channels;
}

} // namespace

bool writeTga(const Image& image, std::ostream& out) {
    if (!fitsTga(image)) {
        return false;
    }
    const bool alpha = image.channels == 4;
    uint8_t header[18] = {};
    header[2] = 2; // uncompressed true-colour
    header[12] = uint8_t(image.width & 0xff);
    header[13] = uint8_t(image.width >> 8);
    header[14] = uint8_t(image.height & 0xff);
    header[15] = uint8_t(image.height >> 8);
    header[16] = alpha ? 32 : 24;
    // Low four bits: alpha bits per pixel. Bit 5 (top-left origin) stays clear: the rows go
    // bottom first, the order Image already keeps.
    header[17] = alpha ? 8 : 0;
    out.write(reinterpret_cast<const char*>(header), sizeof header);

    // TGA keeps each pixel as blue, green, red (, alpha).
    std::vector<char> row(size_t(image.width) * image.channels);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.pixel(x, y);
            char* q = &row[size_t(x) * image.channels];
            q[0] = char(p[2]);
            q[1] = char(p[1]);
            q[2] = char(p[0]);
            if (alpha) {
                q[3] = char(p[3]);
            }
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
    return static_cast<bool>(out);
}

bool writeTgaFile(const Image& image, const std::string& path) {
    if (!fitsTga(image)) {
        return false;
    }
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        return false;
    }
    if (!writeTga(image, out)) {
        return false;
    }
    out.close();
    return !out.fail();
}
