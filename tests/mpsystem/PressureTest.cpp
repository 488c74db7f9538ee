// The gas inside a closed surface and pinned points: volumes and forces worked by hand, the gas
// law, the surfaces refused, the record in the file, the points that never move.

#include "tests/mpsystem/LoadMesh.h"

#include "mpsystem/StableTimeStep.h"
#include "mpsystem/SurfacePressure.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

/// The corner tetrahedron (0,0,0), (1,0,0), (0,1,0), (0,0,1), wound outward: volume 1/6.
const char* tetrahedron() {
    return "OFF\n4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
           "3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n";
}

/// The unit cube centred at the origin, each square split along the diagonal from its first
/// corner, wound outward: volume 1.
const char* cube() {
    return "OFF\n8 12 18\n"
           "-0.5 -0.5 -0.5\n0.5 -0.5 -0.5\n0.5 0.5 -0.5\n-0.5 0.5 -0.5\n"
           "-0.5 -0.5 0.5\n0.5 -0.5 0.5\n0.5 0.5 0.5\n-0.5 0.5 0.5\n"
           "3 0 3 2\n3 0 2 1\n3 4 5 6\n3 4 6 7\n3 0 1 5\n3 0 5 4\n"
           "3 2 3 7\n3 2 7 6\n3 1 2 6\n3 1 6 5\n3 0 4 7\n3 0 7 3\n";
}

/// The cube's corners scaled by `s` about its centre, and its face indices.
std::vector<SbVec3f> cubeCorners(float s) {
    std::vector<SbVec3f> p;
    for (int k : {0, 1, 2, 3, 4, 5, 6, 7}) {
        const float x = (k == 1 || k == 2 || k == 5 || k == 6) ? 0.5f : -0.5f;
        const float y = (k == 2 || k == 3 || k == 6 || k == 7) ? 0.5f : -0.5f;
        p.emplace_back(s * x, s * y, k >= 4 ? 0.5f * s : -0.5f * s);
    }
    p.emplace_back(0, 0, 0); // the readable point after the last
    return p;
}

std::vector<int32_t> cubeFaces() {
    const int32_t t[12][3] = {{0, 3, 2}, {0, 2, 1}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {2, 3, 7}, {2, 7, 6}, {1, 2, 6}, {1, 6, 5}, {0, 4, 7}, {0, 7, 3}};
    std::vector<int32_t> faces;
    for (const auto& c : t) {
        faces.insert(faces.end(), {c[0], c[1], c[2], -1});
    }
    return faces;
}

/// The pressure forces on a massless body after one step: no weight, springs at rest.
std::vector<SbVec3f> pressureForces(const char* mesh, float pressure) {
    LoadedMesh m = loadMesh(mesh, 0.0f, 0.0f, 50.0f);
    EXPECT_TRUE(m.body->setPressure(pressure));
    m.body->step(0.01f);
    return std::vector<SbVec3f>(m.body->forces(), m.body->forces() + m.body->numPoints());
}

void expectNear(const SbVec3f& actual, const SbVec3f& expected, const char* what) {
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(actual[k], expected[k], 1e-5) << what << " component " << k;
    }
}

} // namespace

TEST(Pressure, TetrahedronEachFacePushesAThirdOfPressureTimesAreaToEachCorner) {
    LoadedMesh m = loadMesh(tetrahedron());
    EXPECT_NEAR(m.body->restVolume(), 1.0 / 6.0, 1e-12);
    // The three faces on the axes' planes push each of their corners with p / 6 along their
    // normal; the slanted face (area sqrt(3) / 2) with p / 6 along (1, 1, 1).
    const std::vector<SbVec3f> f = pressureForces(tetrahedron(), 6.0f);
    expectNear(f[0], SbVec3f(-1, -1, -1), "the corner at the origin");
    expectNear(f[1], SbVec3f(1, 0, 0), "the corner on x");
    expectNear(f[2], SbVec3f(0, 1, 0), "the corner on y");
    expectNear(f[3], SbVec3f(0, 0, 1), "the corner on z");
}

