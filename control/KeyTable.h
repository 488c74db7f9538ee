#pragma once

#include <Inventor/events/SoKeyboardEvent.h>

#include <string>
#include <vector>

class ProgramState;
class SoEventCallback;

/// One row of the key table: the keys as the help panel names them, what they do, and for a
/// key whose work is the program's own, the key, whether Ctrl is held, and the action. Rows
/// without an action are the keys of keyboardCallback, listed for the panel; a key of that
/// callback may still have a row with an action for what the program adds to it (H also shows
/// the panel).
struct KeyBinding {
    const char* label;
    const char* text;
    SoKeyboardEvent::Key key = SoKeyboardEvent::ANY;
    bool ctrl = false;
    void (*action)(ProgramState& state) = nullptr;
};

/// Every key of the program, in the order of the help panel.
const std::vector<KeyBinding>& keyTable();

/// The program's own handler of key presses, registered on the scene's SoEventCallback node
/// ahead of keyboardCallback, with the ProgramState as `userData`: runs the action of every
/// row whose key was pressed with Ctrl held or not, as the row says. Marks nothing handled.
void programKeyCallback(void* userData, SoEventCallback* node);

/// The panel that key H shows and hides: the key table, two rows to a line where they fit,
/// and what the mouse does.
std::vector<std::string> helpPanelLines();
