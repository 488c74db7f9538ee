#pragma once

class SoEventCallback;

/// The keyboard handler of the keys the program is built around, registered on the scene's
/// SoEventCallback node with the scene camera as `userData`. Every key press is tested against
/// its whole table in a fixed order (H, P, J, L, I, K, the arrows, END, A, D, W, S, T, SPACE,
/// 1 to 6, N, Q); releases do nothing. Only P marks its event handled. Keys that act on the
/// body are silent while no body exists (after N failed to read the mesh). What the program
/// adds to the keys, and its keys of its own, are in the key table (KeyTable.h).
void keyboardCallback(void* userData, SoEventCallback* node);
