// Files that give no picture: each leaves the texture node without one and says in one line
// which file and what is wrong, whatever the kind of damage, and the decoder never reads past
// the data (the test runs under the sanitizers too).

#include "ImageFiles.h"
#include "image/TextureFile.h"
#include "tests/CoinEnvironment.h"

#include <Inventor/nodes/SoTexture2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <zlib.h>

namespace {

Picture picture() {
    return knownPicture(13, 11, 3);
}

void putBig32(Bytes& bytes, std::size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) {
        bytes[at + k] = uint8_t(value >> (24 - 8 * k));
    }
}

/// A PNG of the picture with new sides in its header, the header's checksum made right.
Bytes pngWithSides(uint32_t width, uint32_t height) {
    Bytes png = pngFile(picture());
    putBig32(png, 16, width);
    putBig32(png, 20, height);
    putBig32(png, 29, uint32_t(crc32(0, &png[12], 17)));
    return png;
}

Bytes cutShort(Bytes bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

/// The first run-length packet of a TGA made a raw stretch of 128 pixels, which the data
/// that follows does not hold: the damage that ended the program in the library's loader.
Bytes runLengthOverrun() {
    Bytes tga = tgaFile(picture(), true);
    tga[18] = 0x7f;
    tga.resize(18 + 1 + 40);
    return tga;
}

struct DamageCase {
    const char* name;
    Bytes (*bytes)();
    /// Words the problem must hold.
    const char* says;
};

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.name;
}

class DamagedImage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedImage, LeavesTheNodeWithoutAPictureAndSaysWhy) {
    const DamageCase& c = GetParam();
    const std::string good = scratchFile(std::string("good-") + c.name, tgaFile(picture(), false));
    const std::string path = scratchFile(c.name, c.bytes());

    SoTexture2* node = new SoTexture2;
    node->ref();
    std::string problem;
    // A node that had a picture loses it: a rebuilt body shows no stale texture.
    ASSERT_TRUE(loadTexture(*node, good.c_str(), problem));
    EXPECT_FALSE(loadTexture(*node, path.c_str(), problem));
    std::remove(good.c_str());
    std::remove(path.c_str());

    SbVec2s size;
    int components = -1;
    node->image.getValue(size, components);
    EXPECT_EQ(size, SbVec2s(0, 0));
    EXPECT_EQ(components, 0);
    EXPECT_EQ(node->filename.getValue(), SbString(""));
    node->unref();

    EXPECT_EQ(problem.rfind("Cannot use the texture file `" + path + "': ", 0), 0u) << problem;
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
}

