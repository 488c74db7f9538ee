#include "app/Sensors.h"
#include "appstate/Help.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <gmock/gmock.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

using KeyboardSwitches = AssembledScene;

/// The answers of `presses` presses of `key`, one line each.
std::string answers(SoKeyboardEvent::Key key, int presses) {
    std::string all;
    for (int i = 0; i < presses; ++i) {
        KeyOutput output = pressKeyCapturing(key);
        EXPECT_EQ(output.err, "");
        all += output.out;
    }
    return all;
}

std::string helpPage() {
    ::testing::internal::CaptureStdout();
    printHelp();
    return ::testing::internal::GetCapturedStdout();
}

TEST_F(KeyboardSwitches, HPrintsTheHelpPageOnStandardOutput) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const KeyOutput output = pressKeyCapturing(SoKeyboardEvent::H);
    EXPECT_EQ(output.out, helpPage());
    EXPECT_NE(output.out.find("P\tstart / stop animation\n"), std::string::npos);
    EXPECT_EQ(output.err, "");
}

TEST_F(KeyboardSwitches, PStartsAndStopsBothSensors) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_FALSE(timerSensor->isScheduled());
    ASSERT_FALSE(idleSensor->isScheduled());

    EXPECT_TRUE(pressKey(SoKeyboardEvent::P));
    EXPECT_TRUE(timerSensor->isScheduled());
    EXPECT_TRUE(idleSensor->isScheduled());

    EXPECT_TRUE(pressKey(SoKeyboardEvent::P));
    EXPECT_FALSE(timerSensor->isScheduled());
    EXPECT_FALSE(idleSensor->isScheduled());
}

TEST_F(KeyboardSwitches, PTogglesEachSensorByItsOwnState) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    timerSensor->schedule();
    pressKey(SoKeyboardEvent::P);
    EXPECT_FALSE(timerSensor->isScheduled());
    EXPECT_TRUE(idleSensor->isScheduled());
}

TEST_F(KeyboardSwitches, OnlyThePressOfPIsMarkedHandled) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    for (SoKeyboardEvent::Key key : allKeys) {
        if (key == SoKeyboardEvent::Q) {
            continue;
        }
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const bool handled = pressKey(key);
        const bool releaseHandled = releaseKey(key);
        ::testing::internal::GetCapturedStderr();
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(handled, key == SoKeyboardEvent::P) << "key code " << key;
        EXPECT_FALSE(releaseHandled) << "key code " << key;
    }
}

TEST_F(KeyboardSwitches, ReleasesChangeNothing) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressKey(SoKeyboardEvent::P);
    const SbVec3f position = camera->position.getValue();
    const SbRotation orientation = camera->orientation.getValue();
    const int children = worldSeparator->getNumChildren();
    const MpSystem* body = mpSystem;
    const SoNode* surface = mpSystem->surfaceRoot();

    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    for (SoKeyboardEvent::Key key : allKeys) {
        releaseKey(key);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

    EXPECT_TRUE(timerSensor->isScheduled());
    EXPECT_TRUE(idleSensor->isScheduled());
    EXPECT_EQ(camera->position.getValue(), position);
    EXPECT_EQ(camera->orientation.getValue(), orientation);
    EXPECT_EQ(worldSeparator->getNumChildren(), children);
    EXPECT_EQ(mpSystem, body);
    EXPECT_EQ(mpSystem->surfaceRoot(), surface);
    EXPECT_FLOAT_EQ(mpSystem->stiffness(), 85);
    EXPECT_FLOAT_EQ(mpSystem->damping(), 0.02f);
    EXPECT_FLOAT_EQ(settings.timeStep, 0.012f);
    EXPECT_FALSE(mpSystem->isHeadcam());
    EXPECT_TRUE(headless->headlight);
    EXPECT_EQ(headless->drawStyles[ExaminerViewer::STILL], ExaminerViewer::VIEW_AS_IS);
    for (int i = 0; i < mpSystem->numPoints(); ++i) {
        EXPECT_EQ(mpSystem->externalForces()[i], SbVec3f(0, 0, 0)) << "point " << i;
    }
}

TEST_F(KeyboardSwitches, StiffnessRingFrom50) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-s", "50"}));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_1, 4),
              "stiffness: 85\nstiffness: 120\nstiffness: 50\nstiffness: 85\n");
    EXPECT_EQ(mpSystem->stiffness(), 85.0f);
}

TEST_F(KeyboardSwitches, StiffnessOffTheRingGrowsWithoutEnd) {
    ASSERT_TRUE(assemble(cubeMesh()));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_1, 5),
              "stiffness: 35\nstiffness: 70\nstiffness: 105\nstiffness: 140\nstiffness: 175\n");
}

TEST_F(KeyboardSwitches, StiffnessJustAbove120WrapsAndAFractionIsDropped) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-s", "120.5"}));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_1, 1), "stiffness: 50\n");
    releaseApplication();
    ASSERT_TRUE(assemble(cubeMesh(), {"-s", "84.9"}));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_1, 2), "stiffness: 119\nstiffness: 154\n");
}

