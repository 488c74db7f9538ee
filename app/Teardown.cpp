#include "app/Teardown.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "control/Cannon.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

// The world separator belongs to the scene, the camera to the scene and the program; once they
// are released, pointers to them must not survive.
static void releaseScene() {
    delete viewer;
    viewer = nullptr;
    if (sceneRoot) {
        sceneRoot->unref();
    }
    sceneRoot = nullptr;
    if (camera) {
        camera->unref();
    }
    camera = nullptr;
    worldSeparator = nullptr;
}

void tearDown() {
    if (timerSensor && timerSensor->isScheduled()) {
        timerSensor->unschedule();
    }
    releaseScene();
}

void releaseApplication() {
    delete timerSensor;
    timerSensor = nullptr;
    delete idleSensor;
    idleSensor = nullptr;

    collisionWorld = CollisionWorld{};
    ballSet.clear();
    ballLightSet.clear();
    delete mpSystem;
    mpSystem = nullptr;
    mpSystemReady = true;
    delete cannon;
    cannon = nullptr;

    releaseScene();
    delete meshStream;
    meshStream = nullptr;
    settings = SimulationSettings{};
}
