// The body's energy against closed forms, the stable time step against runs, and a changed
// point mass against a body read with it.

#include "mpsystem/BodyEnergy.h"
#include "mpsystem/StableTimeStep.h"
#include "tests/mpsystem/LoadMesh.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double g = 9.81f;

TEST(BodyEnergy, OfAFallingPointMatchesTheClosedFormOfTheStep) {
    // After n semi-implicit steps from rest: v = -g n dt, y = y0 - g dt^2 n (n + 1) / 2.
    for (float dt : {0.005f, 0.012f, 0.03f}) {
        LoadedMesh m = loadMesh("OFF 1 0 0\n0 2 0\n", 0.0f, 0.5f);
        const int n = 200;
        for (int k = 0; k < n; ++k) {
            m.body->step(dt);
        }
        const BodyEnergy e = measureEnergy(*m.body, -15.0f);
        const double v = g * n * dt;
        const double y = 2 - g * dt * dt * n * (n + 1) / 2;
        EXPECT_NEAR(e.kinetic, 0.5 * 0.5 * v * v, 1e-3 * e.kinetic) << dt;
        EXPECT_NEAR(e.height, 0.5 * g * (y + 15), 1e-3 * std::abs(e.height) + 1e-3) << dt;
        EXPECT_EQ(e.spring, 0.0);
        // The step loses m g^2 dt^2 / 2 a tick: the sum never rises above its start.
        EXPECT_NEAR(e.total(), 0.5 * g * 17 - 0.5 * g * g * dt * dt * n / 2, 1e-3 * e.total());
    }
}

TEST(BodyEnergy, OfOneSpringIsHalfTheStiffnessTimesTheSquaredStretch) {
    // Point 1 pushed along the spring for one step moves by F dt^2 / m: the energy after that
    // step holds the stretch it made, in the same row as the speed it gave.
    LoadedMesh m = loadMesh("OFF 2 1 0\n0 1 0\n1 1 0\n2 0 1\n", 0.0f, 2.0f, 300.0f);
    const float dt = 0.01f;
    const double force = 50;
    m.body->addExternalForce(1, SbVec3f(static_cast<float>(force), 0, 0));
    m.body->step(dt);
    const double stretch = force * dt * dt / 2;
    const BodyEnergy e = measureEnergy(*m.body, 0);
    EXPECT_NEAR(e.spring, 0.5 * 300 * stretch * stretch, 1e-6);
    EXPECT_GT(e.spring, 0.0);
}

/// Half of ks (L - L0)^2 over the springs, every length from the positions as they stand.
double springEnergyOfPositions(const MpSystem& body) {
    double sum = 0;
    for (int s = 0; s < body.numSprings(); ++s) {
        const SpringEnds ends = body.springs()[s];
        const double length = (body.positions()[ends.a] - body.positions()[ends.b]).length();
        const double stretch = length - body.restLengths()[s];
        sum += 0.5 * body.stiffness() * stretch * stretch;
    }
    return sum;
}

// Every term from one instant: the kinetic energy of the velocities after a step and the
// spring energy of the positions after it, whatever the body and however far it has come.
TEST(BodyEnergy, EveryTermComesFromThePositionsAndVelocitiesAfterTheStep) {
    for (int steps : {1, 2, 7, 40}) {
        LoadedMesh m = loadMesh(quadCube(), 0.02f, 0.5f, 120.0f);
        for (int k = 0; k < steps; ++k) {
            m.body->addExternalForce(k % 8, SbVec3f(30.0f, 10.0f * k, -5.0f));
            m.body->step(0.012f);
        }
        const BodyEnergy e = measureEnergy(*m.body, -15.0f);
        const double expected = springEnergyOfPositions(*m.body);
        EXPECT_GT(expected, 0.0) << steps;
        EXPECT_NEAR(e.spring, expected, 1e-12 * expected) << steps;
    }
}

/// Small bodies whose fastest vibrations the bound must find.
struct BoundCase {
    const char* name;
    const char* mesh;
    float stiffness;
    float mass;
};

const char* tetrahedron = "OFF 4 4 0\n0 1 0\n1 1 0\n0 2 0\n0 1 1\n"
                          "3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n";
const char* octahedronAcrossZero = "OFF 6 8 0\n1 0.5 0\n-1 0.5 0\n0 1.5 0\n0 -0.5 0\n0 0.5 1\n"
                                   "0 0.5 -1\n3 0 2 4\n3 2 1 4\n3 1 3 4\n3 3 0 4\n3 2 0 5\n"
                                   "3 1 2 5\n3 3 1 5\n3 0 3 5\n";

