#pragma once

class SoEventCallback;

/// The one keyboard handler of the program, registered on the scene's SoEventCallback node with
/// the scene camera as `userData`. Every key press is tested against the whole key table in a
/// fixed order (H, P, J, L, I, K, the arrows, END, A, D, W, S, T, SPACE, 1 to 6, N, Q); releases
/// do nothing. Only P marks its event handled. Keys that act on the body are silent while no
/// body exists (after N failed to read the mesh).
void keyboardCallback(void* userData, SoEventCallback* node);
