// Where a body goes when it joins the others: at the centre asked for, or clear above them, and
// never beyond the arena's reach.

#include "balls/BodyPlacement.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

/// A body of the given points, one triangle over the first three (the rest loose).
std::unique_ptr<MpSystem> bodyOf(std::vector<SbVec3f> points) {
    BodyMesh mesh;
    mesh.positions = std::move(points);
    const size_t n = mesh.positions.size();
    mesh.masses.assign(n, 1.0f);
    mesh.texCoords.assign(n, SbVec2f(0, 0));
    mesh.springs = {{0, 1}, {1, 2}, {2, 0}};
    for (const SpringEnds& ends : mesh.springs) {
        mesh.restLengths.push_back((mesh.positions[ends.a] - mesh.positions[ends.b]).length());
    }
    mesh.faceIndices = {0, 1, 2, -1};
    return std::make_unique<MpSystem>(std::move(mesh), 0.0f, 0.0f);
}

class BodyPlacement : public testing::Test {
protected:
    void SetUp() override {
        world.addWall(Wall{SbVec3f(0, -15, 0), 15});
        below = bodyOf({SbVec3f(-2, -1, 4), SbVec3f(2, -1, 4), SbVec3f(0, 3, 6), SbVec3f(0, 1, 5)});
        world.addBody(below.get());
    }
    void TearDown() override { world.clearBodies(); }

    CollisionWorld world;
    std::unique_ptr<MpSystem> below;
};

// Its box's middle over the others', its lowest point a quarter of its size above their top.
TEST_F(BodyPlacement, WithoutACentreABodyGoesClearAboveTheOthers) {
    auto body = bodyOf({SbVec3f(10, 0, 0), SbVec3f(14, 0, 0), SbVec3f(12, 2, 1)});
    ASSERT_EQ(placeBody(*body, nullptr, world), "");
    const PointBounds box = boundsOf(body->positions(), body->numPoints());
    EXPECT_FLOAT_EQ(box.min[1], 3 + clearanceShare * 4);
    EXPECT_FLOAT_EQ(0.5f * (box.min[0] + box.max[0]), 0.0f);
    EXPECT_FLOAT_EQ(0.5f * (box.min[2] + box.max[2]), 5.0f);
    const PointBounds lower = boundsOf(below->positions(), below->numPoints());
    EXPECT_GT(box.min[1], lower.max[1]) << "clear of them";
}

// With a centre the mean of its points goes there; a centre that would put it beyond the arena's
// reach is refused and the body stays as it was.
TEST_F(BodyPlacement, ACentreIsTheMeanOfThePointsWithinTheArenasReach) {
    auto body = bodyOf({SbVec3f(1, 0, 0), SbVec3f(3, 0, 0), SbVec3f(2, 3, 0)});
    const SbVec3f centre(-4, 7, 2);
    ASSERT_EQ(placeBody(*body, &centre, world), "");
    EXPECT_EQ(centreOf(body->positions(), body->numPoints()), centre);
    EXPECT_EQ(body->masses()[2], 1.0f) << "its masses are those it was read with";

    const SbVec3f before = body->positions()[0];
    const SbVec3f far(0, 200, 0);
    EXPECT_EQ(placeBody(*body, &far, world),
              "its centre at (0, 200, 0) puts it beyond the arena's reach");
    EXPECT_EQ(body->positions()[0], before);
}

} // namespace
