// Scene files in the assembled scene: a scene saved and opened again is the same scene and the
// same state to the bit and goes on as the first did; a scene that cannot be used is refused
// with its file, line and column and leaves the running one as it was; Ctrl+S.

#include "appstate/OnScreenText.h"
#include "balls/BallSet.h"
#include "bodyoutput/PositionChecksum.h"
#include "control/Cannon.h"
#include "control/ModelAtStart.h"
#include "control/SceneCapture.h"
#include "control/SceneOpening.h"
#include "control/Simulation.h"
#include "control/StatusReport.h"
#include "mpsystem/MpSystem.h"
#include "scenefile/ScenePaths.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoTransform.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

template <typename T> bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

template <typename T> bool sameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

/// Everything a scene file and its state hold, compared bit for bit.
void expectSameCapture(const CapturedScene& a, const CapturedScene& b) {
    const SceneDescription& x = a.scene;
    const SceneDescription& y = b.scene;
    EXPECT_TRUE(sameBits(x.timeStep, y.timeStep));
    EXPECT_EQ(x.arenaSeed, y.arenaSeed);
    EXPECT_EQ(x.keys, y.keys);
    ASSERT_EQ(x.bodies.size(), y.bodies.size());
    for (size_t k = 0; k < x.bodies.size(); ++k) {
        const BodyDescription& p = x.bodies[k];
        const BodyDescription& q = y.bodies[k];
        EXPECT_EQ(p.file, q.file) << k;
        EXPECT_EQ(p.picture, q.picture) << k;
        EXPECT_TRUE(sameBits(p.offset, q.offset) && sameBits(p.rotation, q.rotation)) << k;
        EXPECT_TRUE(sameBits(p.stiffness, q.stiffness) && sameBits(p.damping, q.damping) &&
                    sameBits(p.pointMass, q.pointMass) && sameBits(p.pressure, q.pressure))
            << k;
        EXPECT_EQ(p.pins, q.pins) << k;
    }
    ASSERT_TRUE(x.camera && y.camera);
    EXPECT_TRUE(sameBits(x.camera->position, y.camera->position) &&
                sameBits(x.camera->orientation, y.camera->orientation) &&
                sameBits(x.camera->heightAngle, y.camera->heightAngle) &&
                sameBits(x.camera->focalDistance, y.camera->focalDistance));
    ASSERT_TRUE(x.cannon && y.cannon);
    EXPECT_TRUE(sameBits(x.cannon->yaw, y.cannon->yaw) && sameBits(x.cannon->tilt, y.cannon->tilt));
    EXPECT_EQ(x.balls.size(), y.balls.size());

    const SimulationStateRecord& s = a.state;
    const SimulationStateRecord& t = b.state;
    EXPECT_EQ(s.ticksRun, t.ticksRun);
    EXPECT_TRUE(sameBits(s.simulatedTime, t.simulatedTime));
    ASSERT_EQ(s.bodies.size(), t.bodies.size());
    for (size_t k = 0; k < s.bodies.size(); ++k) {
        EXPECT_TRUE(sameBits(s.bodies[k].positions, t.bodies[k].positions)) << k;
        EXPECT_TRUE(sameBits(s.bodies[k].velocities, t.bodies[k].velocities)) << k;
        EXPECT_TRUE(sameBits(s.bodies[k].externalForces, t.bodies[k].externalForces)) << k;
        EXPECT_TRUE(sameBits(s.bodies[k].lastLengths, t.bodies[k].lastLengths)) << k;
    }
    EXPECT_TRUE(sameBits(s.balls, t.balls));
}

/// The positions of every body and the balls' motion, hashed.
uint64_t motionChecksum() {
    uint64_t hash = bodiesChecksum(collisionWorld.bodies());
    for (int k = 0; k < ballSet.size(); ++k) {
        const SbVec3f motion[] = {ballSet.at(k).position(), ballSet.at(k).velocity()};
        hash = positionChecksum(motion, 2, hash);
    }
    return hash;
}

