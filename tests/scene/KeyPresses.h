#pragma once

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"

#include <Inventor/actions/SoHandleEventAction.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <string>

/// Sends one keyboard event through the assembled scene graph, as the viewer does with a key
/// of the window, and returns whether some node marked it handled.
inline bool sendKey(SoKeyboardEvent::Key key, SoButtonEvent::State state) {
    SoKeyboardEvent event;
    event.setKey(key);
    event.setState(state);
    SoHandleEventAction action(viewer->getViewportRegion());
    action.setEvent(&event);
    action.apply(sceneRoot);
    return action.isHandled();
}

inline bool pressKey(SoKeyboardEvent::Key key) {
    return sendKey(key, SoButtonEvent::DOWN);
}
inline bool releaseKey(SoKeyboardEvent::Key key) {
    return sendKey(key, SoButtonEvent::UP);
}

/// What one key press writes on the two standard streams.
struct KeyOutput {
    std::string out;
    std::string err;
};

inline KeyOutput pressKeyCapturing(SoKeyboardEvent::Key key) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    pressKey(key);
    KeyOutput output;
    output.err = ::testing::internal::GetCapturedStderr();
    output.out = ::testing::internal::GetCapturedStdout();
    return output;
}

/// The 25 keys of the program, in the order the callback tests them.
inline const SoKeyboardEvent::Key allKeys[] = {
    SoKeyboardEvent::H,          SoKeyboardEvent::P,           SoKeyboardEvent::J,
    SoKeyboardEvent::L,          SoKeyboardEvent::I,           SoKeyboardEvent::K,
    SoKeyboardEvent::LEFT_ARROW, SoKeyboardEvent::RIGHT_ARROW, SoKeyboardEvent::UP_ARROW,
    SoKeyboardEvent::DOWN_ARROW, SoKeyboardEvent::END,         SoKeyboardEvent::A,
    SoKeyboardEvent::D,          SoKeyboardEvent::W,           SoKeyboardEvent::S,
    SoKeyboardEvent::T,          SoKeyboardEvent::SPACE,       SoKeyboardEvent::NUMBER_1,
    SoKeyboardEvent::NUMBER_2,   SoKeyboardEvent::NUMBER_3,    SoKeyboardEvent::NUMBER_4,
    SoKeyboardEvent::NUMBER_5,   SoKeyboardEvent::NUMBER_6,    SoKeyboardEvent::N,
    SoKeyboardEvent::Q};