TEST_F(KeyboardSwitches, HugeStiffnessStaysANumber) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-s", "1e30"}));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_1, 1), "stiffness: 1e+30\n");
    EXPECT_EQ(mpSystem->stiffness(), 1e30f);
}

TEST_F(KeyboardSwitches, TimeStepRingFrom0012KeepsTheTickRate) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const SbTime interval = timerSensor->getInterval();
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_2, 4),
              "timeStep: 0.0151\ntimeStep: 0.0182\ntimeStep: 0.012\ntimeStep: 0.0151\n");
    EXPECT_EQ(settings.timeStep, 0.012f + 0.0031f);
    EXPECT_EQ(timerSensor->getInterval(), interval);
}

TEST_F(KeyboardSwitches, TimeStepFromZeroClimbsOntoTheRing) {
    ASSERT_TRUE(assemble(cubeMesh()));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_2, 8),
              "timeStep: 0.0031\ntimeStep: 0.0062\ntimeStep: 0.0093\ntimeStep: 0.0124\n"
              "timeStep: 0.0155\ntimeStep: 0.0186\ntimeStep: 0.012\ntimeStep: 0.0151\n");
    EXPECT_EQ(timerSensor->getInterval(), SbTime(idleTimerInterval)) << "the key sets no tick rate";
}

TEST_F(KeyboardSwitches, TimeStepThatIsNotANumberStartsTheRingOver) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-t", "nan"}));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_2, 2), "timeStep: 0.0031\ntimeStep: 0.0062\n");
}

TEST_F(KeyboardSwitches, DampingRingFromZero) {
    ASSERT_TRUE(assemble(cubeMesh()));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_3, 5),
              "damping: 0.02\ndamping: 0.04\ndamping: 0.06\ndamping: 0.02\ndamping: 0.04\n");
    EXPECT_FLOAT_EQ(mpSystem->damping(), 0.04f);
}

// The thresholds are the decimals as written: the float nearest 0.017 lies above 0.017, and
// the float nearest 0.05 above 0.05, so each starts its ring over.
TEST_F(KeyboardSwitches, TimeStepAndDampingGivenExactlyAtTheirThresholdsStartTheRingOver) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-t", "0.017", "-d", "0.05"}));
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_2, 1), "timeStep: 0.012\n");
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_3, 1), "damping: 0.02\n");
}

TEST_F(KeyboardSwitches, HeadlightTogglesFromTheViewersState) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_TRUE(headless->headlight);
    EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_4, 1), "");
    EXPECT_FALSE(headless->headlight);
    pressKey(SoKeyboardEvent::NUMBER_4);
    EXPECT_TRUE(headless->headlight);
}

TEST_F(KeyboardSwitches, DrawStyleRingAndMovingViewDrawnAsStill) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const ExaminerViewer::DrawStyle ring[] = {
        ExaminerViewer::VIEW_LINE, ExaminerViewer::VIEW_WIREFRAME_OVERLAY,
        ExaminerViewer::VIEW_AS_IS, ExaminerViewer::VIEW_LINE};
    for (ExaminerViewer::DrawStyle expected : ring) {
        headless->drawStyles[ExaminerViewer::INTERACTIVE] = ExaminerViewer::VIEW_LOW_COMPLEXITY;
        EXPECT_EQ(answers(SoKeyboardEvent::NUMBER_5, 1), "");
        EXPECT_EQ(headless->drawStyles[ExaminerViewer::STILL], expected);
        EXPECT_EQ(headless->drawStyles[ExaminerViewer::INTERACTIVE],
                  ExaminerViewer::VIEW_SAME_AS_STILL);
    }
}

TEST_F(KeyboardSwitches, DrawStyleOffTheRingReturnsToShaded) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    for (ExaminerViewer::DrawStyle other :
         {ExaminerViewer::VIEW_HIDDEN_LINE, ExaminerViewer::VIEW_POINT,
          ExaminerViewer::VIEW_BBOX}) {
        headless->drawStyles[ExaminerViewer::STILL] = other;
        pressKey(SoKeyboardEvent::NUMBER_5);
        EXPECT_EQ(headless->drawStyles[ExaminerViewer::STILL], ExaminerViewer::VIEW_AS_IS)
            << "from style " << other;
    }
}

// The process ends at once; its standard output goes to a file so the parent can read it.
TEST_F(KeyboardSwitches, QPrintsExitingAndEndsWithStatusZero) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressKey(SoKeyboardEvent::P);
    const std::string outPath = writeFile("quit.out", "");
    EXPECT_EXIT(
        {
            if (std::freopen(outPath.c_str(), "w", stdout) == nullptr) {
                std::_Exit(3);
            }
            pressKey(SoKeyboardEvent::Q);
            std::fputs("still running\n", stderr);
        },
        ::testing::ExitedWithCode(0), ::testing::Not(::testing::HasSubstr("exiting")));
    std::ifstream out(outPath);
    std::stringstream text;
    text << out.rdbuf();
    EXPECT_EQ(text.str(), "exiting...\n");
}

} // namespace
