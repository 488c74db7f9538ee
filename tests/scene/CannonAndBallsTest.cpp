#include "app/Sensors.h"
#include "balls/BallDynamics.h"
#include "balls/BallShots.h"
#include "control/Cannon.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"

#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <memory>

namespace {

using CannonAndBalls = AssembledScene;

void expectNear(const SbVec3f& actual, const SbVec3f& expected, float tolerance) {
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
    }
}

/// The shot of the SPACE key, from the cannon through the globals.
void shoot() {
    shootBall(ballSet, ballLightSet, *worldSeparator, cannon->launchPoint(),
              cannon->barrelDirection(), viewer->maxLightSources());
}

/// A shot of the SPACE key from somewhere else than the cannon, standing still.
void placeBall(const SbVec3f& centre) {
    shootBall(ballSet, ballLightSet, *worldSeparator, centre, SbVec3f(0, 0, 0),
              viewer->maxLightSources());
}

TEST_F(CannonAndBalls, CannonStandsInTheWorldBeforeTheBody) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_NE(cannon, nullptr);
    const int index = worldSeparator->findChild(cannon->root());
    // At most the ground comes before it.
    EXPECT_GE(index, 0);
    EXPECT_LE(index, 1);
    EXPECT_LT(index, worldSeparator->findChild(mpSystem->surfaceRoot()));
    expectNear(cannon->position(), SbVec3f(-20, -14.85f, 1.5f), 1e-6f);
    expectNear(cannon->launchPoint(), SbVec3f(-20, -13.85f, 1.5f), 1e-6f);
}

TEST_F(CannonAndBalls, CannonAimsThroughTheSceneRoot) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    expectNear(cannon->barrelDirection(), SbVec3f(0.587785f, 0.809017f, 0), 1e-5f);
    cannon->turret().yaw(SbVec3f(0, 1, 0), 3.1415927f / 2);
    expectNear(cannon->barrelDirection(), SbVec3f(0, 0.809017f, -0.587785f), 1e-5f);
}

TEST_F(CannonAndBalls, CollisionWorldHoldsTheBodyTheFloorAndTheBalls) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_EQ(collisionWorld.bodies().size(), 1u);
    EXPECT_EQ(collisionWorld.bodies()[0], mpSystem);
    ASSERT_FALSE(collisionWorld.walls().empty());
    EXPECT_EQ(collisionWorld.walls()[0].position, SbVec3f(0, -15, 0));
    EXPECT_EQ(collisionWorld.walls()[0].halfExtent, 15.0f);
    EXPECT_EQ(collisionWorld.balls(), &ballSet);
}

TEST_F(CannonAndBalls, ShotLeavesTheCannonAndFliesWithTheTicks) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int arenaChildren = worldSeparator->getNumChildren();
    shoot();
    ASSERT_EQ(ballSet.size(), 1);
    EXPECT_EQ(worldSeparator->getChild(0), ballLightSet.at(0));
    EXPECT_EQ(worldSeparator->getChild(1), ballSet.at(0).root());
    EXPECT_EQ(worldSeparator->getNumChildren(), arenaChildren + 2);
    EXPECT_EQ(worldSeparator->getChild(arenaChildren + 1), mpSystem->surfaceRoot());
    expectNear(ballSet.at(0).velocity(), SbVec3f(11.7557f, 16.1803f, 0), 1e-3f);

    Ball reference(ballSet.at(0).position(), ballSet.at(0).velocity(), 1, 0, 0);
    timerCallback(nullptr, timerSensor);
    reference.step(0.012f);
    EXPECT_EQ(ballSet.at(0).position(), reference.position());
    // The nodes wait for the idle call.
    expectNear(ballSet.at(0).transform()->translation.getValue(), SbVec3f(-20, -13.85f, 1.5f),
               1e-6f);

    idleCallback(nullptr, idleSensor);
    const SbVec3f centre = reference.position();
    EXPECT_EQ(ballSet.at(0).transform()->translation.getValue(), centre);
    ASSERT_LT(centre[1], -12.3f);
    EXPECT_EQ(ballLightSet.at(0)->location.getValue(), SbVec3f(centre[0], -12.3f, centre[2]));
}

TEST_F(CannonAndBalls, BallsMoveWhileTheBodyIsNotReady) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    shoot();
    const SbVec3f start = ballSet.at(0).position();
    mpSystemReady = false;
    timerCallback(nullptr, timerSensor);
    idleCallback(nullptr, idleSensor);
    EXPECT_NE(ballSet.at(0).position(), start);
    EXPECT_EQ(ballSet.at(0).transform()->translation.getValue(), ballSet.at(0).position());
}

TEST_F(CannonAndBalls, FallenBallLeavesTheWorldAtTheNextTick) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int arenaChildren = worldSeparator->getNumChildren();
    SoNode* firstArenaChild = worldSeparator->getChild(0);
    placeBall(SbVec3f(0, 10, 0));
    placeBall(SbVec3f(20, -45, 0));
    timerCallback(nullptr, timerSensor);
    ASSERT_EQ(ballSet.size(), 1);
    EXPECT_EQ(worldSeparator->getNumChildren(), arenaChildren + 2);
    EXPECT_EQ(worldSeparator->getChild(2), firstArenaChild);
    EXPECT_EQ(worldSeparator->getChild(1), ballSet.at(0).root());
}

TEST_F(CannonAndBalls, ContactForcesOfATickMoveTheBodyInTheNext) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    std::unique_ptr<MpSystem> twin = twinBody();
    // Half a unit in front of the cube's corner point 6 at (1, 1, 1).
    placeBall(SbVec3f(1, 1, 1.5f));

    timerCallback(nullptr, timerSensor);
    twin->step(0.012f);
    EXPECT_EQ(mpSystem->positions()[6], twin->positions()[6]);
    EXPECT_LT(mpSystem->externalForces()[6][2], 0.0f);
    EXPECT_GT(ballSet.at(0).force()[2], 0.0f);

    timerCallback(nullptr, timerSensor);
    twin->step(0.012f);
    EXPECT_LT(mpSystem->velocities()[6][2], twin->velocities()[6][2]);
}

} // namespace
