#include "BallSceneFixture.h"

#include <Inventor/nodes/SoMaterial.h>

namespace {

const SbColor red(1, 0, 0);
const SbColor green(0, 1, 0);
const SbColor blue(0, 0, 1);

SbColor colourOf(const Ball& ball) {
    return ball.material()->diffuseColor[0];
}

} // namespace

TEST(BallColour, FollowsTheCountOfLiveBalls) {
    EXPECT_EQ(red, ballColour(0));
    EXPECT_EQ(blue, ballColour(1));
    EXPECT_EQ(green, ballColour(2));
    EXPECT_EQ(red, ballColour(3));
    EXPECT_EQ(blue, ballColour(7));
}

TEST(BallRoom, LeavesTwoLightSourcesFree) {
    EXPECT_TRUE(hasRoomForBall(5, 8));
    EXPECT_FALSE(hasRoomForBall(6, 8));
    EXPECT_TRUE(hasRoomForBall(0, 3));
    EXPECT_FALSE(hasRoomForBall(1, 3));
}

TEST(BallRoom, TooFewLightSourcesLeaveNoRoomRatherThanWrappingRound) {
    for (unsigned lightSources : {0u, 1u, 2u}) {
        EXPECT_FALSE(hasRoomForBall(0, lightSources)) << lightSources << " light sources";
        EXPECT_FALSE(hasRoomForBall(1000, lightSources)) << lightSources << " light sources";
    }
}

TEST_F(BallScene, ShotStartsAtTheLaunchPointWithTwentyTimesTheDirection) {
    const SbVec3f launchPoint(-20, -13.85f, 1.5f);
    // The direction is used as given, not normalised.
    shootFrom(launchPoint, SbVec3f(0.5f, 2, 0));
    ASSERT_EQ(1, balls.size());
    const Ball& ball = balls.at(0);
    EXPECT_EQ(launchPoint, ball.position());
    EXPECT_EQ(SbVec3f(10, 40, 0), ball.velocity());
    EXPECT_EQ(SbVec3f(0, 0, 0), ball.force());

    SoPointLight* light = lights.at(0);
    EXPECT_EQ(launchPoint, light->location.getValue());
    EXPECT_EQ(0.6f, light->intensity.getValue());
    EXPECT_EQ(red, light->color.getValue());
    EXPECT_TRUE(light->on.getValue());
    expectLayout();
}

TEST_F(BallScene, ColoursRunRedBlueGreenAndFollowTheCountAfterRemoval) {
    for (int shot = 0; shot < 4; ++shot) {
        shootFrom(SbVec3f(0, 0, 0));
    }
    const SbColor expected[] = {red, blue, green, red};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(expected[k], colourOf(balls.at(k))) << "ball " << k;
        EXPECT_EQ(expected[k], lights.at(k)->color.getValue()) << "light " << k;
    }
    removeOldestBall(balls, lights, *world);
    shootFrom(SbVec3f(0, 0, 0));
    // Four balls were alive again before this shot, as before the last one: red twice in a row.
    EXPECT_EQ(red, colourOf(balls.at(3)));
    EXPECT_EQ(red, colourOf(balls.at(2)));
    expectLayout();
}

TEST_F(BallScene, EightLightSourcesAllowSixBalls) {
    for (int shot = 0; shot < 7; ++shot) {
        shootFrom(SbVec3f(static_cast<float>(shot), 0, 0));
    }
    EXPECT_EQ(6, balls.size());
    EXPECT_EQ(6, lights.size());
    EXPECT_EQ(14, world->getNumChildren());
    EXPECT_EQ(SbVec3f(5, 0, 0), balls.at(5).position());

    removeOldestBall(balls, lights, *world);
    shootFrom(SbVec3f(7, 0, 0));
    EXPECT_EQ(6, balls.size());
    EXPECT_EQ(SbVec3f(7, 0, 0), balls.at(5).position());
    expectLayout();
}

TEST_F(BallScene, NoLightSourcesAllowNoBall) {
    shootBall(balls, lights, *world, SbVec3f(0, 0, 0), SbVec3f(0, 1, 0), 0);
    shootBall(balls, lights, *world, SbVec3f(0, 0, 0), SbVec3f(0, 1, 0), 1);
    EXPECT_EQ(0, balls.size());
    EXPECT_EQ(2, world->getNumChildren());
}

TEST_F(BallScene, RemovalWithoutBallsChangesNothing) {
    removeOldestBall(balls, lights, *world);
    EXPECT_EQ(0, balls.size());
    expectLayout();
}

TEST_F(BallScene, RemovalTakesTheOldestBallAndItsLight) {
    for (int shot = 0; shot < 3; ++shot) {
        shootFrom(SbVec3f(static_cast<float>(shot), 0, 0));
    }
    SoPointLight* oldestLight = lights.at(0);
    SoSeparator* oldestRoot = balls.at(0).root();
    removeOldestBall(balls, lights, *world);
    ASSERT_EQ(2, balls.size());
    EXPECT_EQ(SbVec3f(1, 0, 0), balls.at(0).position());
    EXPECT_EQ(SbVec3f(2, 0, 0), balls.at(1).position());
    EXPECT_EQ(-1, world->findChild(oldestLight));
    EXPECT_EQ(-1, world->findChild(oldestRoot));
    expectLayout();
}

TEST_F(BallScene, MixedShotsAndRemovalsKeepTheLayout) {
    const char* keys = "SSTSSSTTSSTSTTTTS";
    float next = 0;
    float oldest = 0;
    for (const char* key = keys; *key != '\0'; ++key) {
        if (*key == 'S') {
            shootFrom(SbVec3f(next++, 0, 0));
        } else {
            if (balls.size() > 0) {
                ++oldest;
            }
            removeOldestBall(balls, lights, *world);
        }
        expectLayout();
        if (balls.size() > 0) {
            EXPECT_EQ(SbVec3f(oldest, 0, 0), balls.at(0).position()) << "after " << key - keys;
        }
    }
    EXPECT_EQ(1, balls.size());
}
