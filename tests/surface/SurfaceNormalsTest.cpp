#include "CoinEnvironment.h"

#include "common/Workers.h"
#include "mpsystem/surface/SurfaceNormals.h"

#include <Inventor/caches/SoNormalCache.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace {

/// A triangle surface as the body's strip set holds it: points and "a b c -1" indices.
struct Surface {
    std::vector<SbVec3f> points;
    std::vector<int32_t> indices;

    void add(int a, int b, int c) { indices.insert(indices.end(), {a, b, c, -1}); }
    int triangles() const { return static_cast<int>(indices.size() / 4); }
};

/// A closed sphere of radius 2 with rows x columns quadrilaterals cut into triangles, wound
/// counter-clockwise seen from outside; the poles are single points.
Surface sphere(int rows, int columns) {
    Surface s;
    s.points.emplace_back(0.0f, 2.0f, 0.0f);
    for (int r = 1; r < rows; ++r) {
        const double polar = M_PI * r / rows;
        for (int c = 0; c < columns; ++c) {
            const double azimuth = 2.0 * M_PI * c / columns;
            s.points.emplace_back(float(2 * std::sin(polar) * std::cos(azimuth)),
                                  float(2 * std::cos(polar)),
                                  float(-2 * std::sin(polar) * std::sin(azimuth)));
        }
    }
    s.points.emplace_back(0.0f, -2.0f, 0.0f);
    const int south = static_cast<int>(s.points.size()) - 1;
    auto at = [&](int r, int c) { return 1 + (r - 1) * columns + (c % columns); };
    for (int c = 0; c < columns; ++c) {
        s.add(0, at(1, c), at(1, c + 1));
        s.add(south, at(rows - 1, c + 1), at(rows - 1, c));
        for (int r = 1; r + 1 < rows; ++r) {
            s.add(at(r, c), at(r + 1, c), at(r + 1, c + 1));
            s.add(at(r, c), at(r + 1, c + 1), at(r, c + 1));
        }
    }
    return s;
}

/// A unit cube of twelve triangles: every point has faces at right angles to each other.
Surface cube() {
    Surface s;
    for (int i = 0; i < 8; ++i) {
        s.points.emplace_back(float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1));
    }
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        s.add(q[0], q[1], q[2]);
        s.add(q[0], q[2], q[3]);
    }
    return s;
}

/// The sphere with every point moved at random by up to `amount` along each axis: a body
/// that has crumpled, with points of every kind from smooth to sharp.
Surface crumpled(int rows, int columns, float amount, unsigned seed) {
    Surface s = sphere(rows, columns);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> offset(-amount, amount);
    for (SbVec3f& p : s.points) {
        p += SbVec3f(offset(random), offset(random), offset(random));
    }
    return s;
}

/// The library's normal at every corner, three per triangle.
std::vector<SbVec3f> libraryNormals(const Surface& s, float crease, bool counterClockwise) {
    // Made and dropped as the library makes its own scratch caches.
    SoNormalCache cache(nullptr);
    cache.generatePerVertex(s.points.data(), static_cast<unsigned>(s.points.size()),
                            s.indices.data(), static_cast<int>(s.indices.size()), crease, nullptr,
                            -1, counterClockwise, TRUE);
    std::vector<SbVec3f> corners;
    for (int i = 0; i < static_cast<int>(s.indices.size()); ++i) {
        if (s.indices[i] >= 0) {
            corners.push_back(cache.getNormals()[cache.getIndices()[i]]);
        }
    }
    return corners;
}

/// How far the largest component of any corner's normal lies from the library's.
float largestDifference(const Surface& s, float crease, bool counterClockwise) {
    SurfaceNormals normals;
    EXPECT_TRUE(normals.setTriangles(s.indices.data(), static_cast<int>(s.indices.size()),
                                     static_cast<int>(s.points.size())));
    normals.update(s.points.data(), crease, counterClockwise);
    const std::vector<SbVec3f> expected = libraryNormals(s, crease, counterClockwise);
    float largest = 0.0f;
    for (int t = 0; t < s.triangles(); ++t) {
        for (int c = 0; c < 3; ++c) {
            const SbVec3f difference = normals.cornerNormal(t, c) - expected[3 * t + c];
            for (int k = 0; k < 3; ++k) {
                largest = std::max(largest, std::fabs(difference[k]));
            }
        }
    }
    return largest;
}

