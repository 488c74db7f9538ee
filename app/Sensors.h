#pragma once

#include <Inventor/SbTime.h>

class ProgramState;
class SoSensor;

/// One physics tick (runWorldTick): the body (while it is ready) and the balls step by
/// settings.timeStep, fallen balls drop out, and the contact forces that the next tick's steps
/// consume are gathered.
void timerCallback(void* userData, SoSensor* sensor);

/// The timer's callback while the animation runs, with the ProgramState as `userData`: runs,
/// by tickSimulation and in order, every tick that the state's schedule finds due (those that
/// fell due while a frame was drawn too, up to its cap), schedules idleSensor when a frame is
/// due, and has the timer fire next at the tick on its grid from which the next frame can be
/// drawn. In between the main loop sleeps.
void dueTicksCallback(void* userData, SoSensor* sensor);

/// The scene update of a frame (showSimulation): copies the simulated state (body and balls)
/// into the scene nodes, after which the viewer redraws. It fires once per scheduling: the
/// ticks schedule it when a frame is due, at most at the display's rate.
void idleCallback(void* userData, SoSensor* sensor);

/// Longest interval between two ticks, in seconds: far beyond any useful time step, and well
/// within the millisecond counters of the window toolkit's timers (they wrap after 24 days).
constexpr double maxTimerInterval = 86400;

/// How often the timer wakes while there is no time step (none was given, or it was not a
/// number), to take up the ticks once key 2 sets one: rarely enough that the loop sleeps.
constexpr double idleTimerInterval = 0.25;

/// The wall-clock time between two ticks for a time step of `timeStep` seconds: a third of it,
/// in double precision, at most maxTimerInterval. A time step that is negative or not a finite
/// number (the command line is not checked, and "nan" or "inf" convert as such) gives 0, as an
/// absent one does: the library's timer queue and the toolkit's timers cannot hold such times.
/// The steps themselves move nothing with such a time step.
SbTime timerInterval(float timeStep);

/// The shortest time between two frames for a display that shows `refreshRate` frames a
/// second; a rate that is unknown (0) or implausible counts as 60.
double frameInterval(double refreshRate);

/// Creates timerSensor, calling dueTicksCallback for `state`, with the interval
/// timerInterval(settings.timeStep) counted from now (the ticks keep to that schedule however
/// late one of them runs), the state's tick schedule on the same grid with frames at the
/// viewer's display rate, and idleSensor. Both sensors stay unscheduled: the animation starts
/// stopped. Without a time step the timer wakes every idleTimerInterval and nothing falls due
/// until a time step is set; the first one sets the grid.
void createSensors(ProgramState& state);