void pressCtrlS() {
    SoKeyboardEvent event;
    event.setKey(SoKeyboardEvent::S);
    event.setState(SoButtonEvent::DOWN);
    event.setCtrlDown(TRUE);
    SoHandleEventAction action(viewer->getViewportRegion());
    action.setEvent(&event);
    action.apply(sceneRoot);
}

std::string statusText(const ProgramState& state) {
    std::string text;
    for (const std::string& line : statusLines(currentStatus(state))) {
        text += line + "\n";
    }
    return text;
}

/// A square of two triangles: a surface with an edge, which holds no gas.
const char* openSheet = "OFF\n4 2 0\n0 0 0\n1 0 0\n1 0 1\n0 0 1\n3 0 1 2\n3 0 2 3\n";

class SceneFiles : public AssembledScene {
protected:
    /// The cube of the command line with a second cube beside it, in the arena of seed 3.
    void assembleTwoCubes() {
        std::vector<std::string> options = runOptions();
        options.insert(options.end(), {"-arena", "3"});
        ASSERT_TRUE(assemble(cubeMesh(), options));
        cubeFile = settings.meshFileName;
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(addBodiesAtStart(state, {BodyAddition{cubeFile, true, SbVec3f(4, 0, 0)}}, false),
                  0);
        ::testing::internal::GetCapturedStderr();
    }

    void run(int ticks) {
        for (int k = 0; k < ticks; ++k) {
            tickSimulation(state);
        }
    }

    /// A scene made of `text`, in the folder of the cube's file, as `name`.
    std::string writeScene(const std::string& name, const std::string& text) {
        return writeFile(name, text);
    }

    std::string cubeFile;
};

// The bodies with their materials, turns, places and pins, the camera, the cannon's aim, the
// balls in flight and every point's state are saved and come back to the bit; the run then goes
// on from there exactly as the first one did.
TEST_F(SceneFiles, ASceneSavedAndOpenedAgainIsTheSameSceneAndGoesOnToTheBit) {
    assembleTwoCubes();
    state.bodies.body(1)->setStiffness(120);
    state.bodies.body(1)->setPinned(3, true);
    ASSERT_TRUE(mpSystem->setPressure(2.5f)) << "the cube is closed";
    pressKeyCapturing(SoKeyboardEvent::J);
    pressKeyCapturing(SoKeyboardEvent::A);
    pressKeyCapturing(SoKeyboardEvent::W);
    run(20);
    pressKeyCapturing(SoKeyboardEvent::SPACE);
    run(15);
    pressKeyCapturing(SoKeyboardEvent::SPACE);
    run(10);
    ASSERT_EQ(ballSet.size(), 2);

    CapturedScene saved;
    captureScene(state, saved);
    const std::string path = writeFile("moment.toml", "");
    std::string problem;
    ASSERT_TRUE(writeCapturedScene(saved, path, true, problem)) << problem;
    run(40);
    const uint64_t straight = motionChecksum();
    const int worldChildren = worldSeparator->getNumChildren();

    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(openScene(state, path, SceneOverrides{}, problem)) << problem;
    ::testing::internal::GetCapturedStdout();
    CapturedScene opened;
    captureScene(state, opened);
    expectSameCapture(saved, opened);
    EXPECT_EQ(state.bodies.count(), 2);
    EXPECT_EQ(ballSet.size(), 2);
    EXPECT_EQ(worldSeparator->getNumChildren(), worldChildren) << "the scene's nodes replaced";
    EXPECT_EQ(worldSeparator->getChild(worldChildren - 1), mpSystem->surfaceRoot());
    EXPECT_TRUE(state.bodies.body(1)->isPinned(3));
    EXPECT_EQ(state.bodies.body(1)->stiffness(), 120.0f);
    EXPECT_EQ(mpSystem->pressure(), 2.5f);
    EXPECT_NE(statusText(state).find("scene " + path.substr(path.rfind('/') + 1)),
              std::string::npos)
        << statusText(state);

    run(40);
    EXPECT_EQ(motionChecksum(), straight);
}

