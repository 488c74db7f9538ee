#include "control/CameraControl.h"
#include "CoinEnvironment.h"

#include <Inventor/SbRotation.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const float step = static_cast<float>(M_PI / 20);

class OrbitCamera : public ::testing::Test {
protected:
    void SetUp() override {
        camera = new SoPerspectiveCamera;
        camera->ref();
        camera->position.setValue(-10, 15, 50);
        camera->pointAt(SbVec3f(0, 0, 1), SbVec3f(0, 1, 0));
    }
    void TearDown() override { camera->unref(); }

    SbVec3f up() const { return turned(SbVec3f(0, 1, 0)); }
    SbVec3f viewing() const { return turned(SbVec3f(0, 0, -1)); }
    SbVec3f turned(const SbVec3f& v) const {
        SbVec3f result;
        camera->orientation.getValue().multVec(v, result);
        return result;
    }
    /// The point straight ahead at the given distance.
    SbVec3f lookedAt(float distance) const {
        return camera->position.getValue() + viewing() * distance;
    }

    SoPerspectiveCamera* camera = nullptr;
};

void expectNear(const SbVec3f& actual, const SbVec3f& expected, float tolerance) {
    EXPECT_NEAR(actual[0], expected[0], tolerance);
    EXPECT_NEAR(actual[1], expected[1], tolerance);
    EXPECT_NEAR(actual[2], expected[2], tolerance);
}

TEST_F(OrbitCamera, FortyStepsAboutTheVerticalComeBackToThePose) {
    const SbVec3f position = camera->position.getValue();
    const SbVec3f startUp = up();
    const SbVec3f startViewing = viewing();
    for (int press = 0; press < 40; ++press) {
        orbitCamera(camera, 'Y', step);
    }
    expectNear(camera->position.getValue(), position, 1e-3f);
    expectNear(up(), startUp, 1e-4f);
    expectNear(viewing(), startViewing, 1e-4f);

    for (int press = 0; press < 40; ++press) {
        orbitCamera(camera, 'Y', -step);
    }
    expectNear(camera->position.getValue(), position, 2e-3f);
    expectNear(viewing(), startViewing, 2e-4f);
}

TEST_F(OrbitCamera, FortyStepsAboutTheLeftwardAxisComeBackToThePose) {
    const SbVec3f position = camera->position.getValue();
    const SbVec3f startUp = up();
    for (int press = 0; press < 40; ++press) {
        orbitCamera(camera, 'X', step);
    }
    expectNear(camera->position.getValue(), position, 1e-3f);
    expectNear(up(), startUp, 1e-4f);
}

TEST_F(OrbitCamera, TurnAboutTheVerticalSwingsPositionAndTarget) {
    const SbVec3f target = lookedAt(20);
    const SbVec3f position = camera->position.getValue();
    const SbVec3f startUp = up();
    orbitCamera(camera, 'Y', step);

    // A right-handed turn about +y by the step angle.
    const float c = std::cos(step);
    const float s = std::sin(step);
    auto aboutY = [&](const SbVec3f& v) {
        return SbVec3f(c * v[0] + s * v[2], v[1], -s * v[0] + c * v[2]);
    };
    expectNear(camera->position.getValue(), aboutY(position), 1e-4f);
    expectNear(lookedAt(20), aboutY(target), 1e-4f);
    expectNear(up(), aboutY(startUp), 1e-5f);
}

TEST_F(OrbitCamera, AnyLetterButXTurnsAboutTheVertical) {
    SoPerspectiveCamera* other = new SoPerspectiveCamera;
    other->ref();
    other->position = camera->position;
    other->orientation = camera->orientation;
    orbitCamera(camera, 'Y', step);
    orbitCamera(other, 'q', step);
    EXPECT_EQ(other->position.getValue(), camera->position.getValue());
    EXPECT_TRUE(other->orientation.getValue().equals(camera->orientation.getValue(), 0));
    other->unref();
}

TEST_F(OrbitCamera, LeftwardTurnLiftsTheCameraOverTheOrigin) {
    const float height = camera->position.getValue()[1];
    const SbVec3f left = up().cross(viewing());
    orbitCamera(camera, 'X', step);
    EXPECT_GT(camera->position.getValue()[1], height);
    // The axis of the turn is kept: the camera does not roll.
    expectNear(up().cross(viewing()), left, 1e-5f);

    orbitCamera(camera, 'X', -step);
    orbitCamera(camera, 'X', -step);
    EXPECT_LT(camera->position.getValue()[1], height);
}

TEST_F(OrbitCamera, PastTheTopTheViewTurnsUpsideDown) {
    EXPECT_GT(up()[1], 0);
    SbVec3f left = up().cross(viewing());
    left.normalize();
    const SbVec3f position = camera->position.getValue();
    for (int press = 0; press < 20; ++press) {
        orbitCamera(camera, 'X', step);
    }
    EXPECT_LT(up()[1], 0);
    EXPECT_LT(camera->position.getValue()[1], 0);
    // Half a turn about the axis through the origin mirrors the camera across that axis.
    expectNear(camera->position.getValue(), left * (2 * left.dot(position)) - position, 5e-3f);
}

TEST_F(OrbitCamera, DistanceFromTheOriginNeverChanges) {
    const float distance = camera->position.getValue().length();
    const char axes[] = {'X', 'Y', 'X', 'X', 'Y', 'Y', 'X'};
    const float angles[] = {step, -step, step, step, step, -step, -step};
    for (int k = 0; k < 7; ++k) {
        const SbVec3f target = lookedAt(distance);
        const float targetDistance = target.length();
        orbitCamera(camera, axes[k], angles[k]);
        EXPECT_NEAR(camera->position.getValue().length(), distance, 1e-3f) << k;
        // The looked-at point moves rigidly with the camera.
        EXPECT_NEAR(lookedAt(distance).length(), targetDistance, 1e-3f) << k;
    }
}

} // namespace
