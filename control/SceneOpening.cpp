#include "control/SceneOpening.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "appstate/StartUp.h"
#include "balls/BallShots.h"
#include "balls/BallsState.h"
#include "balls/BodyPlacement.h"
#include "common/CommandLine.h"
#include "common/GlobalView.h"
#include "common/PointList.h"
#include "control/ArenaLayout.h"
#include "control/BodyFileRead.h"
#include "control/Cannon.h"
#include "control/ExactRotation.h"
#include "control/ModelOpening.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "control/Simulation.h"
#include "mpsystem/MpSystem.h"
#include "scenefile/FloatText.h"
#include "scenefile/ScenePaths.h"
#include "scenefile/SceneReader.h"
#include "scenefile/StateFile.h"

#include <Inventor/SbTime.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>

namespace {

std::string bodyName(size_t b) {
    return "body " + std::to_string(b + 1);
}

/// Builds body b of the scene, turned and placed, of its material and pins, with where it
/// comes from in `source`; null, with `problem`, when it cannot be.
std::unique_ptr<MpSystem> makeBody(const std::string& path, size_t b,
                                   const BodyDescription& described, BodySource& source,
                                   std::string& problem) {
    const std::string where = scenePlace(path, described.filePlace) + bodyName(b);
    BodyMesh mesh;
    std::string why;
    if (!readBodyFile(described.file, described.pointMass, mesh, why)) {
        problem = where + ": " + why;
        return nullptr;
    }
    source.file = described.file;
    source.name = described.file;
    source.picture = described.picture;
    source.material = BodyMaterial{described.stiffness, described.damping, described.pointMass,
                                   described.pressure};
    source.turn = described.rotation;
    source.byOffset = true;
    source.offset = described.offset;
    source.pins = described.pins;
    auto body = std::make_unique<MpSystem>(std::move(mesh), described.damping, described.stiffness);
    if (!giveMaterial(*body, source.material)) {
        problem = where + " cannot hold the pressure " + floatText(described.pressure) + ": " +
                  body->pressureRefusal();
        return nullptr;
    }
    turnAsMade(*body, source);
    why = placeBodyBy(*body, described.offset, collisionWorld);
    if (!why.empty()) {
        problem = where + " (" + described.file + "): " + why;
        return nullptr;
    }
    // Another body opened in its place later stands where this one's centre was put.
    source.placed = true;
    source.centre = centreOf(body->positions(), body->numPoints());
    const int32_t beyond = pinAsMade(*body, source);
    if (beyond >= 0) {
        problem = scenePlace(path, described.pinsPlace) + bodyName(b) + "'s pin " +
                  std::to_string(beyond) + " is not one of its " +
                  std::to_string(body->numPoints()) + " points (0 to " +
                  std::to_string(body->numPoints() - 1) + ")";
        return nullptr;
    }
    return body;
}

/// Puts the record's state into `body`, which the record was read against.
void giveState(MpSystem& body, const BodyStateRecord& record) {
    BodyState state(body);
    body.captureState(state);
    state.positions = record.positions;
    state.velocities = record.velocities;
    state.externalForces = record.externalForces;
    if (body.hasSingleLengths()) {
        std::transform(record.lastLengths.begin(), record.lastLengths.end(),
                       state.singleLastLengths.begin(),
                       [](double length) { return static_cast<float>(length); });
    } else {
        state.doubleLastLengths = record.lastLengths;
    }
    body.restoreState(state);
}

void placeCamera(const std::optional<CameraDescription>& view) {
    if (!view) {
        const CameraDescription start;
        placeAtGlobalView(*camera);
        camera->heightAngle = start.heightAngle;
        camera->focalDistance = start.focalDistance;
        return;
    }
    camera->position = view->position;
    camera->orientation.setValue(exactRotation(view->orientation));
    camera->heightAngle = view->heightAngle;
    camera->focalDistance = view->focalDistance;
}

std::vector<BallState> ballsOf(const LoadedScene& loaded) {
    std::vector<BallState> balls;
    if (loaded.state) {
        for (const BallStateRecord& ball : loaded.state->balls) {
            balls.push_back(BallState{ball.position, ball.velocity, ball.force,
                                      SbColor(ball.colour[0], ball.colour[1], ball.colour[2])});
        }
        return balls;
    }
    for (const BallDescription& ball : loaded.scene.balls) {
        balls.push_back(BallState{ball.position, ball.velocity, SbVec3f(0, 0, 0),
                                  SbColor(ball.colour[0], ball.colour[1], ball.colour[2])});
    }
    return balls;
}

} // namespace

