#include "control/KeyboardControl.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "appstate/Help.h"
#include "balls/BallShots.h"
#include "control/BodyRebuild.h"
#include "control/CameraControl.h"
#include "control/Cannon.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/SbRotation.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/nodes/SoEventCallback.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <cmath>
#include <cstdlib>
#include <iostream>

namespace {

const float pi = 3.1415927f;
const float orbitStep = pi / 20;
const float yawStep = pi / 10;
const float tiltStep = pi / 20;
const float arrowPush = 30;
const SbVec3f endPush(0, 60, 0);

// The body, or null while there is none (a rebuild failed); the keys that act on the body
// then do nothing.
MpSystem* currentBody() {
    return mpSystemReady ? mpSystem : nullptr;
}

bool animationRuns() {
    return timerSensor->isScheduled();
}

// Each sensor follows its own state, so a pair that somehow got out of step stays so.
void toggle(SoSensor* sensor) {
    if (sensor->isScheduled()) {
        sensor->unschedule();
    } else {
        sensor->schedule();
    }
}

// Arrow keys push in the camera's frame, so "left" is left on the screen.
void pushBody(const SbRotation& cameraOrientation, const SbVec3f& cameraForce, int point) {
    MpSystem* body = currentBody();
    if (body == nullptr || !animationRuns()) {
        return;
    }
    SbVec3f worldForce;
    cameraOrientation.multVec(cameraForce, worldForce);
    body->addExternalForce(point, worldForce);
}

void pushBodyUp() {
    MpSystem* body = currentBody();
    if (body == nullptr || !animationRuns()) {
        return;
    }
    body->addExternalForce(2, endPush);
}

// Levels 50, 85, 120, then back to 50. Only a whole part of exactly 120 wraps, so a stiffness
// off that ring keeps growing by 35. Truncation stays in floating point: a huge stiffness has
// no integer value.
void cycleStiffness(MpSystem& body) {
    const float whole = std::trunc(body.stiffness());
    body.setStiffness(whole == 120 ? 50.0f : whole + 35);
    std::cout << "stiffness: " << body.stiffness() << std::endl;
}

// Changes only the step the ticks pass on; the tick rate stays what the start-up set. A time
// step that is not a number counts as 0, so the cycle leads back onto its levels. The thresholds
// here and in cycleDamping are the decimal numbers as written, compared in double precision: a
// step of exactly 0.017 as given on the command line lies above 0.017, as its float does.
void cycleTimeStep() {
    float& timeStep = settings.timeStep;
    if (timeStep > 0.017) {
        timeStep = 0.012f;
    } else if (std::isnan(timeStep)) {
        timeStep = 0.0031f;
    } else {
        timeStep += 0.0031f;
    }
    std::cout << "timeStep: " << timeStep << std::endl;
}

void cycleDamping(MpSystem& body) {
    const float damping = body.damping();
    body.setDamping(damping > 0.05 ? 0.02f : damping + 0.02f);
    std::cout << "damping: " << body.damping() << std::endl;
}

// Shaded, wireframe, overlay, shaded again; any other style starts the ring over. The view is
// drawn the same way while it is being moved.
void cycleDrawStyle() {
    ExaminerViewer::DrawStyle next = ExaminerViewer::VIEW_AS_IS;
    switch (viewer->getDrawStyle(ExaminerViewer::STILL)) {
    case ExaminerViewer::VIEW_AS_IS:
        next = ExaminerViewer::VIEW_LINE;
        break;
    case ExaminerViewer::VIEW_LINE:
        next = ExaminerViewer::VIEW_WIREFRAME_OVERLAY;
        break;
    default:
        break;
    }
    viewer->setDrawStyle(ExaminerViewer::STILL, next);
    viewer->setDrawStyle(ExaminerViewer::INTERACTIVE, ExaminerViewer::VIEW_SAME_AS_STILL);
}

void startOrStop() {
    toggle(timerSensor);
    toggle(idleSensor);
}

void quit() {
    std::cout << "exiting..." << std::endl;
    std::exit(0);
}

} // namespace