TEST(Pressure, CubeCornerForcesFollowItsTriangles) {
    const std::vector<SbVec3f> f = pressureForces(cube(), 6.0f);
    // Corner 0 is the first corner of both triangles of its three squares: a third of each
    // square's push p; corner 1 lies on one triangle of two squares and both of the third.
    expectNear(f[0], SbVec3f(-2, -2, -2), "corner 0");
    expectNear(f[1], SbVec3f(2, -1, -1), "corner 1");
    SbVec3f total(0, 0, 0);
    for (const SbVec3f& force : f) {
        total += force;
    }
    expectNear(total, SbVec3f(0, 0, 0), "the sum over a closed surface");
}

TEST(Pressure, SqueezedTheGasPushesHarderAsTheGasLawSays) {
    // Halved, the cube has an eighth of its volume: V0 / V = 8 on a quarter of the area, so
    // every force doubles, and sum(x . f) = 3 p V stays 3 p V0 however it is squeezed.
    const std::vector<int32_t> faces = cubeFaces();
    SurfacePressure gas;
    gas.build(faces.data(), faces.size(), 8);
    const float p = 6.0f;
    struct Squeeze {
        float scale;
        double forceFactor;
    };
    for (const Squeeze& squeeze : {Squeeze{1.0f, 1.0}, Squeeze{0.5f, 2.0}, Squeeze{0.8f, 1.25},
                                   Squeeze{0.1f, 0.1}, Squeeze{-1.0f, 10.0}}) {
        const std::vector<SbVec3f> corners = cubeCorners(squeeze.scale);
        std::vector<SbVec3f> f(8, SbVec3f(0, 0, 0));
        const double volume = gas.addForces(p, 1.0, corners.data(), f.data(), 2);
        const double s = squeeze.scale;
        EXPECT_NEAR(volume, s * s * s, 1e-6) << squeeze.scale;
        // Below a tenth of its volume, or turned inside out (its triangles the same, its volume
        // negative), the gas pushes as at a tenth.
        expectNear(f[0], SbVec3f(-2, -2, -2) * float(squeeze.forceFactor), "corner 0");
        if (squeeze.scale >= 0.5f) {
            double virial = 0;
            for (int i = 0; i < 8; ++i) {
                virial += corners[i].dot(f[i]);
            }
            EXPECT_NEAR(virial, 3 * p * 1.0, 1e-4) << squeeze.scale;
        }
    }
}

TEST(Pressure, ThreadsAndThePlainLoopsGiveTheSameBits) {
    // A surface of many blocks: a strip of cubes would be closed each; the tests of the whole
    // step compare the threads on spheres (tests/parallel). Here the two sums of one surface.
    const std::vector<int32_t> faces = cubeFaces();
    SurfacePressure gas;
    gas.build(faces.data(), faces.size(), 8);
    const std::vector<SbVec3f> corners = cubeCorners(0.7f);
    std::vector<SbVec3f> fast(8, SbVec3f(1, 2, 3));
    std::vector<SbVec3f> plain(8, SbVec3f(1, 2, 3));
    const double v1 = gas.addForces(4.5f, 1.0, corners.data(), fast.data(), 2);
    const double v2 = gas.addPlainForces(4.5f, 1.0, corners.data(), plain.data());
    EXPECT_EQ(v1, v2);
    EXPECT_EQ(std::memcmp(fast.data(), plain.data(), sizeof(SbVec3f) * 8), 0);
}

struct OpenSurface {
    const char* name;
    const char* mesh;
    const char* problem;
};

class OpenSurfaces : public testing::TestWithParam<OpenSurface> {};

