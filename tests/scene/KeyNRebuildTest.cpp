#include "app/Sensors.h"
#include "balls/BallSet.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using KeyN = AssembledScene;

SoNode* lastWorldChild() {
    return worldSeparator->getChild(worldSeparator->getNumChildren() - 1);
}

// Counts the lines of `text` that start with `prefix`.
int linesStartingWith(const std::string& text, const std::string& prefix) {
    int lines = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text.compare(at, prefix.size(), prefix) == 0) {
            ++lines;
        }
        const std::size_t end = text.find('\n', at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

void rewriteMesh(const std::string& text) {
    std::ofstream(settings.meshFileName) << text;
}

std::string missingFileMessage() {
    return std::string("File `") + settings.meshFileName + "' does not exist!\n";
}

std::vector<SoNode*> worldChildren() {
    std::vector<SoNode*> children;
    for (int i = 0; i < worldSeparator->getNumChildren(); ++i) {
        children.push_back(worldSeparator->getChild(i));
    }
    return children;
}

// The keys that act on the body, and a tick and an idle call of the running animation, must
// neither print nor reach a body that is gone.
void exerciseBodyKeysAndSensors() {
    for (SoKeyboardEvent::Key key :
         {SoKeyboardEvent::NUMBER_6, SoKeyboardEvent::LEFT_ARROW, SoKeyboardEvent::RIGHT_ARROW,
          SoKeyboardEvent::UP_ARROW, SoKeyboardEvent::DOWN_ARROW, SoKeyboardEvent::END,
          SoKeyboardEvent::NUMBER_1, SoKeyboardEvent::NUMBER_3}) {
        const KeyOutput output = pressKeyCapturing(key);
        EXPECT_EQ(output.out, "") << "key code " << key;
        EXPECT_EQ(output.err, "") << "key code " << key;
    }
    // Balls go on flying and colliding without a body.
    const int balls = ballSet.size();
    pressKey(SoKeyboardEvent::SPACE);
    EXPECT_EQ(ballSet.size(), balls + 1);
    const SbVec3f launched = ballSet.at(balls).position();
    timerCallback(nullptr, timerSensor);
    EXPECT_NE(ballSet.at(balls).position(), launched);
    pressKey(SoKeyboardEvent::T);
    idleCallback(nullptr, idleSensor);
}

void expectNoBody(int worldChildrenWithoutBody) {
    EXPECT_EQ(mpSystem, nullptr);
    EXPECT_FALSE(mpSystemReady);
    EXPECT_TRUE(collisionWorld.bodies().empty());
    EXPECT_EQ(worldSeparator->getNumChildren(), worldChildrenWithoutBody);
}

void expectBodyInPlace(int worldChildren) {
    ASSERT_NE(mpSystem, nullptr);
    EXPECT_TRUE(mpSystemReady);
    EXPECT_EQ(worldSeparator->getNumChildren(), worldChildren);
    EXPECT_EQ(lastWorldChild(), mpSystem->surfaceRoot());
    ASSERT_EQ(collisionWorld.bodies().size(), 1u);
    EXPECT_EQ(collisionWorld.bodies()[0], mpSystem);
}

TEST_F(KeyN, RebuildsFromTheFileWithTheCommandLineValues) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int children = worldSeparator->getNumChildren();
    const SbVec3f start = mpSystem->pointPosition(6);
    pressKey(SoKeyboardEvent::P);
    ::testing::internal::CaptureStdout();
    pressKey(SoKeyboardEvent::NUMBER_1);
    pressKey(SoKeyboardEvent::NUMBER_3);
    ::testing::internal::GetCapturedStdout();
    for (int tick = 0; tick < 5; ++tick) {
        timerCallback(nullptr, timerSensor);
    }
    ASSERT_NE(mpSystem->pointPosition(6), start);

    for (int press = 0; press < 2; ++press) {
        const KeyOutput output = pressKeyCapturing(SoKeyboardEvent::N);
        EXPECT_EQ(output.out, "");
        // The new reading starts below the line that the last one left open.
        EXPECT_EQ(output.err.rfind("\nReading points...\n(8 points)   [-", 0), 0u) << output.err;
        expectBodyInPlace(children);
        EXPECT_EQ(mpSystem->stiffness(), 85.0f);
        EXPECT_EQ(mpSystem->damping(), 0.02f);
        EXPECT_EQ(mpSystem->pointPosition(6), start);
        EXPECT_FALSE(mpSystem->isHeadcam());
    }
    EXPECT_TRUE(timerSensor->isScheduled()) << "the animation keeps running";
    EXPECT_EQ(settings.timeStep, 0.012f);
}

