#pragma once

/// The end of a run, once the main loop has returned: stops the physics ticks, deletes the
/// viewer and releases the scene graph. The rest lives until the process ends.
void tearDown();

/// Releases everything the application holds in its globals (sensors, balls, collision world,
/// body, cannon, viewer, scene, mesh stream) and resets them and the settings to their start
/// values, so that the scene can be assembled again in the same process. The ProgramState
/// that the scene worked for is its owner's to release, after this.
void releaseApplication();
