// The view's near and far planes keep to the arena: a blown-up body cannot push the near plane
// past everything else, and planes that are no numbers are replaced.

#include "offscreen/ClippingPlanes.h"
#include "CoinEnvironment.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

/// The arena's reach and the camera of the start-up, 65 from the arena's middle.
class ClippingPlanes : public testing::Test {
protected:
    void SetUp() override {
        camera = new SoPerspectiveCamera;
        camera->ref();
        camera->position.setValue(-10, 15, 50);
        camera->pointAt(SbVec3f(0, 0, 1), SbVec3f(0, 1, 0));
    }
    void TearDown() override { camera->unref(); }

    const SbBox3f reach{SbVec3f(-165, -165, -165), SbVec3f(165, 165, 165)};
    SoPerspectiveCamera* camera = nullptr;
};

TEST_F(ClippingPlanes, PlanesAroundAnArenaInReachStayAsTheViewerSetThem) {
    const SbVec2f arena(30.5f, 85.2f);
    EXPECT_EQ(clippingPlanesWithin(arena, reach, *camera), arena);
}

// A body at the ends of single precision put the far plane there, and the near plane (at least
// a 512th of it) far beyond the arena: the planes come from the reach instead.
TEST_F(ClippingPlanes, ABodyBlownFarAwayLeavesTheArenaBetweenThePlanes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const SbVec2f& blown : {SbVec2f(5e34f, 3e37f), SbVec2f(nan, nan), SbVec2f(1, inf)}) {
        const SbVec2f planes = clippingPlanesWithin(blown, reach, *camera);
        // The arena's nearest corner lies about 35 from the eye, its farthest about 90.
        EXPECT_GT(planes[0], 0.0f);
        EXPECT_LT(planes[0], 30.0f);
        EXPECT_GT(planes[1], 95.0f);
        EXPECT_LT(planes[1], 400.0f);
        EXPECT_GE(planes[0], planes[1] * nearPlaneShare * (1 - 2 * clippingSlack));
    }
}

} // namespace
