#include "control/SceneCapture.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "balls/BallsState.h"
#include "common/ErrorLine.h"
#include "control/Cannon.h"
#include "control/ExactRotation.h"
#include "control/ModelOpening.h"
#include "control/ProgramState.h"
#include "mpsystem/MpSystem.h"
#include "scenefile/ScenePaths.h"
#include "scenefile/SceneReader.h"
#include "scenefile/SceneWriter.h"
#include "scenefile/StateFile.h"

#include <Inventor/SbTime.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoTransform.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace {

BodyDescription describeBody(const MpSystem& body, const BodySource& source) {
    BodyDescription described;
    described.file = source.file;
    described.picture = source.picture;
    described.rotation = source.turn;
    described.offset = source.offset;
    described.stiffness = body.stiffness();
    described.damping = body.damping();
    described.pointMass = body.pointMass();
    described.pressure = body.pressure();
    described.pins = body.pinnedPoints();
    return described;
}

BodyStateRecord bodyRecordOf(const MpSystem& body) {
    BodyState captured(body);
    body.captureState(captured);
    BodyStateRecord record;
    record.positions = std::move(captured.positions);
    record.velocities = std::move(captured.velocities);
    record.externalForces = std::move(captured.externalForces);
    if (body.hasSingleLengths()) {
        record.lastLengths.assign(captured.singleLastLengths.begin(),
                                  captured.singleLastLengths.end());
    } else {
        record.lastLengths = std::move(captured.doubleLastLengths);
    }
    return record;
}

} // namespace

void captureScene(const ProgramState& state, CapturedScene& captured) {
    SceneDescription& scene = captured.scene;
    SimulationStateRecord& record = captured.state;
    scene = SceneDescription{};
    record = SimulationStateRecord{};
    scene.timeStep = settings.timeStep;
    if (state.arenaSeed) {
        scene.arenaSeed = *state.arenaSeed;
    }
    const SceneBodies& bodies = state.bodies;
    for (int k = 0; k < bodies.count(); ++k) {
        const MpSystem* body = bodies.body(k);
        if (body != nullptr) {
            scene.bodies.push_back(describeBody(*body, bodies.source(k)));
            record.bodies.push_back(bodyRecordOf(*body));
        }
    }
    if (camera != nullptr) {
        CameraDescription view;
        view.position = camera->position.getValue();
        view.orientation = quaternionOf(camera->orientation.getValue());
        view.heightAngle = camera->heightAngle.getValue();
        view.focalDistance = camera->focalDistance.getValue();
        scene.camera = view;
    }
    if (cannon != nullptr) {
        CannonDescription aim;
        aim.yaw = quaternionOf(cannon->turret().yawTransform()->rotation.getValue());
        aim.tilt = quaternionOf(cannon->turret().tiltTransform()->rotation.getValue());
        scene.cannon = aim;
    }
    std::vector<BallState> balls;
    captureBalls(ballSet, balls);
    for (const BallState& ball : balls) {
        scene.balls.push_back(BallDescription{
            ball.position, ball.velocity, SbVec3f(ball.colour[0], ball.colour[1], ball.colour[2])});
        record.balls.push_back(
            BallStateRecord{ball.position, ball.velocity, ball.force,
                            SbVec3f(ball.colour[0], ball.colour[1], ball.colour[2])});
    }
    scene.keys = keyScriptText(state.keyScript.keys());
    record.ticksRun = state.ticksRun;
    record.simulatedTime = state.simulatedTime;
}

bool writeCapturedScene(const CapturedScene& captured, const std::string& path, bool withState,
                        std::string& problem) {
    const std::string statePath = stateFileName(path);
    if (withState && std::filesystem::path(statePath).lexically_normal() ==
                         std::filesystem::path(path).lexically_normal()) {
        problem = path + ": a scene of this name would be overwritten by its own state file; "
                         "name it NAME.toml";
        return false;
    }
    SceneDescription scene = captured.scene;
    scene.hasState = withState;
    // A scene that would not read back is refused before its state is written.
    SceneDescription readBack;
    if (!readSceneText(sceneText(scene, path), path, readBack, problem)) {
        problem =
            path + ": the scene cannot be written as it is, it would not read back: " + problem;
        return false;
    }
    if (withState && !writeStateFile(statePath, captured.state, problem)) {
        return false;
    }
    return writeSceneFile(path, scene, problem);
}

void beginSceneSave(ProgramState& state) {
    if (viewer == nullptr) {
        return;
    }
    state.sceneToSave = std::make_unique<CapturedScene>();
    captureScene(state, *state.sceneToSave);
    viewer->chooseSceneFile(state.opening.lastFolder);
}

void finishSceneSave(ProgramState& state, const std::string& path, bool withState) {
    if (!state.sceneToSave) {
        return;
    }
    std::string problem;
    const double now = SbTime::getTimeOfDay().getValue();
    if (!writeCapturedScene(*state.sceneToSave, path, withState, problem)) {
        showNotice(state, problem, now);
        state.sceneToSave.reset();
        return;
    }
    state.sceneToSave.reset();
    state.sceneName = path;
    state.opening.lastFolder = folderOf(path);
    const std::string said =
        "scene saved: " + path + (withState ? " with its state " + stateFileName(path) : "");
    std::cout << said << std::endl;
    showNotice(state, said, now, false);
}

void cancelSceneSave(ProgramState& state) {
    state.sceneToSave.reset();
}
