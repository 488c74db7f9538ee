// What a run reports of its bodies against each other, and where body k of a run is written.

#include "bodyoutput/BodyMeasures.h"
#include "CoinEnvironment.h"
#include "generators/Icosphere.h"
#include "generators/TriangleMesh.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>

namespace {

std::unique_ptr<MpSystem> ball(const SbVec3f& centre) {
    std::istringstream in(meshText(makeIcosphere(2, 1, centre), MeshForm::Off));
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, 0.0f, 1.0f, 0.0f);
    std::cerr.rdbuf(progress);
    return body;
}

// A ball of radius 1 holds the points of another that lie within its surface, and no others.
TEST(BodyMeasures, PointsInsideAreThoseWithinTheOtherClosedSurface) {
    const auto outer = ball(SbVec3f(0, 0, 0));
    EXPECT_EQ(pointsInside(*outer, *ball(SbVec3f(5, 0, 0))), 0) << "apart";
    EXPECT_EQ(pointsInside(*outer, *ball(SbVec3f(0, 0, 0))), 0) << "on the surface is not in";
    // The surface's flat triangles lie between 0.9 and 1 from the centre.
    const auto shifted = ball(SbVec3f(1, 0, 0));
    int surely = 0;
    int atMost = 0;
    for (int i = 0; i < shifted->numPoints(); ++i) {
        surely += shifted->positions()[i].length() < 0.9f ? 1 : 0;
        atMost += shifted->positions()[i].length() < 1.0f ? 1 : 0;
    }
    ASSERT_GT(surely, 0);
    EXPECT_GE(pointsInside(*outer, *shifted), surely);
    EXPECT_LE(pointsInside(*outer, *shifted), atMost);
    const SbVec3f extent = extentOf(*outer);
    EXPECT_NEAR(extent[1], 2.0f, 1e-5f);
}

TEST(BodyMeasures, BodyKIsWrittenBesideTheFirstWithItsNumberBeforeTheExtension) {
    EXPECT_EQ(numberedOutput("out.toff", 1), "out.toff");
    EXPECT_EQ(numberedOutput("out.toff", 2), "out-2.toff");
    EXPECT_EQ(numberedOutput("runs/v1.2/out.off", 12), "runs/v1.2/out-12.off");
    EXPECT_EQ(numberedOutput("runs/v1.2/out", 3), "runs/v1.2/out-3");
    EXPECT_EQ(numberedOutput(".hidden", 2), ".hidden-2");
}

} // namespace
