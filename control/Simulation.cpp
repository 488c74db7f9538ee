#include "control/Simulation.h"

#include "appstate/Globals.h"
#include "balls/BallDynamics.h"
#include "balls/WorldTick.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoSeparator.h>

#include <cmath>

void runWorldTick() {
    MpSystem* body = mpSystemReady ? mpSystem : nullptr;
    runTick(TickWorld{body, ballSet, ballLightSet, *worldSeparator, collisionWorld},
            settings.timeStep);
}

void tickSimulation(ProgramState& state) {
    state.keyScript.pressDue(state.ticksRun, false);
    if (mpSystemReady && mpSystem != nullptr) {
        state.grab.pull(*mpSystem, settings.timeStep);
    }
    runWorldTick();
    ++state.ticksRun;
    // Steps of no length, or of none that is a number, move nothing.
    if (settings.timeStep > 0 && std::isfinite(settings.timeStep)) {
        state.simulatedTime += settings.timeStep;
    }
    watchTick(state);
    // A blown-up body's energy would flatten the rest of the plot to nothing.
    if (state.energyPlotShown && mpSystemReady && !state.watch.caught) {
        state.energy.record(state.simulatedTime, *mpSystem);
    }
    state.recorder.tickRan();
}

void showSimulation() {
    if (mpSystemReady) {
        mpSystem->updateScene();
    }
    syncBallNodes(ballSet, ballLightSet);
}
