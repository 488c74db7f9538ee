#pragma once

#include <Inventor/nodes/SoEventCallback.h>

class ProgramState;

/// The scene's node for the keys: an SoEventCallback that also carries the program's state.
/// keyboardCallback is registered on it with the camera as its user data, as it always was, and
/// reaches through the node it is called with what the program keeps beyond the globals: the
/// selected body that the keys act on, and the program's own keys. Nothing global is added.
class KeyNode : public SoEventCallback {
    SO_NODE_HEADER(KeyNode);

public:
    static void initClass();
    KeyNode();

    /// What the keys work on; null for a node made without one (its keys then act on the first
    /// body, and the program's own keys do nothing).
    ProgramState* state = nullptr;

protected:
    ~KeyNode() override;
};

/// The state that `node` carries: null unless it is a KeyNode that has one.
ProgramState* programStateOf(SoEventCallback* node);
