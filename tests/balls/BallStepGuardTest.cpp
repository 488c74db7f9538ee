#include "balls/Ball.h"
#include "common/Finite.h"
#include "tests/CoinEnvironment.h"

#include <cmath>
#include <limits>

namespace {

const float infinity = std::numeric_limits<float>::infinity();
const float notANumber = std::numeric_limits<float>::quiet_NaN();

} // namespace

// The time step comes from the command line unchecked (and key 2 only cycles it): a step that
// does not move time forward must leave the ball where it is, and use up its contact force.
TEST(BallStepGuard, StepsThatDoNotMoveTimeForwardMoveNothing) {
    for (float dt : {0.0f, -0.012f, -infinity, infinity, notANumber}) {
        SCOPED_TRACE(dt);
        Ball ball(SbVec3f(1, 2, 3), SbVec3f(4, 5, 6), 1, 0, 0);
        ball.addForce(SbVec3f(100, 0, 0));
        ball.step(dt);
        EXPECT_EQ(SbVec3f(1, 2, 3), ball.position());
        EXPECT_EQ(SbVec3f(4, 5, 6), ball.velocity());
        EXPECT_EQ(SbVec3f(0, 0, 0), ball.force());
    }
}

// Drag with a negative step multiplies the velocity by 1.0024 per tick of -0.012 s: it would
// overflow within a long run.
TEST(BallStepGuard, NegativeStepsNeverAmplifyTheVelocity) {
    Ball ball(SbVec3f(0, 0, 0), SbVec3f(20, 0, 0), 1, 0, 0);
    for (int tick = 0; tick < 100000; ++tick) {
        ball.step(-0.012f);
    }
    EXPECT_EQ(SbVec3f(20, 0, 0), ball.velocity());
    EXPECT_EQ(SbVec3f(0, 0, 0), ball.position());
}

TEST(BallStepGuard, AStepBeyondSinglePrecisionLeavesTheBallFiniteAtRest) {
    Ball ball(SbVec3f(-20, -13.85f, 1.5f), SbVec3f(11.76f, 16.18f, 0), 1, 0, 0);
    for (float dt : {1e30f, 3e38f}) {
        ball.step(dt);
        EXPECT_TRUE(isFinite(ball.position()));
        EXPECT_TRUE(isFinite(ball.velocity()));
    }
    EXPECT_EQ(SbVec3f(-20, -13.85f, 1.5f), ball.position());
    EXPECT_EQ(SbVec3f(0, 0, 0), ball.velocity());
}

TEST(BallStepGuard, AHugeForceCannotCarryTheBallOutOfTheNumbers) {
    Ball ball(SbVec3f(0, 0, 0), SbVec3f(0, 0, 0), 1, 0, 0);
    ball.addForce(SbVec3f(3e38f, 0, 0));
    ball.addForce(SbVec3f(3e38f, 0, 0));
    ball.step(0.012f);
    EXPECT_TRUE(isFinite(ball.position()));
    EXPECT_TRUE(isFinite(ball.velocity()));
    EXPECT_EQ(SbVec3f(0, 0, 0), ball.force());
    // The ball goes on as usual afterwards.
    ball.step(0.012f);
    EXPECT_LT(ball.velocity()[1], 0.0f);
}
