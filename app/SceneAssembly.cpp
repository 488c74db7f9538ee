#include "app/SceneAssembly.h"

#include "app/Sensors.h"
#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "appstate/StartUp.h"
#include "arena/ArenaFloor.h"
#include "arena/Pillars.h"
#include "common/ErrorLine.h"
#include "common/GlobalView.h"
#include "control/ArenaLayout.h"
#include "control/Cannon.h"
#include "control/KeyNode.h"
#include "control/KeyboardControl.h"
#include "control/ModelOpening.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/C/tidbits.h>
#include <Inventor/SbTime.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <ctime>

// The root is not yet held by anyone when a malformed mesh stops the assembly, and the camera
// only by the program; releasing them here leaves only owned state behind.
static void dropUnheldNodes() {
    camera->unref();
    camera = nullptr;
    sceneRoot->ref();
    sceneRoot->unref();
    sceneRoot = nullptr;
}

// The body, the floor and the live balls take part in the contacts.
static void connectCollisions() {
    collisionWorld.addBody(mpSystem);
    addArenaFloor(collisionWorld);
    collisionWorld.setBalls(&ballSet);
}

// The scene of bodies starts with the first, from the command line's file, picture and material,
// with the pressure it took (-pressure's, else its file's).
static void adoptFirstBody(ProgramState& state) {
    BodySource first;
    first.file = settings.meshFileName;
    first.name = state.bodyName;
    first.picture = settings.textureFileName;
    first.material = materialOf(*mpSystem);
    state.bodies.adoptFirst(std::move(first));
}

static void configureViewer() {
    viewer->setFeedbackVisibility(true);
    // The viewer reads the variable when it first draws, so it must be set before show.
    coin_setenv("COIN_SHOW_FPS_COUNTER", "1", 1);
    viewer->setTransparencyType(SoGLRenderAction::SORTED_OBJECT_BLEND);
    viewer->setSceneGraph(sceneRoot);
    viewer->setTitle("Plimmerton");
    viewer->setBackgroundColor(SbColor(0, 0.2f, 0.3f));
}

bool assembleScene(ExaminerViewer* examinerViewer, ProgramState& state) {
    viewer = examinerViewer;
    sceneRoot = new SoSeparator;
    camera = new SoPerspectiveCamera;
    // Held by the program as long as it hands the camera out (the keys' callback, the headcam,
    // the recorder): the viewer may take it out of the scene, as its camera-type switch does.
    camera->ref();
    mpSystem = new MpSystem(*meshStream, settings.damping, settings.mass, settings.stiffness,
                            settings.meshFileName);
    if (!mpSystem->isLoaded()) {
        dropUnheldNodes();
        return false;
    }
    // A model prepared at start has already named the body after itself.
    const BodyOptionProblems problems = applyBodyOptions(*mpSystem, state.bodyName);
    if (!problems.pins.empty()) {
        freshErrorLine() << problems.pins << std::endl;
        dropUnheldNodes();
        return false;
    }
    cannon = new Cannon;
    worldSeparator = new SoSeparator;
    sceneRoot->ref();
    placeAtGlobalView(*camera);
    // Outside the arena's left edge, low enough that shots start at (-20, -13.85, 1.5).
    cannon->moveBy(-20, cannon->turret().plateHeight() / 2 - 15, 1.5f);

    // The camera comes first so that it applies to everything in the world.
    sceneRoot->addChild(camera);
    mpSystem->setCamera(camera);
    sceneRoot->addChild(worldSeparator);
    // Laid out from the clock unless a seed was given, and the seed kept either way, so that a
    // scene saved from here shows the same arena.
    if (!state.arenaSeed) {
        state.arenaSeed = static_cast<unsigned>(std::time(nullptr));
    }
    worldSeparator->addChild(buildArenaGround(*state.arenaSeed));
    worldSeparator->addChild(cannon->root());
    layOutArena(worldSeparator, collisionWorld, *state.arenaSeed, loadPillarTexture());
    // The body's surface stays the last child: balls go in at the front, and a rebuilt
    // body replaces the last child.
    worldSeparator->addChild(mpSystem->buildSurface(1, 1, 1, 0, settings.textureFileName));
    connectCollisions();

    createSensors(state);
    if (!problems.pressure.empty()) {
        showNotice(state, problems.pressure, SbTime::getTimeOfDay().getValue());
    }
    // A model prepared at start has named the body after itself and kept the command line's
    // picture for the bodies opened later (control/ModelAtStart.h).
    if (state.bodyName.empty()) {
        state.bodyName = settings.meshFileName;
        state.commandLineTexture = settings.textureFileName;
    }
    adoptFirstBody(state);
    state.tuning.rememberCommandLine(settings.timeStep);
    state.energy.zeroHeight = arenaFloorHeight;
    // The node carries the program's state, through which keyboardCallback, with the camera as
    // its user data, reaches the selected body and the program's own keys.
    KeyNode::initClass();
    KeyNode* keyboardNode = new KeyNode;
    keyboardNode->state = &state;
    keyboardNode->addEventCallback(SoKeyboardEvent::getClassTypeId(), keyboardCallback, camera);
    sceneRoot->addChild(keyboardNode);

    configureViewer();
    prepareRewind(state);
    return true;
}
