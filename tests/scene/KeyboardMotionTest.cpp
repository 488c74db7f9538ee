#include "app/Sensors.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <cmath>

namespace {

using KeyboardMotion = AssembledScene;

const float orbitStep = 3.1415927f / 20;

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

SbVec3f unit(SbVec3f v) {
    v.normalize();
    return v;
}

// Turns v about the world's vertical by `angle` radians (counter-clockwise seen from above).
SbVec3f turnedAboutVertical(const SbVec3f& v, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return SbVec3f(c * v[0] + s * v[2], v[1], -s * v[0] + c * v[2]);
}

// Two rotations that turn every direction alike; a full turn flips the sign of the quaternion.
void expectSameTurn(const SbRotation& actual, const SbRotation& expected) {
    for (const SbVec3f& axis : {SbVec3f(1, 0, 0), SbVec3f(0, 1, 0), SbVec3f(0, 0, 1)}) {
        SbVec3f a;
        SbVec3f e;
        actual.multVec(axis, a);
        expected.multVec(axis, e);
        expectNear(a, e, 1e-5f);
    }
}

SbVec3f externalForce(int point) {
    return mpSystem->externalForces()[point];
}

// The global view looks from (-10, 15, 50) at (0, 0, 1) without roll.
const SbVec3f globalViewDirection = unit(SbVec3f(10, -15, -49));
const SbVec3f globalRight = unit(globalViewDirection.cross(SbVec3f(0, 1, 0)));

TEST_F(KeyboardMotion, ArrowKeysDoNothingWhileTheAnimationIsStopped) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    for (SoKeyboardEvent::Key key :
         {SoKeyboardEvent::LEFT_ARROW, SoKeyboardEvent::RIGHT_ARROW, SoKeyboardEvent::UP_ARROW,
          SoKeyboardEvent::DOWN_ARROW, SoKeyboardEvent::END}) {
        pressKey(key);
    }
    for (int i = 0; i < mpSystem->numPoints(); ++i) {
        EXPECT_EQ(externalForce(i), SbVec3f(0, 0, 0)) << "point " << i;
    }
}

TEST_F(KeyboardMotion, ArrowKeysPushTheirPointsInTheCameraFrame) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressKey(SoKeyboardEvent::P);
    pressKey(SoKeyboardEvent::LEFT_ARROW);
    pressKey(SoKeyboardEvent::RIGHT_ARROW);
    pressKey(SoKeyboardEvent::UP_ARROW);
    pressKey(SoKeyboardEvent::DOWN_ARROW);

    expectNear(externalForce(2), -30 * globalRight, 1e-4f);
    expectNear(externalForce(5), 30 * globalRight, 1e-4f);
    expectNear(externalForce(6), 30 * globalViewDirection, 1e-4f);
    expectNear(externalForce(1), -30 * globalViewDirection, 1e-4f);
    for (int i : {0, 3, 4, 7}) {
        EXPECT_EQ(externalForce(i), SbVec3f(0, 0, 0)) << "point " << i;
    }
}

TEST_F(KeyboardMotion, ArrowKeysFollowTheOrbitedCamera) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressTimes(SoKeyboardEvent::J, 3);
    pressKey(SoKeyboardEvent::P);
    pressKey(SoKeyboardEvent::LEFT_ARROW);
    pressKey(SoKeyboardEvent::UP_ARROW);

    const float turn = 3 * orbitStep;
    expectNear(externalForce(2), -30 * turnedAboutVertical(globalRight, turn), 1e-4f);
    expectNear(externalForce(6), 30 * turnedAboutVertical(globalViewDirection, turn), 1e-4f);
}

TEST_F(KeyboardMotion, PushesBetweenTwoStepsAddUpAndLastOneStep) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressKey(SoKeyboardEvent::P);
    pressTimes(SoKeyboardEvent::RIGHT_ARROW, 2);
    expectNear(externalForce(5), 60 * globalRight, 2e-4f);

    timerCallback(nullptr, timerSensor);
    EXPECT_EQ(externalForce(5), SbVec3f(0, 0, 0));
}

TEST_F(KeyboardMotion, EndLiftsPointTwoInWorldSpaceOnlyWhileRunning) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressTimes(SoKeyboardEvent::I, 2);
    pressKey(SoKeyboardEvent::END);
    EXPECT_EQ(externalForce(2), SbVec3f(0, 0, 0));

    pressKey(SoKeyboardEvent::P);
    pressKey(SoKeyboardEvent::END);
    EXPECT_EQ(externalForce(2), SbVec3f(0, 60, 0));
}