class SurfaceNormalsTest : public testing::Test {
protected:
    void TearDown() override { setWorkerCount(threads_); }

private:
    const int threads_ = workerCount();
};

} // namespace

TEST_F(SurfaceNormalsTest, AgreeWithTheLibraryAtEveryCorner) {
    struct Case {
        const char* name;
        Surface surface;
        float crease;
        bool counterClockwise;
    };
    const Case cases[] = {
        {"smooth sphere", sphere(24, 32), 1.0f, true},
        {"sphere wound the other way", sphere(24, 32), 1.0f, false},
        {"cube", cube(), 1.0f, true},
        {"cube smoothed over its edges", cube(), 2.0f, true},
        {"crumpled body", crumpled(30, 40, 0.08f, 7), 1.0f, true},
        {"badly crumpled body", crumpled(30, 40, 0.3f, 11), 1.0f, true},
        {"no crease angle: flat faces", crumpled(10, 12, 0.1f, 3), 0.0f, true},
        {"crease angle beyond pi", crumpled(10, 12, 0.3f, 5), 7.0f, true},
    };
    for (const Case& c : cases) {
        EXPECT_LT(largestDifference(c.surface, c.crease, c.counterClockwise), 2e-6f) << c.name;
    }
}

TEST_F(SurfaceNormalsTest, SharpCornersKeepTheirOwnFacesNormals) {
    Surface s = cube();
    SurfaceNormals normals;
    ASSERT_TRUE(normals.setTriangles(s.indices.data(), static_cast<int>(s.indices.size()), 8));
    normals.update(s.points.data(), 1.0f, true);
    EXPECT_FALSE(normals.allSmooth());
    // The bottom face (z = 0) faces -z at all its corners, whatever else meets there.
    for (int c = 0; c < 3; ++c) {
        const SbVec3f n = normals.cornerNormal(0, c);
        EXPECT_NEAR(n[0], 0.0f, 1e-6f);
        EXPECT_NEAR(n[1], 0.0f, 1e-6f);
        EXPECT_NEAR(n[2], -1.0f, 1e-6f);
    }
}

TEST_F(SurfaceNormalsTest, TriangleWithoutAreaHasNoNormalAsInTheLibrary) {
    Surface s;
    s.points = {SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(2, 0, 0), SbVec3f(0, 1, 0)};
    s.add(0, 1, 2); // on one line
    s.add(0, 1, 3);
    s.add(3, 3, 1); // a point twice
    SurfaceNormals normals;
    ASSERT_TRUE(normals.setTriangles(s.indices.data(), static_cast<int>(s.indices.size()), 4));
    normals.update(s.points.data(), 1.0f, true);
    EXPECT_EQ(normals.faceNormal(0), SbVec3f(0, 0, 0));
    EXPECT_EQ(normals.faceNormal(2), SbVec3f(0, 0, 0));
    // Its neighbour's corners are not bent by it.
    EXPECT_EQ(normals.cornerNormal(1, 0), SbVec3f(0, 0, 1));
    EXPECT_LT(largestDifference(s, 1.0f, true), 2e-6f);
}

TEST_F(SurfaceNormalsTest, SmoothBodyDrawsEveryTriangleFromPointNormals) {
    Surface s = sphere(24, 32);
    SurfaceNormals normals;
    ASSERT_TRUE(normals.setTriangles(s.indices.data(), static_cast<int>(s.indices.size()),
                                     static_cast<int>(s.points.size())));
    normals.update(s.points.data(), 1.0f, true);
    ASSERT_TRUE(normals.allSmooth());
    int drawn = 0;
    for (int b = 0; b < normals.numBlocks(); ++b) {
        EXPECT_EQ(normals.numSharpTriangles(b), 0);
        drawn += normals.numSmoothTriangles(b);
    }
    EXPECT_EQ(drawn, s.triangles());
    // On a sphere about the origin, the smooth normal points outwards.
    for (size_t p = 0; p < s.points.size(); ++p) {
        EXPECT_GT(normals.pointNormals()[p].dot(s.points[p]) / 2.0f, 0.99f) << "point " << p;
    }
}

