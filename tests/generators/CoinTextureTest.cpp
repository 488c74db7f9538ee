// The scene-graph library reads our pictures as we meant them: size, channels, colours and
// which row is at the bottom.

#include "CoinEnvironment.h"
#include "generators/TgaWriter.h"

#include <Inventor/nodes/SoTexture2.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct LoadedImage {
    SbVec2s size{0, 0};
    int channels = 0;
    std::vector<uint8_t> pixels;
};

LoadedImage loadWithCoin(const std::string& path) {
    SoTexture2* texture = new SoTexture2;
    texture->ref();
    texture->filename.setValue(path.c_str());
    LoadedImage loaded;
    const unsigned char* data = texture->image.getValue(loaded.size, loaded.channels);
    if (data) {
        loaded.pixels.assign(data,
                             data + size_t(loaded.size[0]) * loaded.size[1] * loaded.channels);
    }
    texture->unref();
    return loaded;
}

std::string scratchPath(const char* name) {
    return std::string(PLIMMERTON_BINARY_DIR) + "/" + name;
}

/// A 4 x 2 picture with a different colour in every pixel, so that a swapped axis, a flipped
/// row order or swapped channels all show.
Image distinctPicture(int channels) {
    Image image(4, 2, channels);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = uint8_t(20 + 60 * x);
            p[1] = uint8_t(40 + 150 * y);
            p[2] = uint8_t(200 - 30 * x - 50 * y);
            if (channels == 4) {
                p[3] = uint8_t(255 - 40 * (x + 4 * y));
            }
        }
    }
    return image;
}

void expectLoadedAsWritten(const Image& image, const char* name) {
    std::string path = scratchPath(name);
    ASSERT_TRUE(writeTgaFile(image, path));
    LoadedImage loaded = loadWithCoin(path);
    std::remove(path.c_str());
    ASSERT_EQ(loaded.size[0], image.width);
    ASSERT_EQ(loaded.size[1], image.height);
    ASSERT_EQ(loaded.channels, image.channels);
    // Coin keeps the bottom row first, as Image does.
    EXPECT_EQ(loaded.pixels, image.pixels);
}

} // namespace

TEST(CoinTexture, RgbPictureLoadsPixelForPixel) {
    expectLoadedAsWritten(distinctPicture(3), "coin-texture-rgb.tga");
}

TEST(CoinTexture, RgbaPictureLoadsWithItsAlpha) {
    expectLoadedAsWritten(distinctPicture(4), "coin-texture-rgba.tga");
}

TEST(CoinTexture, BundledTexturesLoad) {
    for (const char* name : {"body.tga", "col.tga"}) {
        LoadedImage loaded = loadWithCoin(std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name);
        EXPECT_EQ(loaded.size[0], 256) << name;
        EXPECT_EQ(loaded.size[1], 256) << name;
        EXPECT_EQ(loaded.channels, 3) << name;
    }
}
