#pragma once

#include <Inventor/SbRotation.h>
#include <Inventor/events/SoKeyboardEvent.h>

#include <string>
#include <vector>

class ProgramState;
class SoEventCallback;
class SoPerspectiveCamera;

/// What a key's action works on.
struct KeyPress {
    /// What the program keeps beyond its globals: the bodies and the selected one among them,
    /// the panels, the opening of models. Null for a key node without it (KeyNode.h): the keys
    /// of the body then act on the first body, and the program's own keys do nothing.
    ProgramState* state;
    /// The scene's camera, keyboardCallback's user data.
    SoPerspectiveCamera* camera;
    /// The camera's orientation as the key was pressed: the arrows push in its frame.
    SbRotation orientation;
    SoEventCallback* node;
    /// Set by an action after which the press goes no further (a rebuild that found no file).
    bool stop = false;
};

/// Which modifier keys a row's key is taken with.
enum class KeyHeld {
    /// With any or none: the keys the program is built around, as they always were.
    anything,
    /// Without Ctrl (with or without Shift).
    noCtrl,
    /// With Ctrl, without Shift.
    ctrl,
    /// With Ctrl and Shift.
    ctrlShift,
};

/// One row of the key table: the key as the help panel names it, what it does, the key, the
/// modifiers it is taken with and its action. A row without a label is shown by the label of
/// the row before it ("1 2 3" names the rows of 1, 2 and 3).
struct KeyBinding {
    const char* label;
    const char* text;
    SoKeyboardEvent::Key key = SoKeyboardEvent::ANY;
    KeyHeld held = KeyHeld::noCtrl;
    void (*action)(KeyPress& press) = nullptr;
};

/// Every key of the program, in the order of the help panel: the 25 keys the program is built
/// around, with their effects and messages as they always were (and what the program adds to
/// them: H also shows the panel, N lets go of the body and makes the snapshots' room), and the
/// program's own keys. keyboardCallback runs them (KeyboardControl.h).
const std::vector<KeyBinding>& keyTable();

/// Whether `event` presses the row's key with the modifiers it is taken with.
bool pressesKey(const KeyBinding& binding, const SoEvent* event);

/// The panel that key H shows and hides: the key table, two rows to a line where they fit,
/// and what the mouse does.
std::vector<std::string> helpPanelLines();