const DamageCase cases[] = {
    {"empty.tga", [] { return Bytes(); }, "the file is empty"},
    {"text.tga", [] { return Bytes{'O', 'F', 'F', '\n', '8', ' ', '6'}; },
     "not a TGA, PNG or JPEG picture"},
    {"truncated.tga", [] { return cutShort(tgaFile(picture(), false), 200); },
     "ends before the last pixel"},
    {"truncated-run-length.tga", [] { return cutShort(tgaFile(picture(), true), 200); },
     "run-length data of the TGA picture ends"},
    {"run-length-overrun.tga", runLengthOverrun, "run-length data of the TGA picture ends"},
    {"lying-header.tga",
     [] {
         Bytes tga = tgaFile(picture(), false);
         tga[14] = 12;
         return tga;
     },
     "ends before the last pixel"},
    {"huge.tga",
     [] {
         Bytes tga = tgaFile(picture(), false);
         tga[12] = tga[13] = tga[14] = tga[15] = 0xff;
         return tga;
     },
     "65535 x 65535 pixels, larger than the 8192 x 8192"},
    {"sixteen-bits.tga",
     [] {
         Bytes tga = tgaFile(picture(), false);
         tga[16] = 16;
         return tga;
     },
     "16 bits per pixel are not supported"},
    {"truncated.png", [] { return cutShort(pngFile(picture()), 60); }, "ends inside a PNG chunk"},
    {"lying-header.png", [] { return pngWithSides(13, 40); },
     "image data ends before the last row"},
    {"more-data-than-header.png", [] { return pngWithSides(13, 5); },
     "holds more than the picture its header announces"},
    {"huge.png", [] { return pngWithSides(100000, 3); }, "100000 x 3 pixels, larger than"},
    {"checksum.png",
     [] {
         Bytes png = pngFile(picture());
         png[45] ^= 0x10;
         return png;
     },
     "fails its checksum"},
    {"truncated.jpg", [] { return cutShort(jpegFile(picture()), 400); }, "the file ends"},
    {"too-many-huffman-codes.jpg",
     [] {
         // More than 256 codes in one table: the decoder would write past its tables.
         Bytes jpeg = jpegFile(picture());
         for (std::size_t k = 2; k + 21 < jpeg.size(); ++k) {
             if (jpeg[k] == 0xff && jpeg[k + 1] == 0xc4) {
                 std::fill(&jpeg[k + 13], &jpeg[k + 21], 0xff);
                 break;
             }
         }
         return jpeg;
     },
     "Huffman table is damaged"},
    {"undefined-table.jpg",
     [] {
         // The decoder would read far outside its tables with one no segment defined.
         Bytes jpeg = jpegFile(picture());
         for (std::size_t k = 2; k + 6 < jpeg.size(); ++k) {
             if (jpeg[k] == 0xff && jpeg[k + 1] == 0xda) {
                 jpeg[k + 6] = 0x33;
                 break;
             }
         }
         return jpeg;
     },
     "uses a table that the file does not define"},
    {"repeated-scan.jpg",
     [] {
         // The decoder would decode the whole picture again for every copy of the scan.
         Bytes jpeg = jpegFile(picture());
         std::size_t scan = 2;
         while (!(jpeg[scan] == 0xff && jpeg[scan + 1] == 0xda)) {
             ++scan;
         }
         const Bytes copy(jpeg.begin() + long(scan), jpeg.end() - 2);
         jpeg.insert(jpeg.end() - 2, copy.begin(), copy.end());
         return jpeg;
     },
     "codes a component in two scans"},
    {"lying-header.jpg",
     [] {
         Bytes jpeg = jpegFile(picture());
         for (std::size_t k = 2; k + 8 < jpeg.size(); ++k) {
             if (jpeg[k] == 0xff && jpeg[k + 1] == 0xc0) {
                 jpeg[k + 5] = jpeg[k + 7] = 0x0f;
                 break;
             }
         }
         return jpeg;
     },
     "too short for a picture of 3853 x 3851 pixels"},
    {"huge.jpg",
     [] {
         Bytes jpeg = jpegFile(picture());
         for (std::size_t k = 2; k + 8 < jpeg.size(); ++k) {
             if (jpeg[k] == 0xff && jpeg[k + 1] == 0xc0) {
                 jpeg[k + 5] = jpeg[k + 7] = 0x30;
                 break;
             }
         }
         return jpeg;
     },
     "larger than the 8192 x 8192"},
};

INSTANTIATE_TEST_SUITE_P(EveryKindOfDamage, DamagedImage, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

TEST(DamagedImage, MissingFileOrFolderSaysSo) {
    SoTexture2* node = new SoTexture2;
    node->ref();
    std::string problem;
    EXPECT_FALSE(loadTexture(*node, "no/such/picture.tga", problem));
    EXPECT_EQ(problem,
              "Cannot use the texture file `no/such/picture.tga': No such file or directory");
    EXPECT_FALSE(loadTexture(*node, PLIMMERTON_BINARY_DIR, problem));
    EXPECT_EQ(problem, std::string("Cannot use the texture file `") + PLIMMERTON_BINARY_DIR +
                           "': Is a directory");
    node->unref();
}

} // namespace
