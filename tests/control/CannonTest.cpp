#include "control/Cannon.h"
#include "CoinEnvironment.h"
#include "appstate/Globals.h"
#include "appstate/HeadlessViewer.h"

#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const float pi = 3.1415927f;
const float yawStep = pi / 10;
const float tiltStep = pi / 20;

void expectNear(const SbVec3f& expected, const SbVec3f& actual, float tolerance) {
    EXPECT_NEAR(expected[0], actual[0], tolerance) << "x";
    EXPECT_NEAR(expected[1], actual[1], tolerance) << "y";
    EXPECT_NEAR(expected[2], actual[2], tolerance) << "z";
}

void expectColour(const SbColor& expected, const SoMaterial* material) {
    EXPECT_EQ(expected, material->diffuseColor[0]);
    EXPECT_EQ(SbColor(0.5f, 0.5f, 0.5f), material->specularColor[0]);
    EXPECT_EQ(0.0f, material->transparency[0]);
}

float tiltDegrees(const CannonTurret& turret) {
    SbVec3f axis;
    float radians = 0;
    turret.tiltTransform()->rotation.getValue().getValue(axis, radians);
    return radians * 180 / pi;
}

/// A cannon placed as the start-up places it, under the global scene root with a viewer that
/// has no window, as barrelDirection needs.
class PlacedCannon : public ::testing::Test {
protected:
    void SetUp() override {
        root = new SoSeparator;
        root->ref();
        root->addChild(cannon.root());
        sceneRoot = root;
        viewer = &headless;
        cannon.moveBy(-20, cannon.turret().plateHeight() / 2 - 15, 1.5f);
    }
    void TearDown() override {
        sceneRoot = nullptr;
        viewer = nullptr;
        root->unref();
    }

    HeadlessViewer headless;
    SoSeparator* root = nullptr;
    Cannon cannon;
};

const SbVec3f startDirection(std::sin(pi / 5), std::cos(pi / 5), 0);

} // namespace

TEST(CannonModel, RootHoldsMaterialTransformTurretAndBase) {
    Cannon cannon;
    SoSeparator* root = cannon.root();
    ASSERT_EQ(4, root->getNumChildren());
    ASSERT_TRUE(root->getChild(0)->isOfType(SoMaterial::getClassTypeId()));
    ASSERT_TRUE(root->getChild(1)->isOfType(SoTransform::getClassTypeId()));
    EXPECT_EQ(cannon.turret().root(), root->getChild(2));
    ASSERT_TRUE(root->getChild(3)->isOfType(SoCylinder::getClassTypeId()));

    expectColour(SbColor(1, 1, 1), static_cast<SoMaterial*>(root->getChild(0)));
    const auto* base = static_cast<SoCylinder*>(root->getChild(3));
    EXPECT_EQ(3.75f, base->radius.getValue());
    EXPECT_EQ(2.0f, base->height.getValue());
    const auto* transform = static_cast<SoTransform*>(root->getChild(1));
    EXPECT_EQ(SbVec3f(0, 0, 0), transform->translation.getValue());
    EXPECT_EQ(SbVec3f(0, 0, 0), cannon.position());
}

TEST(CannonModel, TurretHoldsPlateBarrelAndJointInOrder) {
    Cannon cannon;
    const CannonTurret& turret = cannon.turret();
    SoSeparator* root = turret.root();
    ASSERT_EQ(2, root->getNumChildren());
    EXPECT_EQ(turret.yawTransform(), root->getChild(0));
    EXPECT_EQ(SbVec3f(0, 1, 0), turret.yawTransform()->translation.getValue());
    ASSERT_TRUE(root->getChild(1)->isOfType(SoSeparator::getClassTypeId()));

    const auto* parts = static_cast<SoSeparator*>(root->getChild(1));
    ASSERT_EQ(6, parts->getNumChildren());
    ASSERT_TRUE(parts->getChild(0)->isOfType(SoMaterial::getClassTypeId()));
    expectColour(SbColor(0, 0, 0), static_cast<SoMaterial*>(parts->getChild(0)));

    ASSERT_TRUE(parts->getChild(1)->isOfType(SoSeparator::getClassTypeId()));
    const auto* plateSeparator = static_cast<SoSeparator*>(parts->getChild(1));
    ASSERT_EQ(1, plateSeparator->getNumChildren());
    ASSERT_TRUE(plateSeparator->getChild(0)->isOfType(SoCube::getClassTypeId()));
    const auto* plate = static_cast<SoCube*>(plateSeparator->getChild(0));
    EXPECT_EQ(2.5f, plate->width.getValue());
    EXPECT_EQ(0.3f, plate->height.getValue());
    EXPECT_EQ(2.5f, plate->depth.getValue());
    EXPECT_EQ(0.3f, turret.plateHeight());

    EXPECT_EQ(turret.tiltTransform(), parts->getChild(2));
    EXPECT_EQ(SbVec3f(0, 0, 0), turret.tiltTransform()->translation.getValue());

    EXPECT_EQ(turret.barrel(), parts->getChild(3));
    EXPECT_EQ(0.7f, turret.barrel()->radius.getValue());
    EXPECT_EQ(5.5f, turret.barrel()->height.getValue());
    EXPECT_EQ(SoCylinder::SIDES | SoCylinder::BOTTOM, turret.barrel()->parts.getValue());

    ASSERT_TRUE(parts->getChild(4)->isOfType(SoTransform::getClassTypeId()));
    const auto* jointTransform = static_cast<SoTransform*>(parts->getChild(4));
    EXPECT_EQ(SbVec3f(0, 0.15f, 0), jointTransform->translation.getValue());
    ASSERT_TRUE(parts->getChild(5)->isOfType(SoSphere::getClassTypeId()));
    EXPECT_EQ(0.9f, static_cast<SoSphere*>(parts->getChild(5))->radius.getValue());
}

