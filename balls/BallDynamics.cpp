#include "balls/BallDynamics.h"

#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/BallShots.h"

#include <Inventor/nodes/SoPointLight.h>

bool isBallInPlay(const Ball& ball) {
    return ball.position()[1] > ballFloorOfPlay;
}

void advanceBalls(BallSet& balls, BallLightSet& lights, SoGroup& world, float dt) {
    int k = 0;
    while (k < balls.size()) {
        if (isBallInPlay(balls.at(k))) {
            balls.at(k).step(dt);
            ++k;
        } else {
            // The next ball moves down to index k and is looked at next.
            removeBall(balls, lights, world, k);
        }
    }
}

void syncBallNodes(const BallSet& balls, const BallLightSet& lights) {
    for (int k = 0; k < balls.size(); ++k) {
        Ball& ball = balls.at(k);
        ball.syncNodes();
        SbVec3f location = ball.position();
        if (location[1] < companionLightMinHeight) {
            location[1] = companionLightMinHeight;
        }
        lights.at(k)->location = location;
    }
}
