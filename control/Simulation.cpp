#include "control/Simulation.h"

#include "appstate/Globals.h"
#include "balls/BallDynamics.h"
#include "balls/WorldTick.h"
#include "control/BodyGrab.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoSeparator.h>

#include <cmath>

void tickSimulation() {
    MpSystem* body = mpSystemReady ? mpSystem : nullptr;
    if (body != nullptr) {
        bodyGrab.pull(*body);
    }
    runTick(TickWorld{body, ballSet, ballLightSet, *worldSeparator, collisionWorld},
            settings.timeStep);
    // Steps of no length, or of none that is a number, move nothing.
    if (settings.timeStep > 0 && std::isfinite(settings.timeStep)) {
        simulatedTime += settings.timeStep;
    }
}

void showSimulation() {
    if (mpSystemReady) {
        mpSystem->updateScene();
    }
    syncBallNodes(ballSet, ballLightSet);
}