TEST(CannonModel, StartsLeaningThirtySixDegreesTowardPlusX) {
    Cannon cannon;
    SbVec3f axis;
    float radians = 0;
    cannon.turret().tiltTransform()->rotation.getValue().getValue(axis, radians);
    EXPECT_NEAR(36.0f, radians * 180 / pi, 1e-4f);
    // A lean toward +x is a negative turn about +z.
    expectNear(SbVec3f(0, 0, -1), axis, 1e-6f);
}

TEST(CannonModel, MoveByAddsUpAndKeepsPositionWithTranslation) {
    Cannon cannon;
    cannon.moveBy(1, 2, 3);
    cannon.moveBy(-0.5f, 0.25f, 1);
    EXPECT_EQ(SbVec3f(0.5f, 2.25f, 4), cannon.position());
    const auto* transform = static_cast<SoTransform*>(cannon.root()->getChild(1));
    EXPECT_EQ(cannon.position(), transform->translation.getValue());
    EXPECT_EQ(SbVec3f(0.5f, 3.25f, 4), cannon.launchPoint());
}

TEST(CannonTilt, WReachesNineDegreesThenRefusesUpright) {
    CannonTurret turret;
    for (float expected : {27.0f, 18.0f, 9.0f}) {
        EXPECT_TRUE(turret.tilt(SbVec3f(0, 0, 1), tiltStep));
        EXPECT_NEAR(expected, tiltDegrees(turret), 1e-3f);
    }
    const SbRotation before = turret.tiltTransform()->rotation.getValue();
    EXPECT_FALSE(turret.tilt(SbVec3f(0, 0, 1), tiltStep));
    EXPECT_EQ(before, turret.tiltTransform()->rotation.getValue());
}

TEST(CannonTilt, SReachesFiftyFourDegreesThenRefusesSixtyThree) {
    CannonTurret turret;
    for (float expected : {45.0f, 54.0f}) {
        EXPECT_TRUE(turret.tilt(0, 0, 1, -tiltStep));
        EXPECT_NEAR(expected, tiltDegrees(turret), 1e-3f);
    }
    const SbRotation before = turret.tiltTransform()->rotation.getValue();
    EXPECT_FALSE(turret.tilt(0, 0, 1, -tiltStep));
    EXPECT_EQ(before, turret.tiltTransform()->rotation.getValue());
    // Back down from the limit works again.
    EXPECT_TRUE(turret.tilt(0, 0, 1, tiltStep));
    EXPECT_NEAR(45.0f, tiltDegrees(turret), 1e-3f);
}

TEST(CannonTilt, LongSessionsStayOnTheNineDegreeLevels) {
    CannonTurret turret;
    int level = 4;
    for (int sweep = 0; sweep < 200; ++sweep) {
        for (int press = 0; press < 8; ++press) {
            const bool kept = turret.tilt(SbVec3f(0, 0, 1), tiltStep);
            EXPECT_EQ(level > 1, kept);
            level -= kept ? 1 : 0;
        }
        for (int press = 0; press < 8; ++press) {
            const bool kept = turret.tilt(SbVec3f(0, 0, 1), -tiltStep);
            EXPECT_EQ(level < 6, kept);
            level += kept ? 1 : 0;
        }
        ASSERT_NEAR(54.0f, tiltDegrees(turret), 1e-2f);
    }
}

TEST(CannonTilt, LimitLooksOnlyAtTheSizeOfTheLean) {
    CannonTurret turret;
    // A lean of 36 degrees about x added to 36 about z is over 50 degrees in all; a second
    // such step passes 60 and is refused, whatever its axis.
    EXPECT_TRUE(turret.tilt(SbVec3f(1, 0, 0), pi / 5));
    EXPECT_FALSE(turret.tilt(SbVec3f(1, 0, 0), pi / 5));
}

