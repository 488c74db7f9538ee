#include "BallSceneFixture.h"

#include "balls/BallDynamics.h"

#include <Inventor/nodes/SoTransform.h>

#include <cmath>
#include <limits>

namespace {

const float dt = 0.012f;

/// Where a ball launched at `start` along `direction` is after one step of dt.
SbVec3f afterOneStep(const SbVec3f& start, const SbVec3f& direction) {
    Ball reference(start, ballLaunchSpeed * direction, 1, 0, 0);
    reference.step(dt);
    return reference.position();
}

} // namespace

TEST(BallStep, FallsFromRestAsSemiImplicitEuler) {
    Ball ball(SbVec3f(0, 0, 0), SbVec3f(0, 0, 0), 1, 0, 0);
    ball.step(0.01f);
    // Gravity alone: a = -9.81, the new velocity moves the ball.
    EXPECT_FLOAT_EQ(-0.0981f, ball.velocity()[1]);
    EXPECT_FLOAT_EQ(-0.000981f, ball.position()[1]);
    ball.step(0.01f);
    // Drag 0.1 on velocity -0.0981 over mass 0.5 slows the second step by 0.0001962.
    EXPECT_FLOAT_EQ(-0.0981f * 2 + 0.01f * 0.0981f * 0.2f, ball.velocity()[1]);
}

TEST(BallStep, ContactForceActsOnceThenClears) {
    Ball pushed(SbVec3f(0, 0, 0), SbVec3f(0, 0, 0), 1, 0, 0);
    pushed.addForce(SbVec3f(1, 0, 0));
    pushed.addForce(SbVec3f(0.5f, 0, 0));
    pushed.step(0.1f);
    EXPECT_FLOAT_EQ(0.3f, pushed.velocity()[0]);
    EXPECT_EQ(SbVec3f(0, 0, 0), pushed.force());
    pushed.step(0.1f);
    // Only drag acts along x now.
    EXPECT_FLOAT_EQ(0.3f - 0.1f * 0.3f * 0.2f, pushed.velocity()[0]);
}

TEST(BallInPlay, EndsAtMinusFortyFiveAndForNotANumber) {
    EXPECT_FALSE(isBallInPlay(Ball(SbVec3f(0, -45, 0), SbVec3f(0, 0, 0), 1, 0, 0)));
    EXPECT_FALSE(isBallInPlay(Ball(SbVec3f(0, -100, 0), SbVec3f(0, 0, 0), 1, 0, 0)));
    EXPECT_TRUE(isBallInPlay(Ball(SbVec3f(0, -44.999f, 0), SbVec3f(0, 0, 0), 1, 0, 0)));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(isBallInPlay(Ball(SbVec3f(0, nan, 0), SbVec3f(0, 0, 0), 1, 0, 0)));
    // Far out sideways is still in play; only the height counts.
    EXPECT_TRUE(isBallInPlay(Ball(SbVec3f(1e6f, 0, -1e6f), SbVec3f(0, 0, 0), 1, 0, 0)));
}

TEST_F(BallScene, AdvanceStepsEveryBallInPlayOnce) {
    const SbVec3f direction(0.6f, 0.8f, 0);
    shootFrom(SbVec3f(0, 0, 0), direction);
    shootFrom(SbVec3f(1, -44.9f, 0), direction);
    advanceBalls(balls, lights, *world, dt);
    ASSERT_EQ(2, balls.size());
    EXPECT_EQ(afterOneStep(SbVec3f(0, 0, 0), direction), balls.at(0).position());
    EXPECT_EQ(afterOneStep(SbVec3f(1, -44.9f, 0), direction), balls.at(1).position());
    expectLayout();
}

TEST_F(BallScene, AdvanceLeavesTheNodesWhereTheyWere) {
    shootFrom(SbVec3f(2, 3, 4));
    advanceBalls(balls, lights, *world, dt);
    EXPECT_NE(SbVec3f(2, 3, 4), balls.at(0).position());
    EXPECT_EQ(SbVec3f(2, 3, 4), balls.at(0).transform()->translation.getValue());
    EXPECT_EQ(SbVec3f(2, 3, 4), lights.at(0)->location.getValue());
}

TEST_F(BallScene, AdvanceRemovesBallsAtOrBelowMinusFortyFive) {
    shootFrom(SbVec3f(0, -45, 0));
    shootFrom(SbVec3f(1, 0, 0));
    advanceBalls(balls, lights, *world, dt);
    ASSERT_EQ(1, balls.size());
    EXPECT_EQ(afterOneStep(SbVec3f(1, 0, 0), SbVec3f(0, 1, 0)), balls.at(0).position());
    expectLayout();
}

TEST_F(BallScene, TwoNeighboursFallingInOneTickBothLeaveWithTheirOwnNodes) {
    shootFrom(SbVec3f(0, 0, 0));
    shootFrom(SbVec3f(1, -50, 0));
    shootFrom(SbVec3f(2, -60, 0));
    shootFrom(SbVec3f(3, 0, 0));
    shootFrom(SbVec3f(4, -70, 0));
    SoSeparator* fallen[] = {balls.at(1).root(), balls.at(2).root(), balls.at(4).root()};
    SoPointLight* fallenLights[] = {lights.at(1), lights.at(2), lights.at(4)};
    SoPointLight* keptLights[] = {lights.at(0), lights.at(3)};

    advanceBalls(balls, lights, *world, dt);

    ASSERT_EQ(2, balls.size());
    EXPECT_EQ(afterOneStep(SbVec3f(0, 0, 0), SbVec3f(0, 1, 0)), balls.at(0).position());
    EXPECT_EQ(afterOneStep(SbVec3f(3, 0, 0), SbVec3f(0, 1, 0)), balls.at(1).position());
    EXPECT_EQ(keptLights[0], lights.at(0));
    EXPECT_EQ(keptLights[1], lights.at(1));
    for (int f = 0; f < 3; ++f) {
        EXPECT_EQ(-1, world->findChild(fallen[f])) << "fallen ball " << f;
        EXPECT_EQ(-1, world->findChild(fallenLights[f])) << "fallen light " << f;
    }
    expectLayout();
}

TEST_F(BallScene, AllBallsFallingEmptiesTheFront) {
    shootFrom(SbVec3f(0, -46, 0));
    shootFrom(SbVec3f(1, -47, 0));
    advanceBalls(balls, lights, *world, dt);
    EXPECT_EQ(0, balls.size());
    expectLayout();
}

TEST_F(BallScene, SyncMovesBallNodesAndHoldsCompanionLightsUp) {
    shootFrom(SbVec3f(0, -13, 0), SbVec3f(0, 0, 0));
    shootFrom(SbVec3f(5, 2, -3), SbVec3f(0, 0, 0));
    for (int tick = 0; tick < 50; ++tick) {
        advanceBalls(balls, lights, *world, dt);
    }
    const SbVec3f low = balls.at(0).position();
    const SbVec3f high = balls.at(1).position();
    ASSERT_LT(low[1], -12.3f);
    ASSERT_GT(high[1], -12.3f);

    syncBallNodes(balls, lights);

    EXPECT_EQ(low, balls.at(0).transform()->translation.getValue());
    EXPECT_EQ(low, balls.at(0).light()->location.getValue());
    EXPECT_EQ(SbVec3f(low[0], -12.3f, low[2]), lights.at(0)->location.getValue());
    EXPECT_EQ(high, balls.at(1).transform()->translation.getValue());
    EXPECT_EQ(high, balls.at(1).light()->location.getValue());
    EXPECT_EQ(high, lights.at(1)->location.getValue());
}
