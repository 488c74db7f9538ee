#pragma once

/// One whole tick of the application's world by settings.timeStep: the mouse's pull on the
/// held point, then runTick on the body (while it is ready), the balls and the contacts; the
/// step counts into simulatedTime. The running animation's timer runs it, and so does key O.
void tickSimulation();

/// Copies the simulated state into the scene: the body's surface and headcam (while the body
/// is ready), the balls and their lights. The viewer redraws what changed.
void showSimulation();
