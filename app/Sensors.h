#pragma once

#include <Inventor/SbTime.h>

class SoSensor;

/// One physics tick: steps the body (while it is ready) and the balls by settings.timeStep,
/// drops fallen balls, then gathers the contact forces that the next tick's steps consume.
/// Fired every timeStep / 3 seconds while the animation runs.
void timerCallback(void* userData, SoSensor* sensor);

/// Copies the simulated state (body and balls) into the scene nodes, then schedules `sensor` again
/// so that it fires at every idle moment of the main loop until the animation is stopped.
void idleCallback(void* userData, SoSensor* sensor);

/// Longest interval between two ticks, in seconds: far beyond any useful time step, and well
/// within the millisecond counters of the window toolkit's timers (they wrap after 24 days).
constexpr double maxTimerInterval = 86400;

/// The wall-clock time between two ticks for a time step of `timeStep` seconds: a third of it,
/// in double precision, at most maxTimerInterval. A time step that is negative or not a finite
/// number (the command line is not checked, and "nan" or "inf" convert as such) gives 0, as an
/// absent one does: the library's timer queue and the toolkit's timers cannot hold such times.
/// The steps themselves move nothing with such a time step.
SbTime timerInterval(float timeStep);

/// Creates timerSensor, with the interval timerInterval(settings.timeStep) counted from now
/// (the ticks keep to that schedule however late one of them runs), and idleSensor. Both stay
/// unscheduled: the animation starts stopped.
void createSensors();
