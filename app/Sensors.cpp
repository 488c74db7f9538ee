#include "app/Sensors.h"

#include "appstate/Globals.h"
#include "balls/BallDynamics.h"
#include "balls/WorldTick.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/SbTime.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <algorithm>
#include <cmath>

void timerCallback(void*, SoSensor*) {
    MpSystem* body = mpSystemReady ? mpSystem : nullptr;
    runTick(TickWorld{body, ballSet, ballLightSet, *worldSeparator, collisionWorld},
            settings.timeStep);
}

void idleCallback(void*, SoSensor* sensor) {
    if (mpSystemReady) {
        mpSystem->updateScene();
    }
    syncBallNodes(ballSet, ballLightSet);
    sensor->schedule();
}

SbTime timerInterval(float timeStep) {
    const double interval = static_cast<double>(timeStep) / 3.0;
    if (!std::isfinite(interval) || interval < 0.0) {
        return SbTime::zero();
    }
    return SbTime(std::min(interval, maxTimerInterval));
}

void createSensors() {
    timerSensor = new SoTimerSensor(timerCallback, nullptr);
    // Each tick advances the simulation by a whole step, so simulated time runs at three
    // times wall-clock time. The interval is fixed here; key 2 later changes only the step.
    const SbTime interval = timerInterval(settings.timeStep);
    timerSensor->setInterval(interval);
    // Without a base time the library times each tick from the moment the one before it ran:
    // a tick held up by a frame puts every later tick back, and with frames about as long as
    // the interval the ticks come at half their rate. From a fixed base they keep to their
    // schedule, and only a tick that cannot run in time at all is left out. Ticks without an
    // interval run at every turn of the loop and have no schedule to keep.
    if (interval > SbTime::zero()) {
        timerSensor->setBaseTime(SbTime::getTimeOfDay());
    }
    idleSensor = new SoIdleSensor(idleCallback, nullptr);
}
