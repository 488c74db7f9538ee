// The pillars' texture: col.tga from the working folder, else from the data folders, read once
// for all the pillars of the arena, or, when the file found gives no picture, untextured
// pillars and one line saying why.

#include "CoinEnvironment.h"
#include "TexturePicture.h"
#include "arena/Pillars.h"
#include "balls/CollisionWorld.h"

#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Runs the program's layout in `folder` and gives back what it said on standard error and
/// the texture node of its first shaft, having checked that every shaft and cap wears it.
std::string layOutIn(const std::string& folder, TexturePicture& picture) {
    char* previous = getcwd(nullptr, 0);
    EXPECT_EQ(chdir(folder.c_str()), 0) << folder;
    SoSeparator* world = new SoSeparator;
    world->ref();
    CollisionWorld collisions;
    testing::internal::CaptureStderr();
    layOutArena(world, collisions);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(chdir(previous), 0);
    std::free(previous);

    SoNode* texture = static_cast<SoSeparator*>(world->getChild(0))->getChild(1);
    for (int k = 0; k < world->getNumChildren(); ++k) {
        EXPECT_EQ(static_cast<SoSeparator*>(world->getChild(k))->getChild(1), texture) << k;
    }
    picture = pictureOf(*static_cast<SoTexture2*>(texture));
    world->unref();
    return said;
}

TEST(PillarTexture, ColTgaIsReadOnceForAllPillars) {
    const std::string data = std::string(PLIMMERTON_SOURCE_DIR) + "/data";
    TexturePicture picture;
    EXPECT_EQ(layOutIn(data, picture), "");
    EXPECT_EQ(picture.size, SbVec2s(256, 256));
    EXPECT_EQ(picture, libraryPicture((data + "/col.tga").c_str()));
}

TEST(PillarTexture, AFolderWithoutColTgaGetsTheDataFoldersMarbleSilently) {
    const std::string missing = std::string(PLIMMERTON_BINARY_DIR) + "/pillars-without-col";
    mkdir(missing.c_str(), 0755);
    std::remove((missing + "/col.tga").c_str());
    TexturePicture picture;
    EXPECT_EQ(layOutIn(missing, picture), "");
    const std::string data = std::string(PLIMMERTON_SOURCE_DIR) + "/data";
    EXPECT_EQ(picture, libraryPicture((data + "/col.tga").c_str()));
}

TEST(PillarTexture, ADamagedColTgaAtHandLeavesThePillarsUntexturedAndOneLineSaysWhy) {
    const std::string damaged = std::string(PLIMMERTON_BINARY_DIR) + "/pillars-damaged-col";
    mkdir(damaged.c_str(), 0755);
    // A run-length TGA whose first packet asks for more pixels than the file holds.
    std::ofstream(damaged + "/col.tga", std::ios::binary)
        << std::string("\0\0\x0a\0\0\0\0\0\0\0\0\0\0\x01\0\x01\x18\0\x7f", 19)
        << std::string(40, '\0');

    TexturePicture picture;
    EXPECT_EQ(layOutIn(damaged, picture),
              "Cannot use the texture file `col.tga': the run-length data of the TGA picture "
              "ends before its last pixel\n");
    EXPECT_EQ(picture, TexturePicture());
}

} // namespace
