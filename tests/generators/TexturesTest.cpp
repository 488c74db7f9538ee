#include "generators/Textures.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

/// Mean absolute difference between two columns of an RGB picture.
double columnDifference(const Image& image, int a, int b) {
    long sum = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int c = 0; c < 3; ++c) {
            sum += std::abs(int(image.pixel(a, y)[c]) - int(image.pixel(b, y)[c]));
        }
    }
    return double(sum) / (image.height * 3);
}

bool samePixel(const Image& image, int x0, int y0, int x1, int y1) {
    const uint8_t* p = image.pixel(x0, y0);
    const uint8_t* q = image.pixel(x1, y1);
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

} // namespace

TEST(Textures, BodyTextureIsACheckerboard) {
    Image image = makeBodyTexture(256, 8);
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
    ASSERT_EQ(image.channels, 3);
    // Squares of 32 pixels centred on multiples of 32: neighbours differ, diagonal
    // neighbours and every second square agree.
    EXPECT_FALSE(samePixel(image, 64, 64, 96, 64));
    EXPECT_FALSE(samePixel(image, 64, 64, 64, 96));
    EXPECT_TRUE(samePixel(image, 64, 64, 96, 96));
    EXPECT_TRUE(samePixel(image, 64, 64, 128, 64));
    // The corner texel is a square's middle; a body without texture coordinates shows it.
    EXPECT_TRUE(samePixel(image, 0, 0, 64, 64));
    // The seams between squares are darker than either square.
    const uint8_t* seam = image.pixel(80, 64);
    EXPECT_LT(seam[0], image.pixel(64, 64)[0]);
    EXPECT_LT(seam[0], image.pixel(96, 64)[0]);
    // The pattern wraps: the half squares at opposite edges make one square.
    EXPECT_TRUE(samePixel(image, 0, 64, 255, 64));
    EXPECT_TRUE(samePixel(image, 64, 0, 64, 255));
}

TEST(Textures, PillarTextureWrapsAroundWithoutASeam) {
    Image image = makePillarTexture(256, 256, 7);
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
    double across = columnDifference(image, image.width - 1, 0);
    double neighbours = 0;
    for (int x = 0; x + 1 < image.width; ++x) {
        neighbours += columnDifference(image, x, x + 1);
    }
    neighbours /= image.width - 1;
    EXPECT_GT(neighbours, 0.5) << "the picture should not be plain";
    EXPECT_LT(across, 2 * neighbours);
    // Far-apart columns differ much more than neighbours, so the check above has teeth.
    EXPECT_GT(columnDifference(image, 0, image.width / 2), 2 * neighbours);
}

TEST(Textures, PillarTextureDependsOnlyOnTheSeed) {
    EXPECT_EQ(makePillarTexture(64, 32, 3).pixels, makePillarTexture(64, 32, 3).pixels);
    EXPECT_NE(makePillarTexture(64, 32, 3).pixels, makePillarTexture(64, 32, 4).pixels);
}

TEST(Textures, DegenerateSizesGiveAPictureOfOnePixel) {
    Image body = makeBodyTexture(0, 0);
    EXPECT_EQ(body.width, 1);
    EXPECT_EQ(body.pixels.size(), 3u);
    Image pillar = makePillarTexture(-5, 0, 1);
    EXPECT_EQ(pillar.width, 1);
    EXPECT_EQ(pillar.height, 1);
    EXPECT_EQ(pillar.pixels.size(), 3u);
}
