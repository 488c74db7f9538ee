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

Bytes tga(bool runLength = false) {
    return tgaFile(knownPicture(13, 11, 3), runLength);
}
Bytes png() {
    return pngFile(knownPicture(13, 11, 3));
}
Bytes jpeg() {
    return jpegFile(knownPicture(13, 11, 3));
}

/// The bytes with `values` written from `at` on.
Bytes changed(Bytes bytes, std::size_t at, std::initializer_list<uint8_t> values) {
    std::copy(values.begin(), values.end(), bytes.begin() + long(at));
    return bytes;
}

Bytes cutShort(Bytes bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

/// Where the first of the JPEG's markers `marker` starts.
std::size_t markerAt(const Bytes& jpeg, uint8_t marker) {
    std::size_t at = 2;
    while (!(jpeg[at] == 0xff && jpeg[at + 1] == marker)) {
        ++at;
    }
    return at;
}

/// A PNG of the picture with new sides in its header, the header's checksum made right.
Bytes pngWithSides(int width, int height) {
    Bytes bytes = changed(
        png(), 16,
        {0, 0, uint8_t(width >> 8), uint8_t(width), 0, 0, uint8_t(height >> 8), uint8_t(height)});
    const uint32_t crc = uint32_t(crc32(0, &bytes[12], 17));
    return changed(bytes, 29,
                   {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
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
    const std::string good = scratchFile(std::string("good-") + c.name, tga());
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
    {"text.tga",
     [] {
         return Bytes{'O', 'F', 'F', '\n', '8'};
     },
     "not a TGA, PNG or JPEG picture"},
    {"truncated.tga", [] { return cutShort(tga(), 200); }, "ends before the last pixel"},
    {"truncated-run-length.tga", [] { return cutShort(tga(true), 200); },
     "run-length data of the TGA picture ends"},
    // A first packet of 128 raw pixels that the file does not hold: the damage that ended the
    // program inside the library's own loader.
    {"run-length-overrun.tga", [] { return cutShort(changed(tga(true), 18, {0x7f}), 59); },
     "run-length data of the TGA picture ends"},
    {"lying-header.tga", [] { return changed(tga(), 14, {12}); }, "ends before the last pixel"},
    {"huge.tga",
     [] {
         return changed(tga(), 12, {0xff, 0xff, 0xff, 0xff});
     },
     "65535 x 65535 pixels, larger than the 8192 x 8192"},
    {"sixteen-bits.tga", [] { return changed(tga(), 16, {16}); },
     "16 bits per pixel are not supported"},
    {"truncated.png", [] { return cutShort(png(), 60); }, "ends inside a PNG chunk"},
    {"lying-header.png", [] { return pngWithSides(13, 40); },
     "image data ends before the last row"},
    {"more-data-than-header.png", [] { return pngWithSides(13, 5); },
     "holds more than the picture its header announces"},
    {"huge.png", [] { return pngWithSides(9000, 3); }, "9000 x 3 pixels, larger than"},
    {"checksum.png",
     [] {
         Bytes bytes = png();
         bytes[45] ^= 0x10;
         return bytes;
     },
     "fails its checksum"},
    {"truncated.jpg", [] { return cutShort(jpeg(), 400); }, "the file ends"},
    // More than 256 codes in one table: the decoder would write past its tables.
    {"too-many-huffman-codes.jpg",
     [] {
         return changed(jpeg(), markerAt(jpeg(), 0xc4) + 13, {255, 255, 255, 255, 255});
     },
     "Huffman table is damaged"},
    // A table no segment defines: the decoder would read far outside its tables.
    {"undefined-table.jpg", [] { return changed(jpeg(), markerAt(jpeg(), 0xda) + 6, {0x33}); },
     "uses a table that the file does not define"},
    // The decoder would decode the whole picture again for every copy of the scan.
    {"repeated-scan.jpg",
     [] {
         Bytes bytes = jpeg();
         const Bytes scan(bytes.begin() + long(markerAt(bytes, 0xda)), bytes.end() - 2);
         bytes.insert(bytes.end() - 2, scan.begin(), scan.end());
         return bytes;
     },
     "codes a component in two scans"},
    {"lying-header.jpg",
     [] {
         return changed(jpeg(), markerAt(jpeg(), 0xc0) + 5, {15, 11, 15});
     },
     "too short for a picture of 3853 x 3851 pixels"},
    {"huge.jpg",
     [] {
         return changed(jpeg(), markerAt(jpeg(), 0xc0) + 5, {48, 11, 48});
     },
     "larger than the 8192 x 8192"},
};

INSTANTIATE_TEST_SUITE_P(EveryKindOfDamage, DamagedImage, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                             return testName(info.param.name);
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
