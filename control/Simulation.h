#pragma once

class ProgramState;

/// One tick of the world by settings.timeStep: the bodies in the collision world (every body
/// of the scene in place; the first only while it is ready), the balls and the contacts,
/// through runTick, as the timer's callback runs it.
void runWorldTick();

/// One whole tick of the program: the scripted keys due, the mouse's pull on the held part of
/// a body, then runWorldTick; the step counts into the state's simulated time and ticks,
/// the watch over the body stops the animation when it blew up (watchTick) or else takes the
/// snapshot due, and a recording draws the video frames the tick ends. The running
/// animation's timer runs it, and so does key O.
void tickSimulation(ProgramState& state);

/// Copies the simulated state into the scene: every body's surface and headcam (the first's
/// while it is ready), the balls and their lights. The viewer redraws what changed.
void showSimulation();
