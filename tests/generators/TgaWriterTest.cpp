#include "generators/TgaWriter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string tgaBytes(const Image& image) {
    std::ostringstream out;
    EXPECT_TRUE(writeTga(image, out));
    return out.str();
}

uint8_t byteAt(const std::string& bytes, size_t i) {
    return static_cast<uint8_t>(bytes.at(i));
}

} // namespace

TEST(TgaWriter, RgbHeaderDescribesAnUncompressedBottomUpPicture) {
    Image image(300, 2, 3);
    std::string bytes = tgaBytes(image);
    ASSERT_EQ(bytes.size(), 18u + 300 * 2 * 3);
    EXPECT_EQ(byteAt(bytes, 0), 0);   // no image id
    EXPECT_EQ(byteAt(bytes, 1), 0);   // no colour map
    EXPECT_EQ(byteAt(bytes, 2), 2);   // uncompressed true-colour
    EXPECT_EQ(byteAt(bytes, 12), 44); // width 300, low byte first
    EXPECT_EQ(byteAt(bytes, 13), 1);
    EXPECT_EQ(byteAt(bytes, 14), 2); // height 2
    EXPECT_EQ(byteAt(bytes, 15), 0);
    EXPECT_EQ(byteAt(bytes, 16), 24); // bits per pixel
    EXPECT_EQ(byteAt(bytes, 17), 0);  // no alpha, origin at the bottom left
    for (int i : {3, 4, 5, 6, 7, 8, 9, 10, 11}) {
        EXPECT_EQ(byteAt(bytes, i), 0) << "byte " << i;
    }
}

TEST(TgaWriter, RgbaHeaderAnnouncesEightAlphaBits) {
    Image image(4, 3, 4);
    std::string bytes = tgaBytes(image);
    ASSERT_EQ(bytes.size(), 18u + 4 * 3 * 4);
    EXPECT_EQ(byteAt(bytes, 16), 32);
    EXPECT_EQ(byteAt(bytes, 17), 8);
}

TEST(TgaWriter, PixelsAreBlueGreenRedFromTheBottomRowUp) {
    Image image(2, 2, 4);
    const uint8_t colours[4][4] = {
        {10, 20, 30, 40}, {50, 60, 70, 80}, {90, 100, 110, 120}, {130, 140, 150, 160}};
    for (int i = 0; i < 4; ++i) {
        std::copy(colours[i], colours[i] + 4, image.pixel(i % 2, i / 2));
    }
    std::string bytes = tgaBytes(image);
    ASSERT_EQ(bytes.size(), 18u + 16);
    for (int i = 0; i < 4; ++i) {
        size_t at = 18 + 4 * i;
        EXPECT_EQ(byteAt(bytes, at + 0), colours[i][2]);
        EXPECT_EQ(byteAt(bytes, at + 1), colours[i][1]);
        EXPECT_EQ(byteAt(bytes, at + 2), colours[i][0]);
        EXPECT_EQ(byteAt(bytes, at + 3), colours[i][3]);
    }
}

TEST(TgaWriter, PicturesTheFormatCannotHoldAreRefusedWithoutOutput) {
    Image tooWide(70000, 1, 3);
    Image empty;
    Image twoChannels(2, 2, 2);
    Image truncated(4, 4, 3);
    truncated.pixels.resize(10);
    for (const Image* image : {&tooWide, &empty, &twoChannels, &truncated}) {
        std::ostringstream out;
        EXPECT_FALSE(writeTga(*image, out));
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(TgaWriter, UnwritableFileIsReported) {
    EXPECT_FALSE(writeTgaFile(Image(2, 2, 3), "/nonexistent-folder/picture.tga"));
}
