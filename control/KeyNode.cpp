#include "control/KeyNode.h"

SO_NODE_SOURCE(KeyNode)

void KeyNode::initClass() {
    if (getClassTypeId() == SoType::badType()) {
        SO_NODE_INIT_CLASS(KeyNode, SoEventCallback, "EventCallback");
    }
}

KeyNode::KeyNode() {
    SO_NODE_CONSTRUCTOR(KeyNode);
}

KeyNode::~KeyNode() = default;

ProgramState* programStateOf(SoEventCallback* node) {
    if (node == nullptr || KeyNode::getClassTypeId() == SoType::badType() ||
        !node->isOfType(KeyNode::getClassTypeId())) {
        return nullptr;
    }
    return static_cast<KeyNode*>(node)->state;
}
