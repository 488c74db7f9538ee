#include "generators/Icosphere.h"
#include "MeshChecks.h"

#include <cmath>

TEST(Icosphere, PointAndTriangleCountsFollowTheLevel) {
    const int64_t expectedPoints[] = {12, 42, 162, 642, 2562, 10242};
    for (int level = 0; level <= 5; ++level) {
        TriangleMesh mesh = makeIcosphere(level, 1.0f, SbVec3f(0, 0, 0));
        EXPECT_EQ(int64_t(mesh.points.size()), expectedPoints[level]) << "level " << level;
        EXPECT_EQ(icospherePointCount(level), expectedPoints[level]);
        EXPECT_EQ(int64_t(mesh.triangles.size()), 20 * (int64_t(1) << (2 * level)));
        EXPECT_EQ(mesh.texCoords.size(), mesh.points.size());
    }
    EXPECT_EQ(icospherePointCount(7), 163842);
    EXPECT_EQ(icospherePointCount(8), 655362);
}

TEST(Icosphere, LevelSevenHasTheAnnouncedSize) {
    TriangleMesh mesh = makeIcosphere(7, 4.0f, SbVec3f(0, 0, 0));
    EXPECT_EQ(int64_t(mesh.points.size()), 163842);
    EXPECT_EQ(countEdges(mesh), int64_t(mesh.triangles.size()) * 3 / 2);
}

TEST(Icosphere, LevelsOutsideTheRangeAreHeldToIt) {
    EXPECT_EQ(makeIcosphere(-3, 1.0f, SbVec3f(0, 0, 0)).points.size(), 12u);
    EXPECT_EQ(icospherePointCount(-1), 12);
    EXPECT_EQ(icospherePointCount(99), icospherePointCount(10));
}

TEST(Icosphere, EveryPointLiesOnTheSphere) {
    const SbVec3f centre(1.5f, -2.0f, 0.25f);
    TriangleMesh mesh = makeIcosphere(4, 4.0f, centre);
    for (const SbVec3f& p : mesh.points) {
        EXPECT_NEAR((p - centre).length(), 4.0f, 1e-5f);
    }
}

TEST(Icosphere, SurfaceIsClosedAndWoundOutward) {
    const SbVec3f centre(0, 3, -1);
    for (int level = 0; level <= 4; ++level) {
        TriangleMesh mesh = makeIcosphere(level, 2.0f, centre);
        EXPECT_TRUE(isClosedAndConsistentlyWound(mesh)) << "level " << level;
        EXPECT_TRUE(isWoundOutward(mesh, centre)) << "level " << level;
        // A closed surface: every edge is shared by two triangles, and the Euler
        // characteristic of a sphere is 2.
        int64_t edges = countEdges(mesh);
        EXPECT_EQ(edges, int64_t(mesh.triangles.size()) * 3 / 2);
        EXPECT_EQ(int64_t(mesh.points.size()) - edges + int64_t(mesh.triangles.size()), 2);
    }
}

TEST(Icosphere, TextureCoordinatesFollowLatitudeAndLongitudeWithoutAWrap) {
    const float radius = 4.0f;
    TriangleMesh mesh = makeIcosphere(3, radius, SbVec3f(0, 0, 0));
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        const SbVec3f& p = mesh.points[i];
        const SbVec2f& t = mesh.texCoords[i];
        ASSERT_GE(t[0], 0.0f);
        ASSERT_LE(t[0], 1.0f);
        // v rises with height: south pole 0, equator 0.5, north pole 1.
        EXPECT_NEAR(t[1], 0.5f + std::asin(p[1] / radius) / float(M_PI), 1e-5f);
    }
    // Away from the poles, where every longitude meets, no triangle spans a large part of
    // the texture: there is no seam where u jumps from one edge of the picture to the other.
    for (const auto& tri : mesh.triangles) {
        bool nearPole = false;
        float lo = 1, hi = 0;
        for (int32_t k : tri) {
            nearPole = nearPole || std::fabs(mesh.points[k][1]) > 0.9f * radius;
            lo = std::min(lo, mesh.texCoords[k][0]);
            hi = std::max(hi, mesh.texCoords[k][0]);
        }
        if (!nearPole) {
            EXPECT_LT(hi - lo, 0.1f);
        }
    }
}

TEST(Icosphere, LongitudeRunsFromPlusXToMinusX) {
    TriangleMesh mesh = makeIcosphere(2, 1.0f, SbVec3f(0, 0, 0));
    int onXAxis = 0;
    int onMeridianOfZ = 0;
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        const SbVec3f& p = mesh.points[i];
        if (std::fabs(p[1]) < 1e-4f && std::fabs(p[2]) < 1e-4f) {
            EXPECT_NEAR(mesh.texCoords[i][0], p[0] > 0 ? 0.0f : 1.0f, 1e-5f);
            ++onXAxis;
        }
        if (std::fabs(p[0]) < 1e-4f && std::fabs(p[2]) > 1e-4f) {
            EXPECT_NEAR(mesh.texCoords[i][0], 0.5f, 1e-5f);
            ++onMeridianOfZ;
        }
    }
    EXPECT_EQ(onXAxis, 2);
    EXPECT_GT(onMeridianOfZ, 4);
}

TEST(Icosphere, BracingJoinsEveryPointToItsAntipodeOnce) {
    const SbVec3f centre(0, 0, 3);
    for (int level = 0; level <= 4; ++level) {
        TriangleMesh plain = makeIcosphere(level, 4.0f, centre);
        TriangleMesh braced = makeIcosphere(level, 4.0f, centre, Bracing::ThroughCentre);
        EXPECT_TRUE(plain.struts.empty());
        // Bracing adds struts and changes nothing else.
        EXPECT_EQ(braced.points, plain.points);
        EXPECT_EQ(braced.texCoords, plain.texCoords);
        EXPECT_EQ(braced.triangles, plain.triangles);
        EXPECT_TRUE(isBracedThroughCentre(braced, centre)) << "level " << level;
        EXPECT_EQ(countEdges(braced), countEdges(plain) + int64_t(braced.struts.size()));
    }
}
