#pragma once

class SoCamera;

/// Puts the camera at the global view, the pose it starts in: at (-10, 15, 50), looking toward
/// (0, 0, 1) with y up, near distance 0.1, far distance 50. Switching the headcam off returns it
/// there too.
void placeAtGlobalView(SoCamera& camera);
