#include "generators/RoundedBox.h"
#include "MeshChecks.h"

#include <algorithm>
#include <cmath>

namespace {

/// Distance from p to the surface of a box of half size h with edges rounded to radius r,
/// centred at the origin: 0 on the surface.
float roundedBoxDistance(const SbVec3f& p, const SbVec3f& h, float r) {
    SbVec3f outside;
    for (int a = 0; a < 3; ++a) {
        outside[a] = std::max(std::fabs(p[a]) - (h[a] - r), 0.0f);
    }
    return outside.length() - r;
}

} // namespace

TEST(RoundedBox, PointAndTriangleCountsFollowTheSegments) {
    // n steps per side: 6 n^2 + 2 points and 12 n^2 triangles.
    TriangleMesh mesh = makeRoundedBox(SbVec3f(3, 2, 2), 0.75f, 4, 2, SbVec3f(0, 0, 0));
    EXPECT_EQ(mesh.points.size(), 6u * 64 + 2);
    EXPECT_EQ(mesh.triangles.size(), 12u * 64);
    EXPECT_TRUE(mesh.texCoords.empty());

    TriangleMesh cube = makeRoundedBox(SbVec3f(1, 1, 1), 0.0f, 1, 3, SbVec3f(0, 0, 0));
    EXPECT_EQ(cube.points.size(), 8u);
    EXPECT_EQ(cube.triangles.size(), 12u);
}

TEST(RoundedBox, SurfaceIsClosedAndWoundOutward) {
    const SbVec3f centre(-1, 2, 0.5f);
    const float radii[] = {0.0f, 0.3f, 0.75f};
    for (float r : radii) {
        TriangleMesh mesh = makeRoundedBox(SbVec3f(3, 2, 1.5f), r, 3, 2, centre);
        EXPECT_TRUE(isClosedAndConsistentlyWound(mesh)) << "radius " << r;
        EXPECT_TRUE(isWoundOutward(mesh, centre)) << "radius " << r;
        int64_t edges = countEdges(mesh);
        EXPECT_EQ(edges, int64_t(mesh.triangles.size()) * 3 / 2);
        EXPECT_EQ(int64_t(mesh.points.size()) - edges + int64_t(mesh.triangles.size()), 2);
    }
}

TEST(RoundedBox, EveryPointLiesOnTheRoundedSurface) {
    const SbVec3f half(3, 2, 2);
    const SbVec3f centre(0, 1, 0);
    TriangleMesh mesh = makeRoundedBox(half, 0.75f, 4, 3, centre);
    for (const SbVec3f& p : mesh.points) {
        EXPECT_NEAR(roundedBoxDistance(p - centre, half, 0.75f), 0.0f, 1e-5f);
    }
}

TEST(RoundedBox, NoTwoPointsCoincide) {
    // A corner radius as large as the box is held back, so the flat middle keeps a width.
    TriangleMesh mesh = makeRoundedBox(SbVec3f(1, 1, 1), 5.0f, 2, 2, SbVec3f(0, 0, 0));
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        for (size_t j = i + 1; j < mesh.points.size(); ++j) {
            ASSERT_GT((mesh.points[i] - mesh.points[j]).length(), 1e-3f) << i << " " << j;
        }
    }
    EXPECT_TRUE(isWoundOutward(mesh, SbVec3f(0, 0, 0)));
}

TEST(RoundedBox, NegativeHalfSizesAndSegmentCountsAreHeldToSaneValues) {
    TriangleMesh mesh = makeRoundedBox(SbVec3f(-2, 1, -1), 0.2f, 0, -4, SbVec3f(0, 0, 0));
    ASSERT_EQ(mesh.points.size(), 8u);
    for (const SbVec3f& p : mesh.points) {
        EXPECT_FLOAT_EQ(std::fabs(p[0]), 2.0f);
        EXPECT_FLOAT_EQ(std::fabs(p[1]), 1.0f);
        EXPECT_FLOAT_EQ(std::fabs(p[2]), 1.0f);
    }
    EXPECT_TRUE(isClosedAndConsistentlyWound(mesh));
    EXPECT_TRUE(isWoundOutward(mesh, SbVec3f(0, 0, 0)));
}

TEST(RoundedBox, BracingJoinsEveryPointToItsMirrorThroughTheCentreOnce) {
    const SbVec3f centre(0, 0, 3);
    const float radii[] = {0.0f, 0.75f};
    for (float r : radii) {
        TriangleMesh plain = makeRoundedBox(SbVec3f(3, 2, 1.5f), r, 3, 2, centre);
        TriangleMesh braced =
            makeRoundedBox(SbVec3f(3, 2, 1.5f), r, 3, 2, centre, Bracing::ThroughCentre);
        EXPECT_TRUE(plain.struts.empty());
        EXPECT_EQ(braced.points, plain.points);
        EXPECT_EQ(braced.triangles, plain.triangles);
        EXPECT_TRUE(isBracedThroughCentre(braced, centre)) << "radius " << r;
        EXPECT_EQ(countEdges(braced), countEdges(plain) + int64_t(braced.struts.size()));
    }
}