TEST(CannonYaw, StepComesBeforeTheCurrentRotation) {
    CannonTurret turret;
    turret.yaw(SbVec3f(0, 1, 0), yawStep);
    const SbRotation first = turret.yawTransform()->rotation.getValue();
    turret.yaw(SbVec3f(1, 0, 0), yawStep);
    const SbRotation expected = SbRotation(SbVec3f(1, 0, 0), yawStep) * first;
    EXPECT_TRUE(expected.equals(turret.yawTransform()->rotation.getValue(), 1e-6f));
    EXPECT_FALSE((first * SbRotation(SbVec3f(1, 0, 0), yawStep))
                     .equals(turret.yawTransform()->rotation.getValue(), 1e-3f));
}

TEST_F(PlacedCannon, StartsAtItsPlaceAndShootsUpAndToPlusX) {
    EXPECT_NEAR(-14.85f, cannon.position()[1], 1e-6f);
    expectNear(SbVec3f(-20, -13.85f, 1.5f), cannon.launchPoint(), 1e-6f);

    const SbVec3f direction = cannon.barrelDirection();
    expectNear(SbVec3f(0.588f, 0.809f, 0), direction, 1e-3f);
    expectNear(startDirection, direction, 1e-6f);
    EXPECT_NEAR(1.0f, direction.length(), 1e-6f);
    expectNear(SbVec3f(11.76f, 16.18f, 0), 20 * direction, 1e-2f);
}

TEST_F(PlacedCannon, BarrelIsCentredOnTheLaunchPoint) {
    SbMatrix barrel = nodeWorldMatrix(cannon.turret().barrel());
    SbVec3f centre;
    barrel.multVecMatrix(SbVec3f(0, 0, 0), centre);
    expectNear(cannon.launchPoint(), centre, 1e-5f);
}

TEST_F(PlacedCannon, YawTurnsTheBarrelAboutTheVertical) {
    cannon.turret().yaw(SbVec3f(0, 1, 0), yawStep);
    const float lean = std::sin(pi / 5);
    expectNear(SbVec3f(lean * std::cos(yawStep), std::cos(pi / 5), -lean * std::sin(yawStep)),
               cannon.barrelDirection(), 1e-6f);
    EXPECT_NEAR(36.0f, tiltDegrees(cannon.turret()), 1e-3f);
}

TEST_F(PlacedCannon, TwentyYawStepsReturnToTheStart) {
    for (int press = 0; press < 20; ++press) {
        cannon.turret().yaw(SbVec3f(0, 1, 0), yawStep);
    }
    expectNear(startDirection, cannon.barrelDirection(), 1e-5f);
    for (int press = 0; press < 20; ++press) {
        cannon.turret().yaw(SbVec3f(0, 1, 0), -yawStep);
    }
    expectNear(startDirection, cannon.barrelDirection(), 1e-5f);
}

TEST_F(PlacedCannon, YawLeavesTheTiltLimitsAlone) {
    cannon.turret().yaw(SbVec3f(0, 1, 0), 3 * yawStep);
    EXPECT_TRUE(cannon.turret().tilt(SbVec3f(0, 0, 1), -tiltStep));
    EXPECT_TRUE(cannon.turret().tilt(SbVec3f(0, 0, 1), -tiltStep));
    EXPECT_FALSE(cannon.turret().tilt(SbVec3f(0, 0, 1), -tiltStep));
    // Yaw keeps the barrel's height: the lean from the vertical is still 54 degrees.
    EXPECT_NEAR(std::cos(54 * pi / 180), cannon.barrelDirection()[1], 1e-5f);
}

TEST_F(PlacedCannon, LaunchPointDoesNotFollowTheAim) {
    const SbVec3f start = cannon.launchPoint();
    cannon.turret().yaw(SbVec3f(0, 1, 0), yawStep);
    cannon.turret().tilt(SbVec3f(0, 0, 1), tiltStep);
    cannon.turret().tilt(SbVec3f(0, 0, 1), tiltStep);
    EXPECT_EQ(start, cannon.launchPoint());
    EXPECT_NEAR(18.0f, std::acos(cannon.barrelDirection()[1]) * 180 / pi, 1e-3f);
}

TEST(NodeWorldMatrix, FollowsTheTransformsOnThePath) {
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoTransform* move = new SoTransform;
    move->translation.setValue(1, 2, 3);
    move->rotation = SbRotation(SbVec3f(0, 0, 1), pi / 2);
    SoSphere* sphere = new SoSphere;
    root->addChild(move);
    root->addChild(sphere);

    SbVec3f origin;
    SbVec3f axis;
    const SbMatrix matrix = nodeWorldMatrix(sphere, root, SbViewportRegion(100, 100));
    matrix.multVecMatrix(SbVec3f(0, 0, 0), origin);
    matrix.multDirMatrix(SbVec3f(1, 0, 0), axis);
    expectNear(SbVec3f(1, 2, 3), origin, 1e-6f);
    expectNear(SbVec3f(0, 1, 0), axis, 1e-6f);
    root->unref();
}

TEST(NodeWorldMatrixDeathTest, NodeOutsideTheSceneAborts) {
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoSphere* stray = new SoSphere;
    stray->ref();
    EXPECT_DEATH(nodeWorldMatrix(stray, root, SbViewportRegion(100, 100)), "path != NULL");
    stray->unref();
    root->unref();
}
