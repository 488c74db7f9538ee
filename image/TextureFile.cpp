#include "image/TextureFile.h"

#include "image/ImageDecoder.h"
#include "image/ImageLayout.h"

#include <Inventor/nodes/SoTexture2.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

/// Closes the file when reading ends, however it ends.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string tooLarge() {
    return "the file is larger than the " + std::to_string(maxImageFileBytes >> 20) +
           " MiB an image file may have";
}

/// Reads the whole file, but never more than maxImageFileBytes: a device or pipe that never
/// ends is cut off there too.
bool readImageFile(const char* fileName, std::vector<unsigned char>& bytes, std::string& problem) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName, "rb"));
    if (!file) {
        problem = std::strerror(errno);
        return false;
    }
    constexpr std::size_t block = std::size_t(1) << 16;
    struct stat status {};
    if (fstat(fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode)) {
        if (std::size_t(status.st_size) > maxImageFileBytes) {
            problem = tooLarge();
            return false;
        }
        // The last read asks for a whole block and finds the end.
        bytes.reserve(std::size_t(status.st_size) + block);
    }
    for (;;) {
        const std::size_t have = bytes.size();
        if (have > maxImageFileBytes) {
            problem = tooLarge();
            return false;
        }
        bytes.resize(have + block);
        const std::size_t got = std::fread(bytes.data() + have, 1, block, file.get());
        bytes.resize(have + got);
        if (got < block) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        problem = std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

bool loadTexture(SoTexture2& node, const char* fileName, std::string& problem) {
    DecodedImage image;
    std::string what;
    bool loaded = false;
    {
        std::vector<unsigned char> bytes;
        loaded = readImageFile(fileName, bytes, what) &&
                 decodeImage(bytes.data(), bytes.size(), image, what);
    }
    if (!loaded) {
        node.image.setValue(SbVec2s(0, 0), 0, nullptr);
        problem = std::string("Cannot use the texture file `") + fileName + "': " + what;
        return false;
    }
    node.image.setValue(SbVec2s(short(image.width), short(image.height)), image.components,
                        image.pixels.get());
    return true;
}
