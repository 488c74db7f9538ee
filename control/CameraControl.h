#pragma once

class SoPerspectiveCamera;

/// Turns the camera rigidly about an axis through the world origin by `angle` radians:
/// axis 'X' is the camera's own leftward axis (up x viewing direction), any other letter the
/// world's vertical. Position and orientation turn together, so the distance from the origin
/// is kept and the point looked at turns with the camera.
void orbitCamera(SoPerspectiveCamera* camera, char axis, float angle);