TEST_F(KeyN, NewBodyStartsWithTheHeadcamOffAndLeavesTheCameraWhereItIs) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressKey(SoKeyboardEvent::NUMBER_6);
    idleCallback(nullptr, idleSensor);
    const SbVec3f riding = camera->position.getValue();
    pressKeyCapturing(SoKeyboardEvent::N);
    EXPECT_FALSE(mpSystem->isHeadcam());
    EXPECT_EQ(camera->position.getValue(), riding);
    // The new body moves the same scene camera.
    pressKey(SoKeyboardEvent::NUMBER_6);
    pressKey(SoKeyboardEvent::NUMBER_6);
    EXPECT_EQ(camera->position.getValue(), SbVec3f(-10, 15, 50));
}

TEST_F(KeyN, MissingFileLeavesNoBodyUntilTheFileIsBack) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int children = worldSeparator->getNumChildren();
    std::vector<SoNode*> arena = worldChildren();
    arena.pop_back();
    pressKey(SoKeyboardEvent::P);
    std::remove(settings.meshFileName);

    for (int press = 0; press < 2; ++press) {
        const KeyOutput output = pressKeyCapturing(SoKeyboardEvent::N);
        // The first message ends the line that the reader's "Start rendering scene..." left open.
        EXPECT_EQ(output.err, (press == 0 ? "\n" : "") + missingFileMessage());
        EXPECT_EQ(output.out, "");
        expectNoBody(children - 1);
        EXPECT_EQ(worldChildren(), arena) << "only the body's surface has left the world";
        exerciseBodyKeysAndSensors();
    }
    // Keys that do not need the body go on working.
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::NUMBER_2).out, "timeStep: 0.0151\n");

    rewriteMesh(cubeMesh());
    const KeyOutput output = pressKeyCapturing(SoKeyboardEvent::N);
    EXPECT_EQ(linesStartingWith(output.err, "A total number of edges: 18"), 1) << output.err;
    expectBodyInPlace(children);
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::NUMBER_1).out, "stiffness: 120\n");
}

TEST_F(KeyN, MalformedFileLeavesNoBodyAndTheProgramRunning) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const int children = worldSeparator->getNumChildren();
    pressKey(SoKeyboardEvent::P);
    rewriteMesh("OFF\n8 6 12\n0 0 0\n1 0 0\n1 1");

    const KeyOutput output = pressKeyCapturing(SoKeyboardEvent::N);
    EXPECT_EQ(linesStartingWith(output.err, "Malformed mesh file: "), 1) << output.err;
    EXPECT_EQ(output.err.substr(output.err.size() - 1), "\n");
    EXPECT_EQ(output.out, "");
    expectNoBody(children - 1);
    exerciseBodyKeysAndSensors();

    rewriteMesh(cubeMesh());
    pressKeyCapturing(SoKeyboardEvent::N);
    expectBodyInPlace(children);
}

TEST_F(KeyN, WrongKeywordEndsTheProgramWithStatusOne) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    rewriteMesh("COFF\n8 6 12\n");
    EXPECT_EXIT(pressKey(SoKeyboardEvent::N), ::testing::ExitedWithCode(1),
                "No OFF- or TRIANGULATION-File !\n");
}

} // namespace
