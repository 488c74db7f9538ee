#include "control/KeyboardControl.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "appstate/Help.h"
#include "balls/BallShots.h"
#include "control/BodyRebuild.h"
#include "control/CameraControl.h"
#include "control/Cannon.h"
#include "control/KeyActions.h"
#include "control/KeyNode.h"
#include "control/KeyTable.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/SbTime.h>
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

// The body the keys act on: the selected one, or the first where the key node carries no
// state; null while it is not in place (its rebuild failed), when those keys do nothing.
MpSystem* keyBody(const KeyPress& press) {
    if (press.state != nullptr) {
        return press.state->bodies.selectedBody();
    }
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
void pushBody(const KeyPress& press, const SbVec3f& cameraForce, int point) {
    MpSystem* body = keyBody(press);
    if (body == nullptr || !animationRuns()) {
        return;
    }
    SbVec3f worldForce;
    press.orientation.multVec(cameraForce, worldForce);
    body->addExternalForce(point, worldForce);
}

} // namespace

// The panel of keys comes and goes with the printed page.
void showHelp(KeyPress& press) {
    printHelp();
    if (press.state != nullptr) {
        press.state->helpPanelShown = !press.state->helpPanelShown;
    }
}

// The ticks that fell due while the animation stood still are not owed: it goes on from now.
void startOrStop(KeyPress& press) {
    if (press.state != nullptr && !animationRuns()) {
        press.state->ticks.restart(SbTime::getTimeOfDay().getValue());
    }
    toggle(timerSensor);
    toggle(idleSensor);
    press.node->setHandled();
}

void orbitLeft(KeyPress& press) {
    orbitCamera(press.camera, 'Y', orbitStep);
}

void orbitRight(KeyPress& press) {
    orbitCamera(press.camera, 'Y', -orbitStep);
}

void orbitUp(KeyPress& press) {
    orbitCamera(press.camera, 'X', orbitStep);
}

void orbitDown(KeyPress& press) {
    orbitCamera(press.camera, 'X', -orbitStep);
}

void pushLeft(KeyPress& press) {
    pushBody(press, SbVec3f(-arrowPush, 0, 0), 2);
}

void pushRight(KeyPress& press) {
    pushBody(press, SbVec3f(arrowPush, 0, 0), 5);
}

void pushForward(KeyPress& press) {
    pushBody(press, SbVec3f(0, 0, -arrowPush), 6);
}

void pushBackward(KeyPress& press) {
    pushBody(press, SbVec3f(0, 0, arrowPush), 1);
}

void liftBody(KeyPress& press) {
    MpSystem* body = keyBody(press);
    if (body == nullptr || !animationRuns()) {
        return;
    }
    body->addExternalForce(2, endPush);
}

void yawLeft(KeyPress&) {
    cannon->turret().yaw(SbVec3f(0, 1, 0), yawStep);
}

void yawRight(KeyPress&) {
    cannon->turret().yaw(SbVec3f(0, 1, 0), -yawStep);
}

void tiltUp(KeyPress&) {
    cannon->turret().tilt(SbVec3f(0, 0, 1), tiltStep);
}

void tiltDown(KeyPress&) {
    cannon->turret().tilt(SbVec3f(0, 0, 1), -tiltStep);
}

void removeBall(KeyPress&) {
    removeOldestBall(ballSet, ballLightSet, *worldSeparator);
}

void shoot(KeyPress&) {
    shootBall(ballSet, ballLightSet, *worldSeparator, cannon->launchPoint(),
              cannon->barrelDirection(), viewer->maxLightSources());
}

// Levels 50, 85, 120, then back to 50. Only a whole part of exactly 120 wraps, so a stiffness
// off that ring keeps growing by 35. Truncation stays in floating point: a huge stiffness has
// no integer value.
void cycleStiffness(KeyPress& press) {
    MpSystem* body = keyBody(press);
    if (body == nullptr) {
        return;
    }
    const float whole = std::trunc(body->stiffness());
    body->setStiffness(whole == 120 ? 50.0f : whole + 35);
    std::cout << "stiffness: " << body->stiffness() << std::endl;
}

// Changes only the step the ticks pass on; the tick rate stays what the start-up set. A time
// step that is not a number counts as 0, so the cycle leads back onto its levels. The thresholds
// here and in cycleDamping are the decimal numbers as written, compared in double precision: a
// step of exactly 0.017 as given on the command line lies above 0.017, as its float does.
void cycleTimeStep(KeyPress&) {
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

void cycleDamping(KeyPress& press) {
    MpSystem* body = keyBody(press);
    if (body == nullptr) {
        return;
    }
    const float damping = body->damping();
    body->setDamping(damping > 0.05 ? 0.02f : damping + 0.02f);
    std::cout << "damping: " << body->damping() << std::endl;
}

void switchHeadlight(KeyPress&) {
    viewer->setHeadlight(!viewer->isHeadlight());
}

// Shaded, wireframe, overlay, shaded again; any other style starts the ring over. The view is
// drawn the same way while it is being moved.
void cycleDrawStyle(KeyPress&) {
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

// One body at a time rides the camera: switched on for the selected body, it is off for the
// others.
void switchHeadcam(KeyPress& press) {
    MpSystem* body = keyBody(press);
    if (body == nullptr) {
        return;
    }
    const bool on = !body->isHeadcam();
    if (on && press.state != nullptr) {
        const SceneBodies& bodies = press.state->bodies;
        for (int k = 0; k < bodies.count(); ++k) {
            MpSystem* other = bodies.body(k);
            if (other != nullptr && other != body && other->isHeadcam()) {
                other->setHeadcam(false);
            }
        }
    }
    body->setHeadcam(on);
}

// The mouse lets go before the held body is destroyed, and the snapshots make room for the new
// bodies. A first body whose file is gone ends the press here, as it always did.
void rebuildBodies(KeyPress& press) {
    if (press.state == nullptr) {
        BodySource source;
        source.material = BodyMaterial{settings.stiffness, settings.damping, settings.mass};
        press.stop = !rebuildBody(press.camera, source);
        return;
    }
    ProgramState& state = *press.state;
    state.grab.release();
    press.stop = !state.bodies.rebuild(press.camera);
    prepareRewind(state);
}

// A model being read is given up and its thread joined first: the process ends at once.
void quit(KeyPress& press) {
    if (press.state != nullptr) {
        press.state->opening.loader.cancel();
    }
    std::cout << "exiting..." << std::endl;
    std::exit(0);
}

void keyboardCallback(void* userData, SoEventCallback* node) {
    SoPerspectiveCamera* sceneCamera = static_cast<SoPerspectiveCamera*>(userData);
    KeyPress press{programStateOf(node), sceneCamera, sceneCamera->orientation.getValue(), node};
    const SoEvent* event = node->getEvent();
    for (const KeyBinding& binding : keyTable()) {
        if (binding.action != nullptr && pressesKey(binding, event)) {
            binding.action(press);
            if (press.stop) {
                return;
            }
        }
    }
}
