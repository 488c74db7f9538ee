#include "tests/mpsystem/LoadMesh.h"

#include <cmath>
#include <limits>

namespace {

const float infinity = std::numeric_limits<float>::infinity();
const float notANumber = std::numeric_limits<float>::quiet_NaN();

/// A tetrahedron standing on its base at y = 0, apex up, so it has light and heavy points only
/// after its base is lowered: points 0 to 2 lie below y = 0.
const char* tetrahedron() {
    return "OFF 4 4 6\n0 -0.5 0\n1 -0.5 0\n0 -0.5 1\n0.3 0.5 0.3\n"
           "3 0 2 1\n3 0 1 3\n3 1 2 3\n3 2 0 3\n";
}

bool finite(const SbVec3f& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

/// Every number the body keeps between steps is finite.
void expectFiniteState(const MpSystem& body) {
    for (int i = 0; i < body.numPoints(); ++i) {
        EXPECT_TRUE(finite(body.positions()[i])) << "position " << i;
        EXPECT_TRUE(finite(body.velocities()[i])) << "velocity " << i;
        EXPECT_TRUE(finite(body.externalForces()[i])) << "external force " << i;
        EXPECT_TRUE(std::isfinite(body.masses()[i])) << "mass " << i;
    }
    for (int s = 0; s < body.numSprings(); ++s) {
        EXPECT_TRUE(std::isfinite(body.lastLength(s))) << "last length " << s;
        EXPECT_TRUE(std::isfinite(body.restLengths()[s])) << "rest length " << s;
    }
    EXPECT_TRUE(std::isfinite(body.damping()));
    EXPECT_TRUE(std::isfinite(body.stiffness()));
}

/// Runs `steps` steps with a push on every point before each, as the contact pass would.
void run(MpSystem& body, float dt, int steps) {
    for (int k = 0; k < steps; ++k) {
        for (int i = 0; i < body.numPoints(); ++i) {
            body.addExternalForce(i, SbVec3f(3.0f * i, 1.0f, -2.0f));
        }
        body.step(dt);
    }
}

} // namespace

TEST(MpSystemGuards, MasslessBodyStaysWhereItWasRead) {
    // Running without the mass option gives mass 0.
    for (float mass : {0.0f, -1.0f}) {
        LoadedMesh m = loadMesh(tetrahedron(), 0.02f, mass, 85.0f);
        run(*m.body, 0.012f, 100);
        expectFiniteState(*m.body);
        LoadedMesh fresh = loadMesh(tetrahedron());
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(m.body->pointPosition(i), fresh.body->pointPosition(i)) << mass;
            EXPECT_EQ(m.body->velocities()[i], SbVec3f(0, 0, 0)) << mass;
        }
    }
}

TEST(MpSystemGuards, MassThatIsNotANumberCountsAsZero) {
    for (float mass : {notANumber, infinity, -infinity}) {
        LoadedMesh m = loadMesh(tetrahedron(), 0.02f, mass, 85.0f);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(m.body->masses()[i], 0.0f);
        }
        run(*m.body, 0.012f, 10);
        expectFiniteState(*m.body);
    }
}

TEST(MpSystemGuards, MassAtTheEdgeOfSinglePrecision) {
    // 1.5 times this mass is beyond single precision; the points below y = 0 weigh 0 and hold,
    // the one above has a weight beyond single precision and stops.
    LoadedMesh m = loadMesh(tetrahedron(), 0.02f, 3e38f, 85.0f);
    EXPECT_EQ(m.body->masses()[0], 0.0f);
    EXPECT_EQ(m.body->masses()[3], 3e38f);
    run(*m.body, 0.012f, 10);
    expectFiniteState(*m.body);
}

