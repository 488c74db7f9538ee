#include "control/Simulation.h"

#include "appstate/Globals.h"
#include "balls/BallDynamics.h"
#include "balls/WorldTick.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoSeparator.h>

#include <cmath>

namespace {

// The first body is left alone while it is being replaced (mpSystemReady false).
const MpSystem* pausedBody() {
    return mpSystemReady ? nullptr : mpSystem;
}

} // namespace

void runWorldTick() {
    runTick(TickWorld{ballSet, ballLightSet, *worldSeparator, collisionWorld, pausedBody()},
            settings.timeStep);
}

void tickSimulation(ProgramState& state) {
    state.keyScript.pressDue(state.ticksRun, false);
    for (MpSystem* body : collisionWorld.bodies()) {
        if (body != pausedBody()) {
            state.grab.pull(*body, settings.timeStep);
        }
    }
    runWorldTick();
    ++state.ticksRun;
    // Steps of no length, or of none that is a number, move nothing.
    if (settings.timeStep > 0 && std::isfinite(settings.timeStep)) {
        state.simulatedTime += settings.timeStep;
    }
    watchTick(state);
    // A blown-up body's energy would flatten the rest of the plot to nothing.
    if (state.energyPlotShown && !collisionWorld.bodies().empty() && !state.watch.caught) {
        state.energy.record(state.simulatedTime, collisionWorld.bodies());
    }
    state.recorder.tickRan();
}

void showSimulation() {
    for (MpSystem* body : collisionWorld.bodies()) {
        if (body != pausedBody()) {
            body->updateScene();
        }
    }
    syncBallNodes(ballSet, ballLightSet);
}
