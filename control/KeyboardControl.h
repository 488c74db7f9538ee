#pragma once

class SoEventCallback;

/// The keyboard handler of the program, registered on the scene's key node (KeyNode.h) with the
/// scene camera as `userData`. Every key press runs the actions of the rows of the key table
/// (KeyTable.h) that it presses; releases do nothing. The keys the program is built around keep
/// their effects and messages as they always were, with their tests in a fixed order (H, P, J,
/// L, I, K, the arrows, END, A, D, W, S, T, SPACE, 1 to 6, N, Q) of which one press passes one;
/// only P marks its event handled; a rebuild that finds no file ends the press. Keys that act on
/// a body act on the selected one, and are silent while it is not in place.
void keyboardCallback(void* userData, SoEventCallback* node);
