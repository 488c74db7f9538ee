#include "control/Rewind.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "balls/BallShots.h"
#include "common/ErrorLine.h"
#include "control/ProgramState.h"
#include "control/Simulation.h"
#include "control/StatusReport.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <sstream>

namespace {

/// Balls a snapshot makes room for beyond the viewer's limit: none ever come close.
constexpr unsigned ballRoomAtLeast = 16;

// The bodies in play are those in the contacts: a body leaves them before it is destroyed and
// joins them once it is in the scene.
const std::vector<MpSystem*>& bodiesInPlay() {
    return collisionWorld.bodies();
}

bool worse(BodyPlace a, BodyPlace b) {
    return static_cast<int>(a) > static_cast<int>(b);
}

/// Where the bodies are, the worst of them, from the boxes around their points.
template <typename BoundsOf> BodyPlace placeOfBodies(BoundsOf boundsOfBody) {
    FloorSquare floor{};
    const bool hasFloor = floorSquareOf(collisionWorld, floor);
    BodyPlace place = BodyPlace::inArena;
    const std::vector<MpSystem*>& bodies = bodiesInPlay();
    for (size_t k = 0; k < bodies.size(); ++k) {
        const MpSystem& body = *bodies[k];
        const BodyPlace found = body.stoppedPoints() ? BodyPlace::blownUp
                                                     : placeOf(boundsOfBody(k), body.restSize(),
                                                               hasFloor ? &floor : nullptr);
        if (worse(found, place)) {
            place = found;
        }
    }
    return place;
}

bool isCaught(BodyPlace place) {
    return place == BodyPlace::blownUp || place == BodyPlace::outOfReach;
}

void takeSnapshot(ProgramState& state) {
    const bool sound =
        state.watch.place == BodyPlace::inArena && !state.tuning.beyondStableTimeStep();
    state.snapshots.take(state.simulatedTime, state.ticksRun, settings.timeStep, sound,
                         bodiesInPlay(), ballSet);
}

// The animation stops as P stops it, and the scene shows the moment once more.
void catchBody(ProgramState& state) {
    BodyWatch& watch = state.watch;
    watch.caught = true;
    watch.caughtTime = state.simulatedTime;
    watch.caughtTimeStep = settings.timeStep;
    watch.caughtStableTimeStep = state.tuning.stableTimeStep();
    if (timerSensor != nullptr) {
        timerSensor->unschedule();
    }
    if (idleSensor != nullptr && !idleSensor->isScheduled()) {
        idleSensor->schedule();
    }
    freshErrorLine() << bodyTroubleMessage(currentStatus(state)) << std::endl;
}

} // namespace

void prepareRewind(ProgramState& state) {
    if (state.snapshots.preparedFor(bodiesInPlay())) {
        return;
    }
    const unsigned limit = viewer != nullptr ? ballLimit(viewer->maxLightSources()) : 0;
    state.snapshots.prepare(bodiesInPlay(), static_cast<int>(std::max(limit, ballRoomAtLeast)));
    state.watch = BodyWatch{};
    takeSnapshot(state);
}

void watchTick(ProgramState& state) {
    const BodyPlace place =
        placeOfBodies([](size_t k) { return collisionWorld.bodyBounds(static_cast<int>(k)); });
    state.watch.place = place;
    if (isCaught(place)) {
        catchBody(state);
        return;
    }
    SnapshotRing& snapshots = state.snapshots;
    if (snapshots.preparedFor(bodiesInPlay()) && snapshots.due(state.simulatedTime)) {
        takeSnapshot(state);
    }
}

double rewindSeconds(const ProgramState& state) {
    const SnapshotRing& snapshots = state.snapshots;
    if (!snapshots.preparedFor(bodiesInPlay())) {
        return -1;
    }
    const int k = snapshots.choose(state.simulatedTime,
                                   state.watch.caught || state.watch.place != BodyPlace::inArena);
    return k < 0 ? -1 : std::max(0.0, state.simulatedTime - snapshots.at(k).time);
}

void goBack(ProgramState& state) {
    SnapshotRing& snapshots = state.snapshots;
    const std::vector<MpSystem*>& bodies = bodiesInPlay();
    const int k =
        snapshots.preparedFor(bodies)
            ? snapshots.choose(state.simulatedTime,
                               state.watch.caught || state.watch.place != BodyPlace::inArena)
            : -1;
    if (k < 0) {
        std::cout << "nothing to go back to" << std::endl;
        return;
    }
    const SimulationSnapshot& snapshot = snapshots.at(k);
    state.grab.release();
    for (size_t b = 0; b < bodies.size(); ++b) {
        bodies[b]->restoreState(snapshot.bodies[b]);
    }
    restoreBalls(snapshot.balls, ballSet, ballLightSet, *worldSeparator);
    settings.timeStep = snapshot.timeStep;
    state.simulatedTime = snapshot.time;
    state.energy.rewindTo(snapshot.time);
    snapshots.keepUpTo(k);
    state.watch = BodyWatch{};
    state.watch.place = placeOfBodies(
        [&bodies](size_t b) { return boundsOf(bodies[b]->positions(), bodies[b]->numPoints()); });
    showSimulation();
    std::ostringstream answer;
    answer << std::fixed << std::setprecision(3) << "back to t " << snapshot.time << " s"
           << std::defaultfloat << " (time step " << snapshot.timeStep << ")";
    std::cout << answer.str() << std::endl;
}
