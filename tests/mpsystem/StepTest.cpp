#include "tests/mpsystem/LoadMesh.h"

#include <cmath>

namespace {

/// Three points without springs: two above y = 0 (mass m), one below (1.5 m).
const char* threeLoosePoints() {
    return "OFF 3 0 0\n0 1 0\n2 1 0\n0 -1 0\n";
}

/// One spring from point 0 at the origin to point 1 at (length, 0, 0).
std::string oneSpring(float length) {
    return "OFF 2 1 0\n0 0 0\n" + std::to_string(length) + " 0 0\n2 0 1\n";
}

} // namespace

TEST(MpSystemStep, FreeFallOfOneStepUsesTheNewVelocity) {
    LoadedMesh m = loadMesh(threeLoosePoints(), 0.0f, 1.0f);
    m.body->step(0.01f);
    const float dv = 0.01f * (-9.81f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(m.body->velocities()[i][1], -0.0981f);
        EXPECT_EQ(m.body->velocities()[i][1], dv) << i;
        EXPECT_EQ(m.body->velocities()[i][0], 0.0f);
        EXPECT_EQ(m.body->velocities()[i][2], 0.0f);
    }
    EXPECT_FLOAT_EQ(m.body->pointPosition(0)[1], 1.0f - 0.000981f);
    EXPECT_FLOAT_EQ(m.body->pointPosition(2)[1], -1.0f - 0.000981f);
    EXPECT_EQ(m.body->pointPosition(1)[0], 2.0f);
}

TEST(MpSystemStep, FreeFallMatchesTheSemiImplicitClosedForm) {
    // After n steps of semi-implicit Euler: v = -g n dt, y = y0 - g dt^2 n (n + 1) / 2.
    for (float dt : {0.012f, 0.0151f, 0.0182f}) {
        LoadedMesh m = loadMesh(threeLoosePoints(), 0.0f, 0.5f);
        const int n = 100;
        for (int k = 0; k < n; ++k) {
            m.body->step(dt);
        }
        const double g = 9.81;
        EXPECT_NEAR(m.body->velocities()[0][1], -g * n * dt, 1e-3) << dt;
        EXPECT_NEAR(m.body->pointPosition(0)[1], 1.0 - g * dt * dt * n * (n + 1) / 2, 1e-3) << dt;
        EXPECT_NEAR(m.body->velocities()[2][1], m.body->velocities()[0][1], 1e-5)
            << "light and heavy points fall alike";
    }
}

TEST(MpSystemStep, DampingSlowsLightPointsMoreThanHeavyOnes) {
    LoadedMesh m = loadMesh(threeLoosePoints(), 0.5f, 1.0f);
    for (int k = 0; k < 50; ++k) {
        m.body->step(0.01f);
    }
    const float light = m.body->velocities()[0][1];
    const float heavy = m.body->velocities()[2][1];
    EXPECT_LT(light, 0.0f);
    EXPECT_GT(light, heavy) << "the light point falls more slowly";
    EXPECT_EQ(m.body->velocities()[1][1], light);
}

TEST(MpSystemStep, SpringAtRestExertsNoForce) {
    LoadedMesh m = loadMesh(oneSpring(2.0f));
    EXPECT_EQ(m.body->springForce(0, 0.01f), SbVec3f(0, 0, 0));
    EXPECT_EQ(m.body->lastLength(0), 2.0);
}

TEST(MpSystemStep, SpringStretchedToTwiceItsRestLengthPullsWithStiffnessTimesRestLength) {
    // Rest length 1 from the file. With the springs slack and gravity cancelled, one step of
    // 1 s under a force of 1 along x carries point 1 to x = 2.
    LoadedMesh m = loadMesh(oneSpring(1.0f), 0.0f, 1.0f, 40.0f);
    EXPECT_EQ(m.body->restLengths()[0], 1.0);
    m.body->addExternalForce(1, SbVec3f(1.0f, 9.81f, 0.0f));
    m.body->addExternalForce(0, SbVec3f(0.0f, 9.81f, 0.0f));
    m.body->setStiffness(0.0f);
    m.body->step(1.0f);
    ASSERT_EQ(m.body->pointPosition(1), SbVec3f(2, 0, 0));
    ASSERT_EQ(m.body->pointPosition(0), SbVec3f(0, 0, 0));
    ASSERT_EQ(m.body->lastLength(0), 1.0);

    m.body->setStiffness(40.0f);
    // Last length = current length, so only the elastic part acts.
    m.body->springForce(0, 0.01f);
    const SbVec3f onA = m.body->springForce(0, 0.01f);
    EXPECT_FLOAT_EQ(onA[0], 40.0f * 1.0f) << "point a is pulled toward b (+x)";
    EXPECT_EQ(onA[1], 0.0f);
    EXPECT_EQ(onA[2], 0.0f);
}