// Without its state a scene starts its bodies at rest where the scene puts them, turned as it
// turns them, and the arena laid out from its seed, as plimmerton-sim lays it out.
TEST_F(SceneFiles, ASceneWithoutStateTurnsAndPlacesItsBodiesAndLaysOutItsArena) {
    assembleTwoCubes();
    const std::vector<PillarCircle> arenaOfThree = collisionWorld.pillars();
    const std::string path =
        writeScene("turned.toml", "version = 1\ntime_step = 0.01\narena_seed = 9\n"
                                  "[[body]]\nfile = \"" +
                                      cubeFile +
                                      "\"\noffset = [0.0, 5.0, 0.0]\n"
                                      "rotation = { axis = [0.0, 0.0, 1.0], degrees = 90.0 }\n"
                                      "point_mass = 0.5\n");
    std::string problem;
    ASSERT_TRUE(openScene(state, path, SceneOverrides{}, problem)) << problem;
    EXPECT_EQ(state.bodies.count(), 1);
    EXPECT_EQ(settings.timeStep, 0.01f);
    EXPECT_EQ(state.arenaSeed, 9u);
    EXPECT_NE(collisionWorld.pillars().size(), 0u);
    EXPECT_NE(collisionWorld.pillars(), arenaOfThree) << "the pillars of seed 9";
    // Point 1 of the cube, (1, -1, -1), a quarter turn about z, then 5 up.
    const SbVec3f moved = mpSystem->pointPosition(1);
    EXPECT_NEAR(moved[0], 1, 1e-5f);
    EXPECT_NEAR(moved[1], 6, 1e-5f);
    EXPECT_NEAR(moved[2], -1, 1e-5f);
    EXPECT_EQ(mpSystem->pointMass(), 0.5f);
    EXPECT_EQ(state.ticksRun, 0);
}

struct BadScene {
    const char* name;
    /// The scene's text; CUBE stands for the cube's file.
    std::string text;
    /// What the message must hold; PATH stands for the scene file.
    std::string expected;
};

std::string replaced(std::string text, const std::string& what, const std::string& by) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.replace(at, what.size(), by);
        at += by.size();
    }
    return text;
}

class RefusedScene : public SceneFiles, public ::testing::WithParamInterface<BadScene> {};

// Each scene that cannot be used is refused with the file, the line and the column where there
// is one and what is wrong, and the running scene stays as it was, to the bit.
TEST_P(RefusedScene, IsRefusedWithWhereAndWhyAndTheSceneStaysAsItWas) {
    assembleTwoCubes();
    run(5);
    const std::string sheet = writeFile("sheet.off", openSheet);
    const std::string path = writeScene(
        "bad.toml", replaced(replaced(GetParam().text, "CUBE", cubeFile), "SHEET", sheet));
    CapturedScene before;
    captureScene(state, before);
    const MpSystem* first = mpSystem;
    const int children = worldSeparator->getNumChildren();

    std::string problem;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(openScene(state, path, SceneOverrides{}, problem));
    ::testing::internal::GetCapturedStderr();
    const std::string expected =
        replaced(replaced(GetParam().expected, "PATH", path), "CUBE", cubeFile);
    EXPECT_NE(problem.find(expected), std::string::npos) << problem;

    CapturedScene after;
    captureScene(state, after);
    expectSameCapture(before, after);
    EXPECT_EQ(mpSystem, first);
    EXPECT_EQ(worldSeparator->getNumChildren(), children);
    EXPECT_EQ(state.sceneName, "");
}

const std::string good = "version = 1\n[[body]]\nfile = \"CUBE\"\n";

