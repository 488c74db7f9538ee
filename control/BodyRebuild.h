#pragma once

class SoCamera;

/// Replaces the body with a new one read again from settings.meshFileName, with the
/// command-line damping, mass and stiffness, its surface appended as the last child of
/// worldSeparator and registered with the collision world alone. The old body leaves the
/// collision world and the scene before it is destroyed. When the file cannot be opened or is
/// malformed, the program goes on without a body: mpSystem is null, mpSystemReady false, and a
/// later rebuild tries again. Returns whether a body is in place.
bool rebuildBody(SoCamera* camera);
