#pragma once

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoTexture2.h>

#include <cstdint>
#include <ostream>
#include <vector>

/// The picture a texture node holds, as a value to compare.
struct TexturePicture {
    SbVec2s size{0, 0};
    int components = 0;
    std::vector<uint8_t> pixels;

    bool operator==(const TexturePicture& other) const {
        return size == other.size && components == other.components && pixels == other.pixels;
    }
};

inline std::ostream& operator<<(std::ostream& out, const TexturePicture& picture) {
    return out << picture.size[0] << " x " << picture.size[1] << " pixels of " << picture.components
               << " components";
}

inline TexturePicture pictureOf(SoTexture2& node) {
    TexturePicture picture;
    const unsigned char* data = node.image.getValue(picture.size, picture.components);
    if (data != nullptr) {
        picture.pixels.assign(data, data + std::size_t(picture.size[0]) *
                                               std::size_t(picture.size[1]) *
                                               std::size_t(picture.components));
    }
    return picture;
}

/// The picture the scene-graph library's own loader makes of a good file: what the program
/// drew when the library read its textures itself.
inline TexturePicture libraryPicture(const char* path) {
    SoTexture2* node = new SoTexture2;
    node->ref();
    node->filename.setValue(path);
    TexturePicture picture = pictureOf(*node);
    node->unref();
    return picture;
}
