// The encoder writes a whole video or, when it cannot, says why, never crashes and never
// removes what is not its own file.

#include "video/VideoEncoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

TEST(VideoEncoderTest, OddSizesLoseARowAndAColumnAndEveryFrameIsWritten) {
    const std::string path = testing::TempDir() + "encoder_" + std::to_string(getpid()) + ".mp4";
    VideoEncoder encoder;
    ASSERT_TRUE(encoder.open(path, 33, 21)) << encoder.error();
    EXPECT_EQ(encoder.width(), 32);
    EXPECT_EQ(encoder.height(), 20);
    std::vector<uint8_t> pixels(33 * 21 * 3);
    for (int frame = 0; frame < 12; ++frame) {
        for (size_t k = 0; k < pixels.size(); ++k) {
            pixels[k] = static_cast<uint8_t>(k * 7 + frame * 13);
        }
        ASSERT_TRUE(encoder.addFrame(pixels.data(), 33 * 3, frame % 2 == 0));
    }
    EXPECT_TRUE(encoder.finish()) << encoder.error();
    EXPECT_EQ(encoder.frames(), 12);
    EXPECT_DOUBLE_EQ(encoder.seconds(), 0.4);
    EXPECT_GT(std::filesystem::file_size(path), 100u);
    std::filesystem::remove(path);
}

TEST(VideoEncoderTest, AFolderThatIsNotThereIsSaidAndNothingIsMade) {
    VideoEncoder encoder;
    EXPECT_FALSE(encoder.open("/no/such/folder/video.mp4", 64, 48));
    EXPECT_EQ(encoder.error().rfind("cannot write `/no/such/folder/video.mp4': ", 0), 0u)
        << encoder.error();
    std::vector<uint8_t> pixels(64 * 48 * 3);
    EXPECT_FALSE(encoder.addFrame(pixels.data(), 64 * 3, false));
    EXPECT_FALSE(encoder.finish());
    encoder.abandon();
}

TEST(VideoEncoderTest, AFullDiskEndsTheVideoWithItsReasonAndTheDeviceStays) {
    // The stream's start may fit the write buffer, so the failure may come at any write.
    VideoEncoder encoder;
    bool written = encoder.open("/dev/full", 64, 48);
    std::vector<uint8_t> pixels(64 * 48 * 3);
    for (int frame = 0; frame < 60 && written; ++frame) {
        pixels[static_cast<size_t>(frame)] = 255;
        written = encoder.addFrame(pixels.data(), 64 * 3, false);
    }
    EXPECT_FALSE(written && encoder.finish());
    EXPECT_NE(encoder.error().find("No space left on device"), std::string::npos)
        << encoder.error();
    encoder.abandon();
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}