TEST_P(OpenSurfaces, AreRefusedPressureWithTheReason) {
    LoadedMesh m = loadMesh(GetParam().mesh);
    ASSERT_TRUE(m.body->isLoaded()) << m.body->loadError();
    EXPECT_FALSE(m.body->setPressure(10.0f));
    EXPECT_EQ(m.body->pressure(), 0.0f);
    EXPECT_EQ(m.body->pressureProblem(), GetParam().problem);
    EXPECT_EQ(m.body->pressureRefusal(), std::string("no pressure: ") + GetParam().problem +
                                             "; only a closed surface holds a gas");
    // Refused, the body steps as it would without.
    LoadedMesh plain = loadMesh(GetParam().mesh);
    for (int k = 0; k < 5; ++k) {
        m.body->step(0.01f);
        plain.body->step(0.01f);
    }
    EXPECT_EQ(std::memcmp(m.body->positions(), plain.body->positions(),
                          sizeof(SbVec3f) * m.body->numPoints()),
              0);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, OpenSurfaces,
    testing::Values(
        OpenSurface{"OneTriangle", "OFF 3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
                    "the surface has 3 edges on one triangle only (holes)"},
        OpenSurface{"TetrahedronWithoutAFace",
                    "OFF\n4 3 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n",
                    "the surface has 3 edges on one triangle only (holes)"},
        OpenSurface{"TetrahedronWithAFaceTurned",
                    "OFF\n4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
                    "3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 3 2\n",
                    "the surface has 3 edges between triangles that face opposite ways"},
        OpenSurface{"TwoTetrahedraOnOneEdge",
                    "OFF\n6 8 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n0 -1 0\n0 0 -1\n"
                    "3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n"
                    "3 0 4 1\n3 0 1 5\n3 0 5 4\n3 1 4 5\n",
                    "the surface has 1 edge shared by more than two triangles"},
        OpenSurface{"QuadrilateralsOnly", quadCube(), "the body has no triangles"},
        OpenSurface{"TwoTrianglesBackToBack", "OFF 3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 2 1\n",
                    "the surface encloses no volume"}),
    [](const testing::TestParamInfo<OpenSurface>& info) { return info.param.name; });

TEST(Pressure, NotAFiniteNumberOrBelowZeroIsNone) {
    LoadedMesh m = loadMesh(cube());
    for (float p : {-3.0f, NAN, INFINITY}) {
        EXPECT_TRUE(m.body->setPressure(5.0f));
        EXPECT_TRUE(m.body->setPressure(p)) << p;
        EXPECT_EQ(m.body->pressure(), 0.0f) << p;
    }
}

struct Record {
    const char* header;
    float pressure;
};

class PressureRecord : public testing::TestWithParam<Record> {};

TEST_P(PressureRecord, InTheHeaderGivesTheBodyItsPressureAndChangesNoMessage) {
    const std::string body = std::string(cube()).substr(4); // after "OFF\n"
    LoadedMesh with = loadMesh(std::string(GetParam().header) + body);
    LoadedMesh without = loadMesh(cube());
    ASSERT_TRUE(with.body->isLoaded()) << with.body->loadError();
    EXPECT_EQ(with.body->filePressure(), GetParam().pressure);
    EXPECT_EQ(with.body->pressure(), GetParam().pressure);
    EXPECT_EQ(with.log, without.log) << "the reader's messages stay as they are";
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PressureRecord,
    testing::Values(Record{"OFF\n# pressure 20\n", 20.0f}, Record{"# pressure 2.5e1\nOFF\n", 25.0f},
                    Record{"OFF\n#pressure 7  \n", 7.0f},
                    Record{"OFF\n# made by hand\n# pressure 3\n# pressure 9\n", 3.0f},
                    Record{"OFF\n# pressure 0\n", 0.0f},
                    Record{"OFF\n# pressure of the tyre\n", 0.0f},
                    Record{"OFF\n# pressure -4\n", 0.0f}, Record{"OFF\n# pressure 5 units\n", 0.0f},
                    Record{"OFF\n# pressure 1e60\n", 0.0f}, Record{"OFF\n# Pressure 5\n", 0.0f}));

