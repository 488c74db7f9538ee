#include "app/Sensors.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "control/ProgramState.h"
#include "control/Simulation.h"

#include <Inventor/SbTime.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <algorithm>
#include <cmath>

void timerCallback(void*, SoSensor*) {
    runWorldTick();
}

namespace {

// Without a time step nothing falls due, and the timer only looks now and then whether one
// has been set since (key 2): the first one sets the grid the ticks keep from then on.
void startTickGrid(ProgramState& state) {
    const SbTime interval = timerInterval(settings.timeStep);
    if (state.ticks.tickInterval() > 0 || interval <= SbTime::zero()) {
        return;
    }
    const SbTime now = SbTime::getTimeOfDay();
    state.ticks =
        TickSchedule(now.getValue(), interval.getValue(), frameInterval(viewer->refreshRate()));
    const bool running = timerSensor->isScheduled();
    timerSensor->unschedule();
    timerSensor->setInterval(interval);
    timerSensor->setBaseTime(now);
    if (running) {
        timerSensor->schedule();
    }
}

} // namespace

void dueTicksCallback(void* userData, SoSensor*) {
    ProgramState& state = *static_cast<ProgramState*>(userData);
    startTickGrid(state);
    TickSchedule& tickSchedule = state.ticks;
    const int due = tickSchedule.takeDueTicks(SbTime::getTimeOfDay().getValue(), settings.timeStep);
    // A tick that stops the animation (a blow-up caught) gives up the rest.
    for (int tick = 0; tick < due && timerSensor->isScheduled(); ++tick) {
        tickSimulation(state);
    }
    const double now = SbTime::getTimeOfDay().getValue();
    // The scene follows at the next idle moment, after any input that waits, so keys and the
    // mouse stay answered while the ticks take the time.
    if (tickSchedule.takeFrame(now) && !idleSensor->isScheduled()) {
        idleSensor->schedule();
    }
    // The timer stays on its grid but skips to the tick from which the next frame can be drawn:
    // each wake-up of the loop costs the window toolkit, whose timers count whole
    // milliseconds, up to a millisecond of polling.
    const double wake = tickSchedule.nextWake(now);
    if (wake > 0 && timerSensor->isScheduled()) {
        timerSensor->unschedule();
        timerSensor->setBaseTime(SbTime(wake));
        timerSensor->schedule();
    }
}

void idleCallback(void*, SoSensor*) {
    showSimulation();
}

SbTime timerInterval(float timeStep) {
    const double interval = static_cast<double>(timeStep) / 3.0;
    if (!std::isfinite(interval) || interval < 0.0) {
        return SbTime::zero();
    }
    return SbTime(std::min(interval, maxTimerInterval));
}

double frameInterval(double refreshRate) {
    if (!(refreshRate >= 1 && refreshRate <= 1000)) {
        refreshRate = 60;
    }
    return 1.0 / refreshRate;
}

void createSensors(ProgramState& state) {
    timerSensor = new SoTimerSensor(dueTicksCallback, &state);
    // Each tick advances the simulation by a whole step, so simulated time runs at three
    // times wall-clock time. The interval is fixed here; key 2 later changes only the step.
    const SbTime interval = timerInterval(settings.timeStep);
    timerSensor->setInterval(interval > SbTime::zero() ? interval : SbTime(idleTimerInterval));
    // Without a base time the library times each tick from the moment the one before it ran:
    // a tick held up by a frame puts every later tick back. From a fixed base the timer fires
    // on one grid, the grid on which tickSchedule counts the ticks due, so the ticks a frame
    // held up run in their turn when it is done. Without an interval no tick falls due, and
    // the timer only wakes now and then to see whether a time step has been set.
    const SbTime base = SbTime::getTimeOfDay();
    timerSensor->setBaseTime(base);
    state.ticks =
        TickSchedule(base.getValue(), interval.getValue(), frameInterval(viewer->refreshRate()));
    idleSensor = new SoIdleSensor(idleCallback, nullptr);
}