TEST_F(SurfaceNormalsTest, EveryTriangleIsDrawnOnceWhateverTheThreads) {
    // Large enough for several blocks and both threads.
    Surface s = crumpled(120, 160, 0.02f, 13);
    for (int threads : {1, 2}) {
        setWorkerCount(threads);
        SurfaceNormals normals;
        ASSERT_TRUE(normals.setTriangles(s.indices.data(), static_cast<int>(s.indices.size()),
                                         static_cast<int>(s.points.size())));
        normals.update(s.points.data(), 1.0f, true);
        ASSERT_GT(normals.numBlocks(), 2);
        ASSERT_FALSE(normals.allSmooth());
        std::multiset<std::vector<uint32_t>> drawn;
        for (int b = 0; b < normals.numBlocks(); ++b) {
            const uint32_t* corners = normals.smoothCorners(b);
            for (int i = 0; i < normals.numSmoothTriangles(b); ++i) {
                drawn.insert({corners[3 * i], corners[3 * i + 1], corners[3 * i + 2]});
            }
            for (int i = 0; i < normals.numSharpTriangles(b); ++i) {
                const int t = normals.sharpTriangles(b)[i];
                const uint32_t* c = normals.cornerPoints() + 3 * t;
                EXPECT_FALSE(normals.isSmooth(c[0]) && normals.isSmooth(c[1]) &&
                             normals.isSmooth(c[2]));
                drawn.insert({c[0], c[1], c[2]});
                // The corners' normals made with the others are those asked for one by one.
                for (int k = 0; k < 3; ++k) {
                    ASSERT_EQ(normals.sharpCornerNormals(b)[3 * i + k], normals.cornerNormal(t, k));
                }
            }
        }
        std::multiset<std::vector<uint32_t>> expected;
        for (int t = 0; t < s.triangles(); ++t) {
            expected.insert({uint32_t(s.indices[4 * t]), uint32_t(s.indices[4 * t + 1]),
                             uint32_t(s.indices[4 * t + 2])});
        }
        EXPECT_EQ(drawn, expected) << threads << " threads";
        EXPECT_LT(largestDifference(s, 1.0f, true), 2e-6f) << threads << " threads";
    }
}

TEST_F(SurfaceNormalsTest, AcceptsOnlyTrianglesWithinThePoints) {
    SurfaceNormals normals;
    const std::vector<int32_t> quad = {0, 1, 2, 3, -1};
    const std::vector<int32_t> outside = {0, 1, 4, -1};
    const std::vector<int32_t> negative = {0, -2, 1, -1};
    const std::vector<int32_t> unended = {0, 1, 2};
    const std::vector<int32_t> fine = {0, 1, 2, -1, 2, 1, 3, -1};
    EXPECT_FALSE(normals.setTriangles(quad.data(), 5, 4));
    EXPECT_FALSE(normals.setTriangles(outside.data(), 4, 4));
    EXPECT_FALSE(normals.setTriangles(negative.data(), 4, 4));
    EXPECT_FALSE(normals.setTriangles(unended.data(), 3, 4));
    EXPECT_FALSE(normals.setTriangles(fine.data(), 0, 4));
    EXPECT_EQ(normals.numTriangles(), 0);
    ASSERT_TRUE(normals.setTriangles(fine.data(), 8, 4));
    EXPECT_EQ(normals.numTriangles(), 2);
    EXPECT_FALSE(normals.setTriangles(quad.data(), 5, 4));
    EXPECT_EQ(normals.numTriangles(), 0);
}
