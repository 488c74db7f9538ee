#include "control/StatusReport.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "balls/BallShots.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/sensors/SoTimerSensor.h>

StatusValues currentStatus(const ProgramState& state) {
    StatusValues values;
    const SceneBodies& bodies = state.bodies;
    const MpSystem* body = bodies.selectedBody();
    values.sceneName = fileNameOf(state.sceneName);
    values.bodyName = fileNameOf(bodies.source(bodies.selected()).name);
    values.bodies = bodies.count();
    values.selectedBody = bodies.selected();
    values.hasBody = body != nullptr;
    if (body != nullptr) {
        values.points = body->numPoints();
        values.springs = body->numSprings();
        values.stiffness = body->stiffness();
        values.damping = body->damping();
        values.pressure = body->pressure();
        values.pins = static_cast<int>(body->pinnedPoints().size());
        // The first body asks for the command line's pressure, else its file's; the others for
        // the one they were made with.
        const float asked = bodies.selected() > 0
                                ? bodies.source(bodies.selected()).material.pressure
                            : settings.pressureGiven ? settings.pressure
                                                     : body->filePressure();
        values.pressureRefused =
            asked > 0 && body->pressure() == 0 && !body->pressureProblem().empty();
    }
    values.balls = ballSet.size();
    values.ballLimit = viewer != nullptr ? ballLimit(viewer->maxLightSources()) : 0;
    values.timeStep = settings.timeStep;
    // The tuning panel may have given the body another point mass than the command line's.
    values.mass = body != nullptr ? body->pointMass() : settings.mass;
    values.stableTimeStep = state.tuning.stableTimeStep();
    values.running = timerSensor != nullptr && timerSensor->isScheduled();
    values.simulatedTime = state.simulatedTime;
    values.pace = state.ticks.measuredPace();
    values.targetPace = state.ticks.targetPace(settings.timeStep);
    values.ranShare = state.ticks.ranShare();
    values.slowMotion = state.ticks.slowMotion();
    values.recording = state.recorder.recording();
    values.recordedSeconds = state.recorder.seconds();
    values.bodyPlace = state.watch.place;
    values.caughtTimeStep = state.watch.caughtTimeStep;
    values.caughtStableTimeStep = state.watch.caughtStableTimeStep;
    values.rewindSeconds = rewindSeconds(state);
    return values;
}