LoadedScene::LoadedScene() = default;
LoadedScene::~LoadedScene() = default;

void applyOverrides(const SceneOverrides& overrides, SceneDescription& scene) {
    for (BodyDescription& body : scene.bodies) {
        body.stiffness = overrides.stiffness.value_or(body.stiffness);
        body.damping = overrides.damping.value_or(body.damping);
        body.pointMass = overrides.pointMass.value_or(body.pointMass);
    }
    if (!scene.bodies.empty()) {
        BodyDescription& first = scene.bodies.front();
        first.pressure = overrides.firstPressure.value_or(first.pressure);
        if (overrides.firstPins) {
            first.pins = *overrides.firstPins;
            first.pinsPlace = SourcePlace{};
        }
        if (overrides.firstPicture) {
            first.picture = *overrides.firstPicture;
            first.picturePlace = SourcePlace{};
        }
    }
    scene.timeStep = overrides.timeStep.value_or(scene.timeStep);
    if (overrides.keys) {
        scene.keys = *overrides.keys;
        scene.keysPlace = SourcePlace{};
    }
    if (overrides.arenaSeed) {
        scene.arenaSeed = overrides.arenaSeed;
    }
}

std::string sceneArgument(int argc, char** argv) {
    const std::string named = modelArgument(argc, argv);
    return *findOption(argc, argv, "-i") == '\0' && isSceneFile(named) ? named : "";
}

bool programOverrides(int argc, char** argv, SceneOverrides& overrides, std::string& problem) {
    const auto given = [argc, argv](const char* name) {
        const char* value = findOption(argc, argv, name);
        return *value != '\0' ? value : nullptr;
    };
    const auto number = [&given](const char* name, std::optional<float>& value) {
        if (const char* text = given(name)) {
            value = static_cast<float>(std::atof(text));
        }
    };
    number("-s", overrides.stiffness);
    number("-d", overrides.damping);
    number("-m", overrides.pointMass);
    number("-t", overrides.timeStep);
    number("-pressure", overrides.firstPressure);
    if (const char* seed = given("-arena")) {
        overrides.arenaSeed = static_cast<uint32_t>(std::strtoul(seed, nullptr, 10));
    }
    if (const char* picture = given("-tex")) {
        overrides.firstPicture = picture;
    }
    if (const char* keys = given("-keys")) {
        overrides.keys = keys;
    }
    if (const char* pins = given("-pin")) {
        overrides.firstPins.emplace();
        if (!parsePointList(pins, *overrides.firstPins, problem)) {
            problem = "-pin: " + problem;
            return false;
        }
    }
    return true;
}

bool startFromScene(const std::string& path, const SceneOverrides& overrides,
                    SceneDescription& scene, std::optional<unsigned>& arenaSeed,
                    std::string& problem) {
    if (!readSceneFile(path, scene, problem)) {
        return false;
    }
    applyOverrides(overrides, scene);
    if (!checkSceneFiles(scene, path, problem)) {
        return false;
    }
    const BodyDescription& first = scene.bodies.front();
    settings.meshFileName = first.file.c_str();
    settings.textureFileName = first.picture.c_str();
    settings.stiffness = first.stiffness;
    settings.damping = first.damping;
    settings.mass = first.pointMass;
    settings.timeStep = scene.timeStep;
    settings.pressureGiven = false;
    settings.pins.clear();
    if (scene.arenaSeed) {
        arenaSeed = *scene.arenaSeed;
    }
    if (!openMeshStream()) {
        problem =
            scenePlace(path, first.filePlace) + "body 1's file '" + first.file + "' cannot be read";
        return false;
    }
    return true;
}

bool isSceneFile(const std::string& path) {
    const std::string suffix = ".toml";
    if (path.size() < suffix.size()) {
        return false;
    }
    std::string end = path.substr(path.size() - suffix.size());
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == suffix;
}

