#include "tools/BundledData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string committedFile(const std::string& name) {
    std::ifstream in(std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

const BundledFile* findFile(const std::vector<BundledFile>& files, const std::string& name) {
    for (const BundledFile& file : files) {
        if (file.name == name) {
            return &file;
        }
    }
    return nullptr;
}

} // namespace

TEST(BundledData, CommittedFilesMatchTheGenerators) {
    // A generator changed without running scripts/make-data.sh leaves data/ stale.
    std::vector<BundledFile> files = makeBundledData();
    ASSERT_EQ(files.size(), 4u);
    for (const BundledFile& file : files) {
        EXPECT_FALSE(file.bytes.empty()) << file.name;
        EXPECT_TRUE(committedFile(file.name) == file.bytes)
            << "data/" << file.name << " differs from what plimmerton-mkdata writes";
    }
}

TEST(BundledData, BodiesAreTheAnnouncedMeshes) {
    std::vector<BundledFile> files = makeBundledData();
    const BundledFile* ball = findFile(files, "ball.toff");
    const BundledFile* box = findFile(files, "box.off");
    ASSERT_TRUE(ball && box);
    std::istringstream ballText(ball->bytes);
    std::istringstream boxText(box->bytes);
    std::string keyword, comment;
    long points = 0, faces = 0, edges = 0;

    std::getline(ballText, keyword);
    std::getline(ballText, comment);
    ballText >> points >> faces >> edges;
    EXPECT_EQ(keyword, "TOFF");
    EXPECT_EQ(points, 642);
    EXPECT_EQ(edges, faces * 3 / 2);

    std::getline(boxText, keyword);
    std::getline(boxText, comment);
    boxText >> points >> faces >> edges;
    EXPECT_EQ(keyword, "OFF");
    // The arrow keys push points 1, 2, 5 and 6.
    EXPECT_GE(points, 7);
    EXPECT_EQ(edges, faces * 3 / 2);
}

TEST(BundledData, GenerationIsRepeatable) {
    std::vector<BundledFile> first = makeBundledData();
    std::vector<BundledFile> second = makeBundledData();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].name, second[i].name);
        EXPECT_TRUE(first[i].bytes == second[i].bytes) << first[i].name;
    }
}
