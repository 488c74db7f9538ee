#include "balls/BallShots.h"

#include "balls/BallLightSet.h"
#include "balls/BallSet.h"

#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>

SbColor ballColour(int liveBalls) {
    const float red = liveBalls % 3 == 0 ? 1.0f : 0.0f;
    const float green = (liveBalls + 1) % 3 == 0 ? 1.0f : 0.0f;
    const float blue = (liveBalls + 2) % 3 == 0 ? 1.0f : 0.0f;
    return SbColor(red, green, blue);
}

unsigned ballLimit(unsigned maxLightSources) {
    // Subtracting from an unsigned count below two would wrap round to a huge limit.
    return maxLightSources < 2 ? 0 : maxLightSources - 2;
}

bool hasRoomForBall(int liveBalls, unsigned maxLightSources) {
    return static_cast<unsigned>(liveBalls) < ballLimit(maxLightSources);
}

void shootBall(BallSet& balls, BallLightSet& lights, SoGroup& world, const SbVec3f& launchPoint,
               const SbVec3f& direction, unsigned maxLightSources) {
    const int liveBalls = balls.size();
    if (!hasRoomForBall(liveBalls, maxLightSources)) {
        return;
    }
    const SbColor colour = ballColour(liveBalls);
    auto ball = std::make_unique<Ball>(launchPoint, ballLaunchSpeed * direction, colour[0],
                                       colour[1], colour[2]);
    addBall(balls, lights, world, std::move(ball), colour, launchPoint);
}

void addBall(BallSet& balls, BallLightSet& lights, SoGroup& world, std::unique_ptr<Ball> ball,
             const SbColor& colour, const SbVec3f& lightLocation) {
    SoPointLight* light = new SoPointLight;
    light->location = lightLocation;
    light->intensity = companionLightIntensity;
    light->color = colour;

    SoSeparator* ballRoot = ball->root();
    balls.append(std::move(ball));
    lights.append(light);
    world.insertChild(ballRoot, 0);
    world.insertChild(light, 0);
}

void removeBall(BallSet& balls, BallLightSet& lights, SoGroup& world, int k) {
    const int liveBalls = balls.size();
    world.removeChild(2 * (liveBalls - k) - 1);
    world.removeChild(2 * (liveBalls - k) - 2);
    balls.erase(k);
    lights.erase(k);
}

void removeOldestBall(BallSet& balls, BallLightSet& lights, SoGroup& world) {
    if (balls.empty()) {
        return;
    }
    removeBall(balls, lights, world, 0);
}