bool loadScene(const std::string& path, const SceneOverrides& overrides, unsigned ballLimit,
               LoadedScene& loaded, std::string& problem) {
    SceneDescription& scene = loaded.scene;
    if (!readSceneFile(path, scene, problem)) {
        return false;
    }
    applyOverrides(overrides, scene);
    if (!checkSceneFiles(scene, path, problem)) {
        return false;
    }
    loaded.path = path;
    if (!scene.keys.empty() && !parseKeyScript(scene.keys, loaded.keys, problem)) {
        problem = scenePlace(path, scene.keysPlace) + "keys: " + problem;
        return false;
    }
    if (scene.cannon && !CannonTurret::tiltAllowed(exactRotation(scene.cannon->tilt))) {
        problem = scenePlace(path, {}) +
                  "the cannon's tilt leans the barrel outside 0 to 60 degrees from the vertical";
        return false;
    }
    if (scene.balls.size() > ballLimit) {
        problem = scenePlace(path, {}) + "the scene has " + std::to_string(scene.balls.size()) +
                  " balls in flight, more than the " + std::to_string(ballLimit) +
                  " the view can light";
        return false;
    }
    loaded.sources.resize(scene.bodies.size());
    StateShape shape;
    shape.balls = static_cast<std::int64_t>(scene.balls.size());
    for (size_t b = 0; b < scene.bodies.size(); ++b) {
        loaded.bodies.push_back(makeBody(path, b, scene.bodies[b], loaded.sources[b], problem));
        if (!loaded.bodies.back()) {
            return false;
        }
        shape.bodies.push_back(
            BodyShape{loaded.bodies.back()->numPoints(), loaded.bodies.back()->numSprings()});
    }
    if (scene.hasState) {
        loaded.state.emplace();
        if (!readStateFile(stateFileName(path), shape, *loaded.state, problem)) {
            return false;
        }
    }
    return true;
}

void installScene(ProgramState& state, LoadedScene& loaded) {
    const SceneDescription& scene = loaded.scene;
    state.opening.loader.cancel();
    state.grab.release();
    state.bodies.replaceAll(std::move(loaded.sources), std::move(loaded.bodies), camera);
    settings.timeStep = scene.timeStep;
    // The tuning panel's Reset gives the scene's time step back, as it gives the bodies'
    // materials (their sources).
    state.tuning.rememberCommandLine(scene.timeStep);
    // A scene without a seed keeps the arena there is.
    if (scene.arenaSeed && state.arenaSeed != scene.arenaSeed) {
        layOutArenaAgain(*scene.arenaSeed);
        state.arenaSeed = *scene.arenaSeed;
    }
    placeCamera(scene.camera);
    if (scene.cannon) {
        cannon->turret().aim(exactRotation(scene.cannon->yaw), exactRotation(scene.cannon->tilt));
    } else {
        cannon->turret().aimAsAtStart();
    }
    restoreBalls(ballsOf(loaded), ballSet, ballLightSet, *worldSeparator);
    state.ticksRun = 0;
    state.simulatedTime = 0;
    if (loaded.state) {
        const std::vector<MpSystem*>& bodies = collisionWorld.bodies();
        for (size_t b = 0; b < bodies.size(); ++b) {
            giveState(*bodies[b], loaded.state->bodies[b]);
        }
        state.ticksRun = loaded.state->ticksRun;
        state.simulatedTime = loaded.state->simulatedTime;
    }
    state.keyScript = KeyScriptPlayer(std::move(loaded.keys));
    state.keyScript.skipBefore(state.ticksRun);
    state.energy.clear();
    prepareRewind(state);
    state.sceneName = loaded.path;
    showSimulation();
}

bool openScene(ProgramState& state, const std::string& path, const SceneOverrides& overrides,
               std::string& problem) {
    LoadedScene loaded;
    const unsigned limit = viewer != nullptr ? ballLimit(viewer->maxLightSources()) : 0;
    if (!loadScene(path, overrides, limit, loaded, problem)) {
        return false;
    }
    installScene(state, loaded);
    return true;
}

void openFile(ProgramState& state, const std::string& path, bool adding) {
    if (!isSceneFile(path)) {
        openModel(state, path, adding);
        return;
    }
    std::string problem;
    if (!openScene(state, path, SceneOverrides{}, problem)) {
        showNotice(state, problem, SbTime::getTimeOfDay().getValue());
        return;
    }
    state.opening.lastFolder = folderOf(path);
    std::cout << "scene opened: " << path << std::endl;
}