TEST(MpSystemStep, LengtheningSpringIsDampedAgainstTheChange) {
    LoadedMesh m = loadMesh(oneSpring(1.0f), 0.0f, 1.0f, 0.0f);
    // Cancel gravity and push point 1 so that it moves 0.01 along x in a step of 0.01 s.
    m.body->addExternalForce(0, SbVec3f(0.0f, 9.81f, 0.0f));
    m.body->addExternalForce(1, SbVec3f(100.0f, 9.81f, 0.0f));
    m.body->step(0.01f);
    ASSERT_FLOAT_EQ(m.body->pointPosition(1)[0], 1.01f);
    ASSERT_EQ(m.body->lastLength(0), 1.0);
    // L - Llast = 0.01 over dt = 0.01: a rate of 1, a force of kd * 1 = 0.1 pulling the ends
    // together.
    const SbVec3f onA = m.body->springForce(0, 0.01f);
    EXPECT_NEAR(onA[0], 0.1f, 1e-4f);
    EXPECT_EQ(onA[1], 0.0f);
    EXPECT_FLOAT_EQ(m.body->lastLength(0), 1.01f);
}

TEST(MpSystemStep, SpringForcesActOnBothEndsOppositely) {
    LoadedMesh m = loadMesh("OFF 2 1 0\n0 5 0\n3 5 0\n2 0 1\n", 0.0f, 1.0f, 50.0f);
    m.body->addExternalForce(1, SbVec3f(300.0f, 0.0f, 0.0f));
    m.body->step(0.01f);
    m.body->step(0.01f);
    const SbVec3f v0 = m.body->velocities()[0];
    const SbVec3f v1 = m.body->velocities()[1];
    // Equal masses and equal and opposite spring forces: the centre of mass moves only by the
    // one push along x.
    EXPECT_NEAR(v0[0] + v1[0], 300.0f * 0.01f, 1e-4f);
    EXPECT_GT(v0[0], 0.0f) << "the stretched spring pulls point 0 along";
}

TEST(MpSystemStep, ExternalForceActsForOneStepOnly) {
    LoadedMesh m = loadMesh(threeLoosePoints(), 0.0f, 1.0f);
    m.body->addExternalForce(1, SbVec3f(10.0f, 0.0f, 0.0f));
    m.body->addExternalForce(1, SbVec3f(5.0f, 0.0f, 0.0f));
    EXPECT_EQ(m.body->externalForces()[1], SbVec3f(15.0f, 0.0f, 0.0f));
    m.body->step(0.1f);
    EXPECT_FLOAT_EQ(m.body->velocities()[1][0], 1.5f);
    EXPECT_EQ(m.body->externalForces()[1], SbVec3f(0, 0, 0));
    m.body->step(0.1f);
    EXPECT_FLOAT_EQ(m.body->velocities()[1][0], 1.5f) << "no push in the second step";
    EXPECT_EQ(m.body->velocities()[0][0], 0.0f);
}

TEST(MpSystemStep, StiffnessChangeActsFromTheNextStep) {
    const std::string text = oneSpring(1.0f);
    LoadedMesh soft = loadMesh(text, 0.0f, 1.0f, 50.0f);
    LoadedMesh stiff = loadMesh(text, 0.0f, 1.0f, 50.0f);
    for (MpSystem* body : {soft.body.get(), stiff.body.get()}) {
        body->addExternalForce(1, SbVec3f(50.0f, 0.0f, 0.0f));
        body->step(0.01f);
    }
    stiff.body->setStiffness(120.0f);
    EXPECT_EQ(stiff.body->stiffness(), 120.0f);
    soft.body->step(0.01f);
    stiff.body->step(0.01f);
    EXPECT_LT(stiff.body->velocities()[1][0], soft.body->velocities()[1][0]);
    EXPECT_EQ(stiff.body->restLengths()[0], 1.0) << "the rest length stays that of the file";
}

TEST(MpSystemStep, BodyWithSpringsSettlesWithoutExploding) {
    // A tetrahedron hanging in the air under gravity and damping keeps its shape.
    LoadedMesh m = loadMesh("OFF 4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
                            "3 0 2 1\n3 0 1 3\n3 1 2 3\n3 2 0 3\n",
                            0.04f, 0.1f, 120.0f);
    for (int k = 0; k < 500; ++k) {
        m.body->step(0.0182f);
    }
    for (int s = 0; s < m.body->numSprings(); ++s) {
        const SpringEnds e = m.body->springs()[s];
        const float length = (m.body->pointPosition(e.a) - m.body->pointPosition(e.b)).length();
        EXPECT_NEAR(length, m.body->restLengths()[s], 0.1 * m.body->restLengths()[s]);
    }
}