TEST_F(KeyboardMotion, ArrowKeysOnASmallBodyPushOnlyThePointsItHas) {
    const char* tetrahedron = "OFF\n4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
                              "3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n";
    ASSERT_TRUE(assemble(tetrahedron, runOptions()));
    pressKey(SoKeyboardEvent::P);
    pressKey(SoKeyboardEvent::LEFT_ARROW);
    pressKey(SoKeyboardEvent::RIGHT_ARROW);
    pressKey(SoKeyboardEvent::UP_ARROW);
    pressKey(SoKeyboardEvent::DOWN_ARROW);
    pressKey(SoKeyboardEvent::END);

    expectNear(externalForce(2), -30 * globalRight + SbVec3f(0, 60, 0), 1e-4f);
    expectNear(externalForce(1), -30 * globalViewDirection, 1e-4f);
    EXPECT_EQ(externalForce(0), SbVec3f(0, 0, 0));
    EXPECT_EQ(externalForce(3), SbVec3f(0, 0, 0));
    timerCallback(nullptr, timerSensor);
    EXPECT_EQ(mpSystem->numPoints(), 4);
}

TEST_F(KeyboardMotion, FortyPressesOfJOrLReturnTheCameraToItsPose) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const SbVec3f position = camera->position.getValue();
    const SbRotation orientation = camera->orientation.getValue();
    for (SoKeyboardEvent::Key key : {SoKeyboardEvent::J, SoKeyboardEvent::L}) {
        pressKey(key);
        EXPECT_GT((camera->position.getValue() - position).length(), 1.0f);
        pressTimes(key, 39);
        expectNear(camera->position.getValue(), position, 1e-3f);
        expectSameTurn(camera->orientation.getValue(), orientation);
    }
}

TEST_F(KeyboardMotion, JTurnsTheCameraLeftAboutTheVertical) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const SbVec3f position = camera->position.getValue();
    pressKey(SoKeyboardEvent::J);
    expectNear(camera->position.getValue(), turnedAboutVertical(position, orbitStep), 1e-4f);
    pressTimes(SoKeyboardEvent::L, 2);
    expectNear(camera->position.getValue(), turnedAboutVertical(position, -orbitStep), 1e-4f);
}

TEST_F(KeyboardMotion, IGoesOverTheTopAndTurnsTheViewUpsideDown) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const float distance = camera->position.getValue().length();
    pressKey(SoKeyboardEvent::I);
    EXPECT_GT(camera->position.getValue()[1], 15.0f);

    pressTimes(SoKeyboardEvent::I, 19);
    const SbVec3f position = camera->position.getValue();
    EXPECT_NEAR(position.length(), distance, 1e-3f);
    EXPECT_LT(position[2], 0.0f) << "the camera has passed over the origin";
    SbVec3f up;
    camera->orientation.getValue().multVec(SbVec3f(0, 1, 0), up);
    EXPECT_LT(up[1], 0.0f);

    pressTimes(SoKeyboardEvent::K, 20);
    expectNear(camera->position.getValue(), SbVec3f(-10, 15, 50), 1e-3f);
}

TEST_F(KeyboardMotion, HeadcamOnThenOffReturnsExactlyToTheGlobalView) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const SbVec3f globalPosition = camera->position.getValue();
    const SbRotation globalOrientation = camera->orientation.getValue();
    pressTimes(SoKeyboardEvent::J, 3);
    pressTimes(SoKeyboardEvent::I, 2);
    const SbVec3f orbited = camera->position.getValue();

    pressKey(SoKeyboardEvent::NUMBER_6);
    EXPECT_TRUE(mpSystem->isHeadcam());
    EXPECT_EQ(camera->position.getValue(), orbited) << "switching on waits for the idle call";
    idleCallback(nullptr, idleSensor);
    expectNear(camera->position.getValue(), mpSystem->pointPosition(0) + SbVec3f(0, 5, 10), 0);

    pressKey(SoKeyboardEvent::NUMBER_6);
    EXPECT_FALSE(mpSystem->isHeadcam());
    EXPECT_EQ(camera->position.getValue(), globalPosition);
    EXPECT_EQ(camera->orientation.getValue(), globalOrientation);
    EXPECT_EQ(camera->nearDistance.getValue(), 0.1f);
    EXPECT_EQ(camera->farDistance.getValue(), 50.0f);
}

TEST_F(KeyboardMotion, OrbitWhileTheHeadcamRidesLastsUntilTheNextIdleCall) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressKey(SoKeyboardEvent::NUMBER_6);
    idleCallback(nullptr, idleSensor);
    const SbVec3f riding = camera->position.getValue();
    pressKey(SoKeyboardEvent::J);
    pressKey(SoKeyboardEvent::I);
    EXPECT_GT((camera->position.getValue() - riding).length(), 1.0f);
    idleCallback(nullptr, idleSensor);
    EXPECT_EQ(camera->position.getValue(), riding);
}

} // namespace