TEST(MpSystemGuards, StepWithoutPositiveTimeMovesNothing) {
    for (float dt : {0.0f, -0.0f, -0.01f, notANumber, infinity, -infinity}) {
        LoadedMesh m = loadMesh(tetrahedron(), 0.02f, 1.0f, 85.0f);
        run(*m.body, 0.01f, 3);
        const MpSystem& body = *m.body;
        SbVec3f positions[4], velocities[4];
        double lastLengths[6];
        std::copy(body.positions(), body.positions() + 4, positions);
        std::copy(body.velocities(), body.velocities() + 4, velocities);
        for (int s = 0; s < 6; ++s) {
            lastLengths[s] = body.lastLength(s);
        }

        m.body->addExternalForce(3, SbVec3f(100, 0, 0));
        m.body->step(dt);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(body.positions()[i], positions[i]) << dt;
            EXPECT_EQ(body.velocities()[i], velocities[i]) << dt;
            EXPECT_EQ(body.externalForces()[i], SbVec3f(0, 0, 0)) << "forces are used up";
        }
        for (int s = 0; s < 6; ++s) {
            EXPECT_EQ(body.lastLength(s), lastLengths[s]) << dt;
        }
    }
}

TEST(MpSystemGuards, ZeroStepKeepsTheDampingOfTheNextRealStep) {
    // A zero step between two real ones must not change what the second real one computes.
    LoadedMesh plain = loadMesh(tetrahedron(), 0.02f, 1.0f, 85.0f);
    LoadedMesh paused = loadMesh(tetrahedron(), 0.02f, 1.0f, 85.0f);
    plain.body->step(0.01f);
    paused.body->step(0.01f);
    paused.body->step(0.0f);
    plain.body->step(0.01f);
    paused.body->step(0.01f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(paused.body->pointPosition(i), plain.body->pointPosition(i));
    }
}

TEST(MpSystemGuards, HugeTimeStepKeepsTheStateFinite) {
    LoadedMesh m = loadMesh(tetrahedron(), 0.02f, 1.0f, 85.0f);
    run(*m.body, 1e30f, 5);
    expectFiniteState(*m.body);
    run(*m.body, 0.01f, 5);
    expectFiniteState(*m.body);
}

TEST(MpSystemGuards, DivergingBodyStopsInsteadOfOverflowing) {
    // Far too light for its springs at this step: the explicit integration blows up.
    LoadedMesh m = loadMesh(tetrahedron(), 0.02f, 0.0001f, 120.0f);
    run(*m.body, 0.0182f, 2000);
    expectFiniteState(*m.body);
    float farthest = 0.0f;
    for (int i = 0; i < 4; ++i) {
        farthest = std::max(farthest, m.body->pointPosition(i).length());
    }
    EXPECT_GT(farthest, 1e6f) << "the body did diverge";
}

TEST(MpSystemGuards, AbsurdSettingsKeepTheStateFinite) {
    const float settings[][2] = {
        {1e38f, 120.0f}, {-1.0f, 120.0f}, {0.02f, -85.0f}, {0.02f, 1e38f}, {-50.0f, 1e30f}};
    for (const auto& s : settings) {
        LoadedMesh m = loadMesh(tetrahedron(), s[0], 1.0f, s[1]);
        run(*m.body, 0.0182f, 1000);
        expectFiniteState(*m.body);
    }
}

TEST(MpSystemGuards, DampingAndStiffnessThatAreNotNumbersCountAsZero) {
    LoadedMesh m = loadMesh(tetrahedron(), notANumber, 1.0f, infinity);
    EXPECT_EQ(m.body->damping(), 0.0f);
    EXPECT_EQ(m.body->stiffness(), 0.0f);
    m.body->setDamping(0.04f);
    m.body->setStiffness(50.0f);
    m.body->setDamping(-infinity);
    m.body->setStiffness(notANumber);
    EXPECT_EQ(m.body->damping(), 0.0f);
    EXPECT_EQ(m.body->stiffness(), 0.0f);
    run(*m.body, 0.01f, 10);
    expectFiniteState(*m.body);
}

TEST(MpSystemGuards, SpringOfLengthZeroExertsNoForce) {
    // A face that names the same point twice makes a spring of rest length 0, and two points at
    // the same place make one whose current length is 0.
    LoadedMesh m = loadMesh("OFF 3 2 0\n0 1 0\n0 1 0\n1 1 0\n2 0 0\n3 0 1 2\n", 0.0f, 1.0f, 50.0f);
    ASSERT_TRUE(m.body->isLoaded());
    ASSERT_EQ(m.body->numSprings(), 4);
    EXPECT_EQ(m.body->restLengths()[0], 0.0);
    EXPECT_EQ(m.body->springForce(0, 0.01f), SbVec3f(0, 0, 0));
    EXPECT_EQ(m.body->springForce(1, 0.01f), SbVec3f(0, 0, 0)) << "points 0 and 1 coincide";
    EXPECT_EQ(m.body->lastLength(1), 0.0);
    // Pulled apart, the zero-length springs act again, finitely.
    m.body->addExternalForce(1, SbVec3f(0, 0, 100));
    run(*m.body, 0.01f, 200);
    expectFiniteState(*m.body);
}

