// Every kind of picture we take decodes to the picture it was written from, and to what the
// scene-graph library's own loader makes of the same file: size, channels, row order, bytes.

#include "ImageFiles.h"
#include "image/TextureFile.h"
#include "tests/CoinEnvironment.h"
#include "tests/TexturePicture.h"

#include <Inventor/nodes/SoTexture2.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TexturePicture loadOurs(const std::string& path) {
    SoTexture2* node = new SoTexture2;
    node->ref();
    std::string problem;
    EXPECT_TRUE(loadTexture(*node, path.c_str(), problem)) << problem;
    TexturePicture picture = pictureOf(*node);
    node->unref();
    return picture;
}

int largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int largest = 0;
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k) {
        largest = std::max(largest, std::abs(int(a[k]) - int(b[k])));
    }
    return largest;
}

struct DecodeCase {
    const char* name;
    int channels;
    Bytes (*write)(const Picture&);
    /// Channels of the texture: a palette with an alpha table adds one.
    int components;
    /// The most a sample may be off, from the picture and from the library's loader: JPEG
    /// is lossy, and its decoders round their transforms each in their own way.
    int tolerance;
    /// The library's loader puts a TGA's rows in the file's order whatever its origin bit, so
    /// a picture written top row first is drawn upside down; ours does the same.
    bool upsideDown = false;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

class Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, GivesThePictureAndTheLibrarysPixels) {
    const DecodeCase& c = GetParam();
    const Picture picture = knownPicture(13, 11, c.channels);
    const std::string path = scratchFile(c.name, c.write(picture));

    const TexturePicture ours = loadOurs(path);
    const TexturePicture library = libraryPicture(path.c_str());
    std::remove(path.c_str());

    ASSERT_EQ(ours.size, SbVec2s(13, 11));
    ASSERT_EQ(ours.components, c.components);
    int offPicture = 0;
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) {
            const uint8_t* drawn = &ours.pixels[(std::size_t(y) * 13 + x) * c.components];
            const uint8_t* meant = picture.pixel(x, c.upsideDown ? 10 - y : y);
            for (int k = 0; k < c.channels; ++k) {
                offPicture = std::max(offPicture, std::abs(int(drawn[k]) - int(meant[k])));
            }
        }
    }
    EXPECT_LE(offPicture, c.tolerance);

    ASSERT_EQ(library.size, ours.size);
    ASSERT_EQ(library.components, ours.components);
    EXPECT_LE(largestDifference(library.pixels, ours.pixels), c.tolerance);
}

const DecodeCase cases[] = {
    {"plain.tga", 3, [](const Picture& p) { return tgaFile(p, false); }, 3, 0},
    {"plain-alpha.tga", 4, [](const Picture& p) { return tgaFile(p, false); }, 4, 0},
    {"run-length.tga", 3, [](const Picture& p) { return tgaFile(p, true); }, 3, 0},
    {"run-length-alpha.tga", 4, [](const Picture& p) { return tgaFile(p, true); }, 4, 0},
    {"top-down.tga", 3, [](const Picture& p) { return tgaFile(p, false, true); }, 3, 0, true},
    {"run-length-top-down.tga", 4, [](const Picture& p) { return tgaFile(p, true, true); }, 4, 0,
     true},
    {"grey.png", 1, [](const Picture& p) { return pngFile(p); }, 1, 0},
    {"grey-alpha.png", 2, [](const Picture& p) { return pngFile(p); }, 2, 0},
    {"colour.png", 3, [](const Picture& p) { return pngFile(p); }, 3, 0},
    {"colour-alpha.png", 4, [](const Picture& p) { return pngFile(p); }, 4, 0},
    {"palette.png", 3, [](const Picture& p) { return pngFile(p, PngKind::palette); }, 3, 0},
    {"palette-alpha.png", 3, [](const Picture& p) { return pngFile(p, PngKind::paletteWithAlpha); },
     4, 0},
    {"sixteen-bits.png", 3, [](const Picture& p) { return pngFile(p, PngKind::sixteenBits); }, 3,
     0},
    {"interlaced.png", 3, [](const Picture& p) { return pngFile(p, PngKind::interlaced); }, 3, 0},
    {"grey.jpg", 1, [](const Picture& p) { return jpegFile(p); }, 1, 4},
    {"colour.jpg", 3, [](const Picture& p) { return jpegFile(p); }, 3, 4},
    {"progressive.jpg", 3, [](const Picture& p) { return jpegFile(p, true); }, 3, 4},
};

INSTANTIATE_TEST_SUITE_P(EveryKindTaken, Decode, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<DecodeCase>& info) {
                             return testName(info.param.name);
                         });

TEST(Decode, BundledTexturesGiveTheLibrarysPixels) {
    for (const char* name : {"body.tga", "col.tga"}) {
        const std::string path = std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name;
        const TexturePicture ours = loadOurs(path);
        EXPECT_EQ(ours.size, SbVec2s(256, 256)) << name;
        EXPECT_EQ(ours, libraryPicture(path.c_str())) << name;
    }
}

} // namespace
