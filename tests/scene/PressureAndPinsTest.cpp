// The gas and the pins in the assembled scene: from the command line, the body file, the panel
// and the mouse, through the status, the marker, N and Reset.

#include "control/ModelOpening.h"
#include "control/MouseGrab.h"
#include "control/Simulation.h"
#include "control/StatusReport.h"
#include "control/TuningPanel.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/SbViewVolume.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoPointSet.h>

#include <algorithm>
#include <cstring>

namespace {

using PressureAndPins = AssembledScene;

SbVec2s pixelOf(const SbVec3f& point) {
    SbViewportRegion used;
    const SbViewVolume volume = camera->SoCamera::getViewVolume(viewer->getViewportRegion(), used);
    SbVec3f screen;
    volume.projectToScreen(point, screen);
    const SbVec2s size = used.getViewportSizePixels();
    return SbVec2s(static_cast<short>(screen[0] * size[0]),
                   static_cast<short>(screen[1] * size[1]));
}

bool statusHas(const ProgramState& state, const std::string& text) {
    const std::vector<std::string> lines = statusLines(currentStatus(state));
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

/// The points the surface's marker shows: its coordinates, none without a marker.
int markedPoints() {
    SoSeparator* surface = mpSystem->surfaceRoot();
    if (surface->getNumChildren() < 8) {
        return 0;
    }
    SoSeparator* marker = static_cast<SoSeparator*>(surface->getChild(7));
    for (int k = 0; k < marker->getNumChildren(); ++k) {
        if (marker->getChild(k)->isOfType(SoCoordinate3::getClassTypeId())) {
            return static_cast<SoCoordinate3*>(marker->getChild(k))->point.getNum();
        }
    }
    return 0;
}

/// The cube without one of its faces' triangles: a surface with a hole.
std::string openCube() {
    std::string text = cubeMesh();
    text.replace(text.find("8 12 18"), 7, "8 11 18");
    text.erase(text.rfind("3 1 6 5\n"));
    return text;
}

// Near the cube's corner point 6 (1, 1, 1), on its face towards the camera.
const SbVec3f nearCorner6(0.85f, 0.85f, 1);

} // namespace

TEST_F(PressureAndPins, CommandLineValuesReachTheBodyTheStatusAndTheMarkerAndLastThroughN) {
    std::vector<std::string> options = runOptions();
    options.insert(options.end(), {"-pressure", "20", "-pin", "3,0"});
    ASSERT_TRUE(assemble(cubeMesh(), options)) << readerOutput;
    EXPECT_EQ(mpSystem->pressure(), 20.0f);
    EXPECT_EQ(mpSystem->pinnedPoints(), (std::vector<int32_t>{0, 3}));
    EXPECT_TRUE(statusHas(state, "pressure 20  2 points pinned"));
    EXPECT_EQ(markedPoints(), 2) << "shown before the animation starts";
    const SbVec3f pinned[] = {mpSystem->pointPosition(0), mpSystem->pointPosition(3)};
    const double volume = mpSystem->volume();
    for (int tick = 0; tick < 200; ++tick) {
        tickSimulation(state);
    }
    EXPECT_EQ(std::memcmp(&mpSystem->positions()[0], &pinned[0], sizeof(SbVec3f)), 0);
    EXPECT_EQ(std::memcmp(&mpSystem->positions()[3], &pinned[1], sizeof(SbVec3f)), 0);
    EXPECT_GT(mpSystem->volume(), volume) << "the gas swells the cube";

    state.tuning.setValue(Tunable::pressure, 5.0f);
    mpSystem->setPinned(3, false);
    pressKey(SoKeyboardEvent::N);
    EXPECT_EQ(mpSystem->pressure(), 20.0f) << "N reads the body with the command line's";
    EXPECT_EQ(mpSystem->pinnedPoints().size(), 2u);
    state.tuning.setValue(Tunable::pressure, 0.0f);
    EXPECT_TRUE(statusHas(state, "2 points pinned"));
    state.tuning.reset();
    EXPECT_EQ(state.tuning.value(Tunable::pressure), 20.0f);
}

TEST_F(PressureAndPins, TheFilesPressureCountsUnlessTheCommandLineSaysOtherwise) {
    std::string inflated = cubeMesh();
    inflated.insert(inflated.find('\n') + 1, "# pressure 7\n");
    ASSERT_TRUE(assemble(inflated, runOptions()));
    EXPECT_EQ(mpSystem->pressure(), 7.0f);
    releaseApplication();
    std::vector<std::string> options = runOptions();
    options.insert(options.end(), {"-pressure", "0"});
    ASSERT_TRUE(assemble(inflated, options));
    EXPECT_EQ(mpSystem->pressure(), 0.0f);
    EXPECT_FALSE(statusHas(state, "no pressure: open surface"));
}

TEST_F(PressureAndPins, AnOpenSurfaceIsRefusedWithAWordOverTheViewInTheStatusAndOnStandardError) {
    std::vector<std::string> options = runOptions();
    options.insert(options.end(), {"-pressure", "20"});
    ASSERT_TRUE(assemble(openCube(), options));
    EXPECT_EQ(mpSystem->pressure(), 0.0f);
    const std::string word = "no pressure: the surface has 3 edges on one triangle only (holes); "
                             "only a closed surface holds a gas";
    EXPECT_NE(readerOutput.find("body.off: " + word), std::string::npos) << readerOutput;
    EXPECT_NE(state.notice.text.find(word), std::string::npos) << state.notice.text;
    EXPECT_TRUE(statusHas(state, "no pressure: open surface"));
    releaseApplication();
    // A model prepared at start is named as the user named it, not by its body in the cache.
    state.bodyName = "models/cow.obj";
    ASSERT_TRUE(assemble(openCube(), options));
    EXPECT_EQ(state.notice.text, "models/cow.obj: " + word);

    testing::internal::CaptureStderr();
    state.tuning.setValue(Tunable::pressure, 30.0f);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(state.tuning.value(Tunable::pressure), 0.0f);
    EXPECT_EQ(state.tuning.takeRefusal(), word);
    EXPECT_EQ(state.tuning.takeRefusal(), "") << "said once";
}

TEST_F(PressureAndPins, PinListsThatAreNoneOrReachBeyondTheBodyEndTheStart) {
    std::vector<std::string> options = runOptions();
    options.insert(options.end(), {"-pin", "0,x"});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(assemble(cubeMesh(), options));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "-pin: 'x' is not a point index\n");
    options.back() = "2,8";
    EXPECT_FALSE(assemble(cubeMesh(), options));
    EXPECT_NE(readerOutput.find("-pin: point 8 is not one of the body's 8 points\n"),
              std::string::npos)
        << readerOutput;
}