TEST(MpSystemGuards, SpringForceWithoutTimeHasOnlyItsElasticPart) {
    LoadedMesh m = loadMesh("OFF 2 1 0\n0 0 0\n2 0 0\n2 0 1\n", 0.0f, 1.0f, 0.0f);
    // One slack step sends point 1 away along x at 1 unit per second, gravity cancelled.
    m.body->addExternalForce(1, SbVec3f(100, 9.81f, 0));
    m.body->addExternalForce(0, SbVec3f(0, 9.81f, 0));
    m.body->step(0.01f);
    m.body->springForce(0, 0.01f);
    m.body->addExternalForce(1, SbVec3f(0, 9.81f, 0));
    m.body->addExternalForce(0, SbVec3f(0, 9.81f, 0));
    m.body->step(0.01f);
    // The spring is lengthening, so a real step would add damping; without time only the
    // elastic part remains.
    m.body->setStiffness(10.0f);
    const float length = m.body->pointPosition(1)[0];
    ASSERT_GT(length, m.body->lastLength(0));
    const SbVec3f elastic = m.body->springForce(0, 0.0f);
    EXPECT_FLOAT_EQ(elastic[0], 10.0f * (length - 2.0f));
    EXPECT_EQ(elastic[1], 0.0f);
}

TEST(MpSystemGuards, SpringForceBeyondSinglePrecisionIsDropped) {
    // Stretched along x only: with a force too large for a float, the zero y and z components
    // would turn into "not a number" when multiplied by it.
    LoadedMesh m = loadMesh("OFF 2 1 0\n0 0 0\n1 0 0\n2 0 1\n", 0.0f, 1.0f, 0.0f);
    m.body->addExternalForce(1, SbVec3f(1e6f, 9.81f, 0));
    m.body->addExternalForce(0, SbVec3f(0, 9.81f, 0));
    m.body->step(0.01f);
    m.body->setStiffness(3e38f);
    const SbVec3f f = m.body->springForce(0, 0.01f);
    EXPECT_EQ(f, SbVec3f(0, 0, 0));
    EXPECT_TRUE(std::isfinite(m.body->lastLength(0)));
}

TEST(MpSystemGuards, IndicesOutsideTheBodyAreIgnored) {
    LoadedMesh m = loadMesh(twoTriangles());
    // The arrow keys push points 1, 2, 5 and 6 whatever the mesh.
    for (int i : {-1, 4, 5, 6, 1 << 30}) {
        m.body->addExternalForce(i, SbVec3f(30, 0, 0));
        EXPECT_EQ(m.body->pointPosition(i), SbVec3f(0, 0, 0)) << i;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.body->externalForces()[i], SbVec3f(0, 0, 0));
    }
    EXPECT_EQ(m.body->pointPosition(3), SbVec3f(1, 1, 0));
}

TEST(MpSystemGuards, ForcesThatAreNotFiniteAreIgnored) {
    LoadedMesh m = loadMesh(twoTriangles());
    m.body->addExternalForce(1, SbVec3f(1, 2, 3));
    m.body->addExternalForce(1, SbVec3f(notANumber, 0, 0));
    m.body->addExternalForce(1, SbVec3f(0, infinity, 0));
    EXPECT_EQ(m.body->externalForces()[1], SbVec3f(1, 2, 3));
    m.body->addExternalForce(2, SbVec3f(3e38f, 0, 0));
    m.body->addExternalForce(2, SbVec3f(3e38f, 0, 0));
    EXPECT_EQ(m.body->externalForces()[2], SbVec3f(3e38f, 0, 0)) << "the sum would overflow";
    m.body->step(0.01f);
    expectFiniteState(*m.body);
}