TEST(PressureRecord, AfterTheHeaderIsAComment) {
    // Between the vertices only comments stand; a record there asks for nothing.
    LoadedMesh m = loadMesh("OFF\n4 4 6\n0 0 0\n# pressure 20\n1 0 0\n0 1 0\n0 0 1\n"
                            "3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n");
    ASSERT_TRUE(m.body->isLoaded());
    EXPECT_EQ(m.body->filePressure(), 0.0f);
}

TEST(PressureRecord, AnEndlessCommentLineIsReadInBoundedMemoryAndIsNoRecord) {
    std::string header = "OFF\n# pressure 20";
    header.append(1 << 20, ' ');
    header += "\n";
    LoadedMesh m = loadMesh(header + std::string(cube()).substr(4));
    ASSERT_TRUE(m.body->isLoaded());
    EXPECT_EQ(m.body->filePressure(), 0.0f);
}

TEST(Pressure, StableTimeStepNarrowsWithThePressure) {
    LoadedMesh m = loadMesh(cube(), 0.02f, 0.3f, 85.0f);
    const StableTimeStep measured(*m.body);
    const float without = measured.bound(*m.body);
    ASSERT_TRUE(m.body->setPressure(2000.0f));
    const float with = measured.bound(*m.body);
    EXPECT_LT(with, without);
    EXPECT_EQ(measured.bound(85, 0.02f, 0.3f, 0, 0), without);
    // The open tetrahedron holds no gas, so no pressure narrows it.
    LoadedMesh open = loadMesh(
        "OFF\n4 3 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n", 0.02f, 0.3f, 85.0f);
    const StableTimeStep openMeasured(*open.body);
    EXPECT_EQ(openMeasured.bound(85, 0.02f, 0.3f, 0, 2000), openMeasured.bound(85, 0.02f, 0.3f, 0));
}

TEST(Pins, APinnedPointKeepsItsPositionToTheBitWhileEverythingPullsOnIt) {
    // A stretched spring, a push and gravity all pull on point 0.
    for (bool plain : {false, true}) {
        LoadedMesh m =
            loadMesh("OFF 3 2 0\n0 0 0\n3 0 0\n0 2 0\n2 0 1\n2 0 2\n", 0.02f, 1.0f, 50.0f);
        m.body->setPinned(0, true);
        const SbVec3f start = m.body->pointPosition(0);
        for (int k = 0; k < 200; ++k) {
            m.body->addExternalForce(0, SbVec3f(100, -50, 30));
            plain ? m.body->stepSequential(0.012f) : m.body->step(0.012f);
            ASSERT_EQ(std::memcmp(&m.body->positions()[0], &start, sizeof start), 0) << k;
            ASSERT_EQ(m.body->velocities()[0], SbVec3f(0, 0, 0));
        }
        EXPECT_NE(m.body->pointPosition(1), SbVec3f(3, 0, 0)) << "the others move";
        m.body->setPinned(0, false);
        m.body->step(0.012f);
        EXPECT_NE(m.body->pointPosition(0), start) << "let go, it moves";
    }
}

TEST(Pins, AreASetOfPointsOfTheBody) {
    LoadedMesh m = loadMesh(cube());
    const uint64_t before = m.body->pinChanges();
    for (int i : {5, 2, 7, 2, -1, 8, 1000}) {
        m.body->setPinned(i, true);
    }
    EXPECT_EQ(m.body->pinnedPoints(), (std::vector<int32_t>{2, 5, 7}));
    EXPECT_EQ(m.body->pinChanges(), before + 3) << "only changes count";
    EXPECT_TRUE(m.body->isPinned(5));
    EXPECT_FALSE(m.body->isPinned(3));
    m.body->setPinned(5, false);
    m.body->setPinned(3, false);
    EXPECT_EQ(m.body->pinnedPoints(), (std::vector<int32_t>{2, 7}));
    EXPECT_EQ(m.body->pinChanges(), before + 4);
}
