// The balls taken out of a snapshot and put back: the same balls in the same colours, laid
// out at the front of the world as shots lay them out, moving on as the captured ones did.

#include "balls/BallsState.h"
#include "BallSceneFixture.h"
#include "balls/BallDynamics.h"

#include <Inventor/nodes/SoMaterial.h>

#include <vector>

namespace {

class BallsState : public BallScene {
protected:
    /// Ticks of the balls alone, each ball given a force as the contacts would.
    std::vector<SbVec3f> run(int ticks) {
        std::vector<SbVec3f> centres;
        for (int t = 0; t < ticks; ++t) {
            for (int k = 0; k < balls.size(); ++k) {
                balls.at(k).addForce(SbVec3f(0.5f * k, 3.0f, -0.25f * t));
            }
            advanceBalls(balls, lights, *world, 0.012f);
            for (int k = 0; k < balls.size(); ++k) {
                centres.push_back(balls.at(k).position());
                centres.push_back(balls.at(k).velocity());
            }
        }
        return centres;
    }
};

TEST_F(BallsState, PutBackTheyMoveOnAsTheCapturedOnesDid) {
    shootFrom(SbVec3f(-20, -13, 1), SbVec3f(1, 1, 0));
    run(10);
    shootFrom(SbVec3f(-20, -13, 1), SbVec3f(1, 0.5f, 0.2f));
    shootFrom(SbVec3f(-20, -13, 1), SbVec3f(1, 0.2f, -0.2f));
    run(5);
    balls.at(1).addForce(SbVec3f(7, 0, 0));
    std::vector<BallState> states;
    states.reserve(6);
    captureBalls(balls, states);
    const std::vector<SbVec3f> straightOn = run(40);

    removeOldestBall(balls, lights, *world);
    shootFrom(SbVec3f(0, 0, 0));
    restoreBalls(states, balls, lights, *world);
    expectLayout();
    ASSERT_EQ(balls.size(), 3);
    for (int k = 0; k < 3; ++k) {
        const SbColor colour = ballColour(k);
        EXPECT_EQ(balls.at(k).material()->diffuseColor[0], colour) << k;
        EXPECT_EQ(lights.at(k)->color.getValue(), colour) << k;
    }
    EXPECT_EQ(run(40), straightOn);
}

TEST_F(BallsState, NoBallsCapturedLeavesNoneBehind) {
    std::vector<BallState> states;
    captureBalls(balls, states);
    shootFrom(SbVec3f(0, 0, 0));
    shootFrom(SbVec3f(1, 0, 0));
    restoreBalls(states, balls, lights, *world);
    expectLayout();
    EXPECT_EQ(balls.size(), 0);
}

} // namespace
