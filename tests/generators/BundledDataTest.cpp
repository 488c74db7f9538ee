#include "generators/BundledData.h"

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

/// What a bundled mesh's text announces and holds: its counts and its faces by size.
struct MeshCounts {
    std::string keyword;
    long points = -1, faces = -1, edges = -1;
    long triangles = 0, struts = 0, others = 0;
};

MeshCounts countMesh(const std::string& bytes) {
    MeshCounts c;
    std::istringstream text(bytes);
    std::string line;
    std::getline(text, c.keyword);
    std::getline(text, line); // the generator's comment
    text >> c.points >> c.faces >> c.edges;
    std::getline(text, line);
    for (long i = 0; i < c.points; ++i) {
        std::getline(text, line);
    }
    while (std::getline(text, line)) {
        std::istringstream face(line);
        long n = 0;
        face >> n;
        ++(n == 3 ? c.triangles : n == 2 ? c.struts : c.others);
    }
    return c;
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

    MeshCounts b = countMesh(ball->bytes);
    EXPECT_EQ(b.keyword, "TOFF");
    EXPECT_EQ(b.points, 642);
    EXPECT_EQ(b.triangles, 1280);
    EXPECT_EQ(b.faces, b.triangles + b.struts);
    EXPECT_EQ(b.others, 0);

    MeshCounts x = countMesh(box->bytes);
    EXPECT_EQ(x.keyword, "OFF");
    // The arrow keys push points 1, 2, 5 and 6.
    EXPECT_GE(x.points, 7);
    EXPECT_EQ(x.faces, x.triangles + x.struts);
    EXPECT_EQ(x.others, 0);

    for (const MeshCounts* c : {&b, &x}) {
        // Each point is braced by exactly one strut across the body, and the announced edge
        // count is the number of springs: the closed surface's edges and the struts.
        EXPECT_EQ(c->struts * 2, c->points) << c->keyword;
        EXPECT_EQ(c->edges, c->triangles * 3 / 2 + c->struts) << c->keyword;
    }
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