TEST_F(PressureAndPins, CtrlShiftClickPinsThePatchUnderTheCursorAndAgainLetsItGo) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_EQ(mpSystem->surfaceRoot()->getNumChildren(), 7) << "no marker without pins";
    ASSERT_TRUE(pinBodyAt(state.bodies, pixelOf(nearCorner6)));
    // Corner 6 and its neighbours on the surface: the corners of its five triangles.
    EXPECT_EQ(mpSystem->pinnedPoints(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(markedPoints(), 7);
    const SbVec3f corner = mpSystem->pointPosition(6);
    for (int tick = 0; tick < 50; ++tick) {
        tickSimulation(state);
    }
    EXPECT_EQ(mpSystem->pointPosition(6), corner);
    EXPECT_NE(mpSystem->pointPosition(0), SbVec3f(-1, -1, -1)) << "the free corner falls";

    // Picked again beside the first point, the click lets go of the whole pinned patch.
    ASSERT_TRUE(pinBodyAt(state.bodies, pixelOf(SbVec3f(0.2f, 0.7f, 1))));
    EXPECT_TRUE(mpSystem->pinnedPoints().empty());
    EXPECT_EQ(markedPoints(), 0);
    mpSystem->setPinned(0, true);
    mpSystem->setPinned(2, true);
    EXPECT_EQ(pinnedPatch(*mpSystem, 0), (std::vector<int32_t>{0, 2})) << "neighbours, joined";
    mpSystem->setPinned(2, false);
    mpSystem->setPinned(6, true);
    EXPECT_EQ(pinnedPatch(*mpSystem, 0), std::vector<int32_t>{0}) << "not neighbours: apart";
    EXPECT_TRUE(pinnedPatch(*mpSystem, 3).empty());
    EXPECT_FALSE(pinBodyAt(state.bodies, SbVec2s(2, 2)))
        << "beside the body the click zooms the view";
}

TEST_F(PressureAndPins, TheBalloonMaterialInflatesTheBodyByTheRuleOfThumb) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const auto balloon = std::find_if(materialPresets().begin(), materialPresets().end(),
                                      [](const MaterialPreset& m) { return m.inflated; });
    ASSERT_NE(balloon, materialPresets().end());
    state.tuning.applyPreset(*balloon);
    EXPECT_EQ(state.tuning.value(Tunable::mass), balloon->mass);
    // Three times the weight over the area: 8 points, half of them heavier, on 24 units.
    const double weight = 9.81 * balloon->mass * (4 + 4 * 1.5);
    EXPECT_NEAR(state.tuning.value(Tunable::pressure), 3 * weight / 24, 1e-3);
    state.tuning.applyPreset(materialPresets().front());
    EXPECT_NEAR(state.tuning.value(Tunable::pressure), 3 * weight / 24, 1e-3)
        << "other materials leave the gas";
}