INSTANTIATE_TEST_SUITE_P(
    Scenes, RefusedScene,
    ::testing::Values(
        BadScene{"syntax", "version = 1\n[[body]\nfile = \"CUBE\"\n",
                 "PATH:2:8: Error while parsing table header"},
        BadScene{"missingBodyFile", "version = 1\n[[body]]\nfile = \"CUBE.gone\"\n",
                 "PATH:3:8: body 1's file 'CUBE.gone' cannot be opened: No such file"},
        BadScene{"newerVersion", "version = 2\n[[body]]\nfile = \"CUBE\"\n",
                 "PATH:1:11: the scene is of version 2, newer than this program reads (1)"},
        BadScene{"unknownKey", good + "stifness = 3.0\n",
                 "unknown key 'stifness' in body 1 (did you mean 'stiffness'?)"},
        BadScene{"pinBeyondTheBody", good + "pins = [1, 8]\n",
                 "PATH:4:8: body 1's pin 8 is not one of its 8 points (0 to 7)"},
        BadScene{"pressureOnAnOpenSurface",
                 "version = 1\n[[body]]\nfile = \"SHEET\"\npressure = 3.0\n",
                 "PATH:3:8: body 1 cannot hold the pressure 3.0: no pressure"},
        BadScene{"bodyBeyondReach", good + "offset = [0.0, 100000.0, 0.0]\n",
                 "PATH:3:8: body 1 (CUBE): its centre at (0, 100000, 0) puts it beyond the "
                 "arena's reach"},
        BadScene{"keys", "version = 1\nkeys = \"5:nokey\"\n[[body]]\nfile = \"CUBE\"\n",
                 "PATH:2:8: keys: '5:nokey': no such key"},
        BadScene{"tooManyBalls",
                 good + "[[ball]]\nposition = [0.0, 0.0, 0.0]\n[[ball]]\nposition = [0.0, 0.0, "
                        "1.0]\n[[ball]]\nposition = [0.0, 0.0, 2.0]\n[[ball]]\nposition = [0.0, "
                        "0.0, 3.0]\n[[ball]]\nposition = [0.0, 0.0, 4.0]\n[[ball]]\nposition = "
                        "[0.0, 0.0, 5.0]\n[[ball]]\nposition = [0.0, 0.0, 6.0]\n",
                 "PATH: the scene has 7 balls in flight, more than the 6 the view can light"},
        BadScene{"cannonTiltedDown",
                 "version = 1\n[cannon]\ntilt = { axis = [0.0, 0.0, 1.0], degrees = 120.0 "
                 "}\n[[body]]\nfile = \"CUBE\"\n",
                 "PATH: the cannon's tilt leans the barrel outside 0 to 60 degrees"},
        BadScene{"stateMissing", "version = 1\nstate = true\n[[body]]\nfile = \"CUBE\"\n",
                 "PATH:2:9: the state file '"}),
    [](const ::testing::TestParamInfo<BadScene>& info) { return std::string(info.param.name); });

