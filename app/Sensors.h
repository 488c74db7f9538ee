#pragma once

class SoSensor;

/// One physics tick: steps the body (while it is ready) and the balls by settings.timeStep,
/// drops fallen balls, then gathers the contact forces that the next tick's steps consume.
/// Fired every timeStep / 3 seconds while the animation runs.
void timerCallback(void* userData, SoSensor* sensor);

/// Copies the simulated state (body and balls) into the scene nodes, then schedules `sensor` again
/// so that it fires at every idle moment of the main loop until the animation is stopped.
void idleCallback(void* userData, SoSensor* sensor);

/// Creates timerSensor, with the interval taken from settings.timeStep, and idleSensor. Both
/// stay unscheduled: the animation starts stopped.
void createSensors();
