#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "control/Cannon.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include <cmath>

namespace {

using KeyboardCannon = AssembledScene;

const float pi = 3.1415927f;

void expectNear(const SbVec3f& actual, const SbVec3f& expected, float tolerance) {
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
    }
}

void pressTimes(SoKeyboardEvent::Key key, int times) {
    for (int i = 0; i < times; ++i) {
        pressKey(key);
    }
}

// The barrel's lean from the vertical, in degrees, as the world sees it.
float leanDegrees() {
    return std::acos(cannon->barrelDirection()[1]) * 180 / pi;
}

// The barrel's heading about the vertical, in degrees, counter-clockwise seen from above,
// 0 along +x.
float headingDegrees() {
    const SbVec3f d = cannon->barrelDirection();
    return std::atan2(-d[2], d[0]) * 180 / pi;
}

SbColor lightColour(int k) {
    return ballLightSet.at(k)->color.getValue();
}

TEST_F(KeyboardCannon, AAndDTurnTheTurretBy18Degrees) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_NEAR(headingDegrees(), 0, 1e-3f);
    pressKey(SoKeyboardEvent::A);
    EXPECT_NEAR(headingDegrees(), 18, 1e-3f);
    pressTimes(SoKeyboardEvent::D, 3);
    EXPECT_NEAR(headingDegrees(), -36, 1e-3f);
    EXPECT_NEAR(leanDegrees(), 36, 1e-3f) << "yaw leaves the tilt alone";
}

TEST_F(KeyboardCannon, TwentyPressesOfAReturnTheTurret) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const SbVec3f start = cannon->barrelDirection();
    pressTimes(SoKeyboardEvent::A, 20);
    expectNear(cannon->barrelDirection(), start, 1e-5f);
}

TEST_F(KeyboardCannon, WAndSTiltWithinTheLimits) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    for (float expected : {27.0f, 18.0f, 9.0f, 9.0f}) {
        pressKey(SoKeyboardEvent::W);
        EXPECT_NEAR(leanDegrees(), expected, 1e-2f);
    }
    for (float expected : {18.0f, 27.0f, 36.0f, 45.0f, 54.0f, 54.0f}) {
        pressKey(SoKeyboardEvent::S);
        EXPECT_NEAR(leanDegrees(), expected, 1e-2f);
    }
}

TEST_F(KeyboardCannon, CannonKeysWorkWhileTheAnimationIsStopped) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const SbVec3f start = cannon->barrelDirection();
    for (SoKeyboardEvent::Key key :
         {SoKeyboardEvent::A, SoKeyboardEvent::D, SoKeyboardEvent::W, SoKeyboardEvent::S}) {
        const SbVec3f before = cannon->barrelDirection();
        pressKey(key);
        EXPECT_GT((cannon->barrelDirection() - before).length(), 0.1f) << "key code " << key;
    }
    expectNear(cannon->barrelDirection(), start, 1e-5f);
    expectNear(cannon->launchPoint(), SbVec3f(-20, -13.85f, 1.5f), 1e-5f);
}

TEST_F(KeyboardCannon, SpaceShootsAlongTheBarrelFromTheLaunchPoint) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int arenaChildren = worldSeparator->getNumChildren();
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::SPACE).out, "");
    ASSERT_EQ(ballSet.size(), 1);
    expectNear(ballSet.at(0).position(), SbVec3f(-20, -13.85f, 1.5f), 1e-5f);
    expectNear(ballSet.at(0).velocity(), SbVec3f(11.7557f, 16.1803f, 0), 1e-3f);

    pressKey(SoKeyboardEvent::A);
    pressKey(SoKeyboardEvent::SPACE);
    ASSERT_EQ(ballSet.size(), 2);
    expectNear(ballSet.at(1).velocity(), 20 * cannon->barrelDirection(), 1e-4f);
    EXPECT_EQ(worldSeparator->getNumChildren(), arenaChildren + 4);
    EXPECT_EQ(worldSeparator->getChild(0), ballLightSet.at(1));
    EXPECT_EQ(worldSeparator->getChild(1), ballSet.at(1).root());
}

TEST_F(KeyboardCannon, EightLightSourcesAllowSixBalls) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_EQ(headless->lightSources, 8u);
    const int arenaChildren = worldSeparator->getNumChildren();
    for (int press = 1; press <= 8; ++press) {
        const KeyOutput output = pressKeyCapturing(SoKeyboardEvent::SPACE);
        EXPECT_EQ(output.out, "");
        EXPECT_EQ(output.err, "");
        EXPECT_EQ(ballSet.size(), std::min(press, 6));
    }
    EXPECT_EQ(worldSeparator->getNumChildren(), arenaChildren + 12);
    pressKey(SoKeyboardEvent::T);
    pressKey(SoKeyboardEvent::SPACE);
    EXPECT_EQ(ballSet.size(), 6) << "a removal makes room for one more";

    headless->lightSources = 4;
    pressKey(SoKeyboardEvent::SPACE);
    EXPECT_EQ(ballSet.size(), 6);
}

TEST_F(KeyboardCannon, TRemovesTheOldestBall) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int arenaChildren = worldSeparator->getNumChildren();
    pressTimes(SoKeyboardEvent::SPACE, 3);
    ASSERT_EQ(lightColour(0), SbColor(1, 0, 0));
    ASSERT_EQ(lightColour(1), SbColor(0, 0, 1));
    ASSERT_EQ(lightColour(2), SbColor(0, 1, 0));
    SoSeparator* second = ballSet.at(1).root();

    pressKey(SoKeyboardEvent::T);
    ASSERT_EQ(ballSet.size(), 2);
    EXPECT_EQ(ballSet.at(0).root(), second);
    EXPECT_EQ(lightColour(0), SbColor(0, 0, 1));
    EXPECT_EQ(lightColour(1), SbColor(0, 1, 0));
    EXPECT_EQ(worldSeparator->getNumChildren(), arenaChildren + 4);
    EXPECT_EQ(worldSeparator->getChild(3), second);
    EXPECT_EQ(worldSeparator->getChild(worldSeparator->getNumChildren() - 1),
              mpSystem->surfaceRoot());

    pressTimes(SoKeyboardEvent::T, 3);
    EXPECT_EQ(ballSet.size(), 0);
    EXPECT_EQ(worldSeparator->getNumChildren(), arenaChildren);
}

} // namespace