class StableTimeStepAgainstRuns : public testing::TestWithParam<BoundCase> {
protected:
    /// The largest relative change of length of any spring over 3,000 steps of dt from rest,
    /// with a small push to start every vibration.
    static double largestStrain(const BoundCase& c, float dt) {
        LoadedMesh m = loadMesh(c.mesh, 0.04f, c.mass, c.stiffness);
        m.body->addExternalForce(0, SbVec3f(0.01f, 0.02f, 0.03f));
        double strain = 0;
        for (int k = 0; k < 3000 && strain < 1; ++k) {
            m.body->step(dt);
            for (int s = 0; s < m.body->numSprings(); ++s) {
                const double rest = m.body->restLengths()[s];
                strain = std::max(strain, std::abs(m.body->lastLength(s) - rest) / rest);
            }
        }
        return strain;
    }
};

TEST_P(StableTimeStepAgainstRuns, HoldsJustBelowTheBoundAndBlowsUpJustAbove) {
    const BoundCase& c = GetParam();
    LoadedMesh m = loadMesh(c.mesh, 0.04f, c.mass, c.stiffness);
    const float bound = StableTimeStep(*m.body).bound(*m.body);
    ASSERT_TRUE(std::isfinite(bound));
    // Falling for minutes, the damping of light and heavy points differs enough to stretch a
    // soft body by several per cent; a blown-up one more than doubles its springs.
    EXPECT_LT(largestStrain(c, 0.95f * bound), 0.25) << "bound " << bound;
    EXPECT_GT(largestStrain(c, 1.05f * bound), 1.0) << "bound " << bound;
}

INSTANTIATE_TEST_SUITE_P(
    SmallBodies, StableTimeStepAgainstRuns,
    testing::Values(BoundCase{"softTetrahedron", tetrahedron, 50, 0.3f},
                    BoundCase{"stiffTetrahedron", tetrahedron, 1000, 1},
                    BoundCase{"softOctahedron", octahedronAcrossZero, 50, 1},
                    BoundCase{"stiffOctahedron", octahedronAcrossZero, 1000, 0.3f}),
    [](const testing::TestParamInfo<BoundCase>& info) { return std::string(info.param.name); });

TEST(StableTimeStep, ScalesWithStiffnessAndMassAsTheSquareRootOfTheirRatio) {
    LoadedMesh m = loadMesh(tetrahedron, 0.0f, 1.0f, 100.0f);
    const StableTimeStep measured(*m.body);
    const float base = measured.bound(100, 0, 1, 0);
    // The springs' own damping still acts, so the scaling holds to a few per cent.
    EXPECT_NEAR(measured.bound(400, 0, 1, 0) / base, 0.5, 0.02);
    EXPECT_NEAR(measured.bound(100, 0, 4, 0) / base, 2.0, 0.05);
    EXPECT_LT(measured.bound(100, 0, 1, 200), base) << "contacts stiffen the body";
    EXPECT_LT(measured.bound(100, 1, 1, 0), base) << "explicit damping narrows the bound";
    EXPECT_TRUE(std::isfinite(measured.bound(0, 0, 1, 0)))
        << "the springs' damping alone still bounds the step";
    EXPECT_EQ(StableTimeStep().bound(100, 0, 1, 0), std::numeric_limits<float>::infinity());
    EXPECT_EQ(measured.bound(-1, 0, 1, 0), 0.0f);
}

TEST(PointMass, GivesTheMotionOfABodyReadWithThatMass) {
    LoadedMesh changed = loadMesh(octahedronAcrossZero, 0.04f, 0.3f, 85.0f);
    LoadedMesh read = loadMesh(octahedronAcrossZero, 0.04f, 2.0f, 85.0f);
    changed.body->setPointMass(2.0f);
    EXPECT_EQ(changed.body->pointMass(), 2.0f);
    EXPECT_EQ(changed.body->masses()[3], 3.0f) << "a point that started below 0 keeps 1.5 times";
    for (int k = 0; k < 50; ++k) {
        changed.body->step(0.012f);
        read.body->step(0.012f);
    }
    for (int i = 0; i < read.body->numPoints(); ++i) {
        EXPECT_EQ(changed.body->pointPosition(i), read.body->pointPosition(i)) << i;
    }
}

} // namespace
