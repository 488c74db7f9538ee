#include "app/Sensors.h"

#include "app/Globals.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/SbTime.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

void timerCallback(void*, SoSensor*) {
    if (mpSystemReady) {
        mpSystem->step(settings.timeStep);
    }
}

void idleCallback(void*, SoSensor* sensor) {
    if (mpSystemReady) {
        mpSystem->updateScene();
    }
    sensor->schedule();
}

void createSensors() {
    timerSensor = new SoTimerSensor(timerCallback, nullptr);
    // Each tick advances the simulation by a whole step, so simulated time runs at three
    // times wall-clock time. The interval is fixed here; key 2 later changes only the step.
    timerSensor->setInterval(SbTime(static_cast<double>(settings.timeStep) / 3.0));
    idleSensor = new SoIdleSensor(idleCallback, nullptr);
}
