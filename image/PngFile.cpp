#include "image/PngFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include <stb_image_write.h>

namespace {

void appendBytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<size_t>(size));
}

} // namespace

bool writePng(const std::string& path, const uint8_t* pixels, int width, int height,
              std::string& problem) {
    const int stride = width * 3;
    // The encoder reads its rows at a negative stride from the last one: the picture's top row
    // is the last that OpenGL read.
    std::string encoded;
    if (width <= 0 || height <= 0 ||
        stbi_write_png_to_func(appendBytes, &encoded, width, height, 3,
                               pixels + static_cast<ptrdiff_t>(height - 1) * stride,
                               -stride) == 0) {
        problem = "the picture cannot be encoded as PNG";
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(encoded.data(), static_cast<std::streamsize>(encoded.size()));
    file.close();
    if (!file) {
        problem = std::string("cannot write `") + path + "': " + std::strerror(errno);
        return false;
    }
    return true;
}
