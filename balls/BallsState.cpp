#include "balls/BallsState.h"

#include "balls/BallDynamics.h"
#include "balls/BallSet.h"
#include "balls/BallShots.h"

#include <memory>

void captureBalls(const BallSet& balls, std::vector<BallState>& states) {
    states.clear();
    for (int k = 0; k < balls.size(); ++k) {
        const Ball& ball = balls.at(k);
        states.push_back(BallState{ball.position(), ball.velocity(), ball.force(), ball.colour()});
    }
}

void restoreBalls(const std::vector<BallState>& states, BallSet& balls, BallLightSet& lights,
                  SoGroup& world) {
    while (!balls.empty()) {
        removeOldestBall(balls, lights, world);
    }
    for (const BallState& state : states) {
        const SbColor& c = state.colour;
        auto ball = std::make_unique<Ball>(state.position, state.velocity, c[0], c[1], c[2]);
        ball->setState(state.position, state.velocity, state.force);
        SbVec3f lightLocation = state.position;
        if (lightLocation[1] < companionLightMinHeight) {
            lightLocation[1] = companionLightMinHeight;
        }
        addBall(balls, lights, world, std::move(ball), c, lightLocation);
    }
}
