// The cloth and the springs that hold an inflated body: counted, placed, read back by the
// program's reader as the springs they are meant to be.

#include "generators/Sheet.h"
#include "generators/BendingSprings.h"
#include "generators/BundledData.h"
#include "generators/Icosphere.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <iostream>
#include <set>
#include <sstream>
#include <utility>

namespace {

std::unique_ptr<MpSystem> readQuietly(const std::string& text) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, 0.0f, 1.0f, 50.0f);
    std::cerr.rdbuf(progress);
    return body;
}

} // namespace

class SheetSize : public testing::TestWithParam<int> {};

TEST_P(SheetSize, HasItsStructuralShearAndBendingSpringsAndCorners) {
    const int n = GetParam();
    const TriangleMesh sheet = makeSheet(n, 8.0f, SbVec3f(0, 4, 3), SbVec3f(0, 0, 1));
    ASSERT_EQ(sheet.points.size(), size_t(n) * n);
    const SheetSprings counts = sheetSpringCounts(n);
    EXPECT_EQ(counts.structural, 2 * n * (n - 1));
    EXPECT_EQ(counts.shear, 2 * (n - 1) * (n - 1));
    EXPECT_EQ(counts.bending, 2 * n * std::max(n - 2, 0));
    EXPECT_EQ(countEdges(sheet), counts.total()) << "no spring twice";
    // The program's reader makes the same springs of the file.
    const std::unique_ptr<MpSystem> body = readQuietly(meshText(sheet, MeshForm::Toff));
    ASSERT_TRUE(body->isLoaded());
    EXPECT_EQ(body->numSprings(), counts.total());
    EXPECT_EQ(body->numFaceIndices(), 4 * 2 * (n - 1) * (n - 1));
    // Row by row from the top: the top corners at the top edge's ends, the bottom ones 8 below;
    // the triangles face -x, down x across.
    const SbVec3f corners[] = {SbVec3f(0, 4, -1), SbVec3f(0, 4, 7), SbVec3f(0, -4, -1),
                               SbVec3f(0, -4, 7)};
    const int indices[] = {0, n - 1, n * (n - 1), n * n - 1};
    for (int k = 0; k < 4; ++k) {
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(sheet.points[indices[k]][a], corners[k][a], 1e-5) << "corner " << k;
        }
    }
    const SbVec3f normal =
        (sheet.points[sheet.triangles[0][1]] - sheet.points[sheet.triangles[0][0]])
            .cross(sheet.points[sheet.triangles[0][2]] - sheet.points[sheet.triangles[0][0]]);
    EXPECT_LT(normal[0], 0.0f);
    // An open surface: no gas holds it.
    EXPECT_FALSE(body->pressureProblem().empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, SheetSize, testing::Values(2, 3, 4, 64));

TEST(Sheet, SixtyFourSquaredHasTheAnnouncedSprings) {
    EXPECT_EQ(sheetSpringCounts(64).structural, 8064);
    EXPECT_EQ(sheetSpringCounts(64).shear, 7938);
    EXPECT_EQ(sheetSpringCounts(64).bending, 7936);
    const BundledFile file = makeSheetFile(64);
    EXPECT_EQ(file.name, "sheet.toff");
    EXPECT_NE(file.summary.find("4096 points"), std::string::npos) << file.summary;
    EXPECT_NE(file.summary.find("23938 springs"), std::string::npos) << file.summary;
}

TEST(BendingSprings, JoinTheCornersAcrossEdgesAtMostOnceAPoint) {
    TriangleMesh ball = makeIcosphere(4, 4.0f, SbVec3f(0, 0, 3));
    const int64_t edges = countEdges(ball);
    const int64_t added = addBendingSprings(ball);
    EXPECT_EQ(countEdges(ball), edges + added) << "no spring doubles an edge or another";
    EXPECT_LE(2 * added, int64_t(ball.points.size()));
    EXPECT_GT(2 * added, int64_t(ball.points.size()) * 8 / 10) << "most points are held";
    EXPECT_LE(countEdges(ball), int64_t(ball.points.size()) * 7 / 2) << "3.5 springs a point";
    std::set<int32_t> ends;
    for (const auto& spring : ball.struts) {
        EXPECT_TRUE(ends.insert(spring[0]).second && ends.insert(spring[1]).second);
        // Across an edge: the two ends share two neighbours, the edge's ends.
        EXPECT_LT((ball.points[spring[0]] - ball.points[spring[1]]).length(), 1.0f);
    }
}

TEST(BendingSprings, InflatedBallFileAsksForItsPressure) {
    const BundledFile ball = makeBall(4, 23.0f);
    const std::unique_ptr<MpSystem> body = readQuietly(ball.bytes);
    EXPECT_EQ(body->numPoints(), 2562);
    EXPECT_EQ(body->filePressure(), 23.0f);
    EXPECT_EQ(body->pressure(), 23.0f);
    EXPECT_LE(body->numSprings(), 2562 * 7 / 2);
    EXPECT_EQ(readQuietly(makeBall(4).bytes)->filePressure(), 0.0f) << "braced, no gas";
}