// The state beside a scene is read against the bodies and balls the scene built: one of other
// bodies, or damaged, is refused, and the running scene stays as it was.
TEST_F(SceneFiles, AStateThatDoesNotBelongOrIsDamagedIsRefused) {
    assembleTwoCubes();
    run(5);
    CapturedScene saved;
    captureScene(state, saved);
    const std::string path = writeFile("moment.toml", "");
    const std::string statePath = stateFileName(path);
    std::string problem;
    ASSERT_TRUE(writeCapturedScene(saved, path, true, problem)) << problem;
    std::ifstream in(statePath, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ifstream sceneIn(path);
    std::stringstream sceneText;
    sceneText << sceneIn.rdbuf();
    const MpSystem* first = mpSystem;

    struct Damage {
        std::string scene;
        std::string state;
        std::string expected;
    };
    std::string oneBody = sceneText.str();
    oneBody = oneBody.substr(0, oneBody.find("# Body 2"));
    std::string flipped = bytes;
    flipped[100] = static_cast<char>(flipped[100] ^ 0x10);
    const Damage damages[] = {
        {oneBody, bytes, "the state holds 2 bodies, the scene 1 body: it belongs to another scene"},
        {sceneText.str(), flipped, "checksum"},
        {sceneText.str(), bytes.substr(0, bytes.size() - 10), "truncated"},
        {sceneText.str(), "PLMSTATE", "truncated"},
        {sceneText.str(), "not a state", "not a Plimmerton state file"},
    };
    for (const Damage& damage : damages) {
        std::ofstream(path, std::ios::binary) << damage.scene;
        std::ofstream(statePath, std::ios::binary) << damage.state;
        EXPECT_FALSE(openScene(state, path, SceneOverrides{}, problem)) << damage.expected;
        EXPECT_NE(problem.find(damage.expected), std::string::npos) << problem;
        EXPECT_EQ(problem.rfind(statePath, 0), 0u) << problem;
        EXPECT_EQ(mpSystem, first);
    }
    CapturedScene after;
    captureScene(state, after);
    expectSameCapture(saved, after);
    std::remove(statePath.c_str());
}

// Ctrl+S takes the scene as the key is pressed and asks where it goes; S with Ctrl does not
// tilt the barrel. The file chosen gets the scene, without the state when asked so, and the
// status names it; a file that cannot be written is said, and nothing else changes.
TEST_F(SceneFiles, CtrlSSavesTheSceneTakenAtThePressWhereTheDialogSays) {
    assembleTwoCubes();
    const SbRotation tilt = cannon->turret().tiltTransform()->rotation.getValue();
    pressCtrlS();
    EXPECT_EQ(headless->sceneChoicesAsked, 1);
    EXPECT_TRUE(cannon->turret().tiltTransform()->rotation.getValue() == tilt);
    ASSERT_TRUE(state.sceneToSave);
    EXPECT_EQ(state.sceneToSave->state.ticksRun, 0);
    run(10);

    const std::string path = writeFile("saved.toml", "");
    ::testing::internal::CaptureStdout();
    finishSceneSave(state, path, false);
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(said, "scene saved: " + path + "\n");
    EXPECT_FALSE(state.sceneToSave);
    std::ifstream saved(path);
    std::stringstream text;
    text << saved.rdbuf();
    EXPECT_NE(text.str().find("state = false"), std::string::npos);
    EXPECT_FALSE(std::ifstream(stateFileName(path)).good());
    EXPECT_NE(statusText(state).find("_saved.toml"), std::string::npos);

    pressCtrlS();
    ::testing::internal::CaptureStderr();
    finishSceneSave(state, "/no/such/folder/moment.toml", true);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("/no/such/folder/moment."),
              std::string::npos);
    EXPECT_EQ(state.sceneName, path);

    settings.timeStep = 0;
    pressCtrlS();
    ::testing::internal::CaptureStderr();
    finishSceneSave(state, path + ".again.toml", true);
    const std::string refusal = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(refusal.find("'time_step' is 0; it must be greater than 0"), std::string::npos)
        << refusal;
    EXPECT_FALSE(std::ifstream(path + ".again.toml").good());
    EXPECT_FALSE(std::ifstream(path + ".again.state").good()) << "no state without its scene";
}

// The command line's values go over the scene's: -d, -m and -s every body's, -pressure, -pin
// and -tex the first's, -t, -arena and -keys the scene's.
TEST(SceneOverridesTest, TheOptionsGivenGoOverTheScenesValues) {
    SceneDescription scene;
    scene.bodies.resize(2);
    scene.bodies[1].pins = {4};
    scene.keys = "1:a";
    SceneOverrides overrides;
    overrides.stiffness = 50.0f;
    overrides.pointMass = 2.0f;
    overrides.firstPins = std::vector<int32_t>{1, 2};
    overrides.firstPressure = 3.0f;
    overrides.timeStep = 0.02f;
    overrides.arenaSeed = 5u;
    overrides.keys = "0:space";
    applyOverrides(overrides, scene);
    for (const BodyDescription& body : scene.bodies) {
        EXPECT_EQ(body.stiffness, 50.0f);
        EXPECT_EQ(body.pointMass, 2.0f);
        EXPECT_EQ(body.damping, BodyDescription{}.damping) << "not given, the scene's";
    }
    EXPECT_EQ(scene.bodies[0].pins, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(scene.bodies[1].pins, std::vector<int32_t>{4});
    EXPECT_EQ(scene.bodies[0].pressure, 3.0f);
    EXPECT_EQ(scene.bodies[1].pressure, 0.0f);
    EXPECT_EQ(scene.timeStep, 0.02f);
    EXPECT_EQ(scene.arenaSeed, 5u);
    EXPECT_EQ(scene.keys, "0:space");
}

} // namespace