void keyboardCallback(void* userData, SoEventCallback* node) {
    const SoEvent* event = node->getEvent();
    SoPerspectiveCamera* sceneCamera = static_cast<SoPerspectiveCamera*>(userData);
    const SbRotation orientation = sceneCamera->orientation.getValue();
    auto pressed = [event](SoKeyboardEvent::Key key) {
        return SoKeyboardEvent::isKeyPressEvent(event, key);
    };

    if (pressed(SoKeyboardEvent::H)) {
        printHelp();
    }
    if (pressed(SoKeyboardEvent::P)) {
        startOrStop();
        node->setHandled();
    }
    if (pressed(SoKeyboardEvent::J)) {
        orbitCamera(sceneCamera, 'Y', orbitStep);
    }
    if (pressed(SoKeyboardEvent::L)) {
        orbitCamera(sceneCamera, 'Y', -orbitStep);
    }
    if (pressed(SoKeyboardEvent::I)) {
        orbitCamera(sceneCamera, 'X', orbitStep);
    }
    if (pressed(SoKeyboardEvent::K)) {
        orbitCamera(sceneCamera, 'X', -orbitStep);
    }
    if (pressed(SoKeyboardEvent::LEFT_ARROW)) {
        pushBody(orientation, SbVec3f(-arrowPush, 0, 0), 2);
    }
    if (pressed(SoKeyboardEvent::RIGHT_ARROW)) {
        pushBody(orientation, SbVec3f(arrowPush, 0, 0), 5);
    }
    if (pressed(SoKeyboardEvent::UP_ARROW)) {
        pushBody(orientation, SbVec3f(0, 0, -arrowPush), 6);
    }
    if (pressed(SoKeyboardEvent::DOWN_ARROW)) {
        pushBody(orientation, SbVec3f(0, 0, arrowPush), 1);
    }
    if (pressed(SoKeyboardEvent::END)) {
        pushBodyUp();
    }
    if (pressed(SoKeyboardEvent::A)) {
        cannon->turret().yaw(SbVec3f(0, 1, 0), yawStep);
    }
    if (pressed(SoKeyboardEvent::D)) {
        cannon->turret().yaw(SbVec3f(0, 1, 0), -yawStep);
    }
    if (pressed(SoKeyboardEvent::W)) {
        cannon->turret().tilt(SbVec3f(0, 0, 1), tiltStep);
    }
    if (pressed(SoKeyboardEvent::S)) {
        cannon->turret().tilt(SbVec3f(0, 0, 1), -tiltStep);
    }
    if (pressed(SoKeyboardEvent::T)) {
        removeOldestBall(ballSet, ballLightSet, *worldSeparator);
    }
    if (pressed(SoKeyboardEvent::SPACE)) {
        shootBall(ballSet, ballLightSet, *worldSeparator, cannon->launchPoint(),
                  cannon->barrelDirection(), viewer->maxLightSources());
    }
    if (pressed(SoKeyboardEvent::NUMBER_1) && currentBody() != nullptr) {
        cycleStiffness(*currentBody());
    }
    if (pressed(SoKeyboardEvent::NUMBER_2)) {
        cycleTimeStep();
    }
    if (pressed(SoKeyboardEvent::NUMBER_3) && currentBody() != nullptr) {
        cycleDamping(*currentBody());
    }
    if (pressed(SoKeyboardEvent::NUMBER_4)) {
        viewer->setHeadlight(!viewer->isHeadlight());
    }
    if (pressed(SoKeyboardEvent::NUMBER_5)) {
        cycleDrawStyle();
    }
    if (pressed(SoKeyboardEvent::NUMBER_6) && currentBody() != nullptr) {
        currentBody()->setHeadcam(!currentBody()->isHeadcam());
    }
    if (pressed(SoKeyboardEvent::N) && !rebuildBody(sceneCamera)) {
        return;
    }
    if (pressed(SoKeyboardEvent::Q)) {
        quit();
    }
}
