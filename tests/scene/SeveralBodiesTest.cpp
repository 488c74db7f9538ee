// Several bodies in the assembled scene: the scene object's list, selection, keys, rebuilding,
// removal, refusals and snapshots, driven as the window drives them.

#include "appstate/OnScreenText.h"
#include "bodyoutput/PositionChecksum.h"
#include "control/ModelAtStart.h"
#include "control/ModelOpening.h"
#include "control/MouseGrab.h"
#include "control/Rewind.h"
#include "control/Simulation.h"
#include "control/StatusReport.h"
#include "control/TuningPanel.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/SbTime.h>
#include <Inventor/SbViewVolume.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

std::vector<SbVec3f> positionsOf(const MpSystem& body) {
    return {body.positions(), body.positions() + body.numPoints()};
}

SbColor colourOf(const MpSystem& body) {
    for (int k = 0; k < body.surfaceRoot()->getNumChildren(); ++k) {
        SoNode* child = body.surfaceRoot()->getChild(k);
        if (child->isOfType(SoMaterial::getClassTypeId())) {
            return static_cast<SoMaterial*>(child)->diffuseColor[0];
        }
    }
    return SbColor(-1, -1, -1);
}

SbVec3f centreOfBody(const MpSystem& body) {
    SbVec3f sum(0, 0, 0);
    for (int i = 0; i < body.numPoints(); ++i) {
        sum += body.positions()[i];
    }
    return sum / static_cast<float>(body.numPoints());
}

class SeveralBodies : public AssembledScene {
protected:
    /// Assembles the cube alone, then adds a cube for each of `centres` as -add FILE -at X,Y,Z
    /// adds it.
    void assembleCubes(const std::vector<SbVec3f>& centres) {
        ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
        startChildren = worldSeparator->getNumChildren();
        std::vector<BodyAddition> additions;
        for (const SbVec3f& centre : centres) {
            additions.push_back(BodyAddition{writeFile("cube.off", cubeMesh()), true, centre});
        }
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(addBodiesAtStart(state, additions, false), 0);
        ::testing::internal::GetCapturedStderr();
        prepareRewind(state);
    }

    /// Adds one body as -add names it; the line said on standard error.
    std::string addAtStart(const BodyAddition& addition) {
        ::testing::internal::CaptureStderr();
        addBodiesAtStart(state, {addition}, false);
        return ::testing::internal::GetCapturedStderr();
    }

    MpSystem& body(int k) { return *state.bodies.body(k); }

    int startChildren = 0;
};

// The surfaces of the bodies after the first lie in a group of their own just ahead of the
// first body's, which stays the last child of the world; a scene of one body has no group.
TEST_F(SeveralBodies, TheLaterSurfacesLieInAGroupJustAheadOfTheFirstBodysSurface) {
    assembleCubes({SbVec3f(5, 0, 0), SbVec3f(-5, 2, 0)});
    ASSERT_EQ(state.bodies.count(), 3);
    ASSERT_EQ(worldSeparator->getNumChildren(), startChildren + 1);
    EXPECT_EQ(worldSeparator->getChild(startChildren), mpSystem->surfaceRoot());
    SoNode* node = worldSeparator->getChild(startChildren - 1);
    ASSERT_TRUE(node->isOfType(SoGroup::getClassTypeId()));
    const SoGroup* group = static_cast<SoGroup*>(node);
    ASSERT_EQ(group->getNumChildren(), 2);
    EXPECT_EQ(group->getChild(0), body(1).surfaceRoot());
    EXPECT_EQ(group->getChild(1), body(2).surfaceRoot());
    const std::vector<MpSystem*> inPlay = {mpSystem, &body(1), &body(2)};
    EXPECT_EQ(collisionWorld.bodies(), inPlay) << "the contacts hold them in the same order";
    EXPECT_EQ(centreOfBody(body(1)), SbVec3f(5, 0, 0)) << "-at puts the mean of its points";
    EXPECT_EQ(body(2).stiffness(), 85.0f) << "of the command line's material";

    for (int k = 0; k < 2; ++k) {
        state.bodies.select(1);
        pressKeyCapturing(SoKeyboardEvent::DELETE);
    }
    EXPECT_EQ(state.bodies.count(), 1);
    EXPECT_EQ(worldSeparator->getNumChildren(), startChildren) << "the group goes with them";
    EXPECT_EQ(worldSeparator->getChild(startChildren - 1), mpSystem->surfaceRoot());
}

// Without -at a body goes clear above those before it, its box's middle over theirs.
TEST_F(SeveralBodies, ABodyWithoutAPlaceGoesClearAboveTheOthers) {
    assembleCubes({SbVec3f(4, 0, 0)});
    const std::string said = addAtStart(BodyAddition{writeFile("cube.off", cubeMesh())});
    ASSERT_EQ(state.bodies.count(), 3) << said;
    float lowest = body(2).positions()[0][1];
    for (int i = 0; i < body(2).numPoints(); ++i) {
        lowest = std::min(lowest, body(2).positions()[i][1]);
    }
    // The cubes of side 2 reach y = 1; a quarter of its size clears them.
    EXPECT_FLOAT_EQ(lowest, 1.5f);
    const SbVec3f centre = centreOfBody(body(2));
    EXPECT_FLOAT_EQ(centre[0], 2.0f);
    EXPECT_FLOAT_EQ(centre[2], 0.0f);
}

// Keys 1 and 3, the arrows, END and 6 act on the selected body alone; the time step is the
// scene's.
TEST_F(SeveralBodies, TheBodyKeysActOnTheSelectedBody) {
    assembleCubes({SbVec3f(5, 0, 0)});
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::TAB).out,
              "body 2 of 2 selected (" + fileNameOf(state.bodies.source(1).name) + ")\n")
        << "named as the user named it, without its folder";
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::NUMBER_1).out, "stiffness: 120\n");
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::NUMBER_3).out, "damping: 0.04\n");
    EXPECT_EQ(body(1).stiffness(), 120.0f);
    EXPECT_EQ(mpSystem->stiffness(), 85.0f);
    EXPECT_EQ(mpSystem->damping(), 0.02f);

    pressKey(SoKeyboardEvent::P);
    pressKey(SoKeyboardEvent::LEFT_ARROW);
    pressKey(SoKeyboardEvent::END);
    EXPECT_NE(body(1).externalForces()[2], SbVec3f(0, 0, 0));
    EXPECT_EQ(mpSystem->externalForces()[2], SbVec3f(0, 0, 0));

    pressKey(SoKeyboardEvent::NUMBER_6);
    EXPECT_TRUE(body(1).isHeadcam());
    EXPECT_FALSE(mpSystem->isHeadcam());
    pressKeyCapturing(SoKeyboardEvent::TAB);
    pressKey(SoKeyboardEvent::NUMBER_6);
    EXPECT_TRUE(mpSystem->isHeadcam()) << "the camera rides one body at a time";
    EXPECT_FALSE(body(1).isHeadcam());
}

// Tab goes round the bodies; only among several is the selected one tinted, in its material,
// so that a scene of one body looks as it always did.
TEST_F(SeveralBodies, TabGoesRoundAndTheSelectedBodyIsTintedOnlyAmongSeveral) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::TAB).out,
              "body 1 of 1 selected (" + fileNameOf(settings.meshFileName) + ")\n");
    EXPECT_EQ(colourOf(*mpSystem), SbColor(1, 1, 1));
    addAtStart(BodyAddition{writeFile("cube.off", cubeMesh()), true, SbVec3f(5, 0, 0)});
    addAtStart(BodyAddition{writeFile("cube.off", cubeMesh()), true, SbVec3f(-5, 0, 0)});
    const SbColor tint(SceneBodies::selectionTint);
    for (int expected : {1, 2, 0, 1}) {
        pressKeyCapturing(SoKeyboardEvent::TAB);
        ASSERT_EQ(state.bodies.selected(), expected);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(colourOf(body(k)), k == expected ? tint : SbColor(1, 1, 1)) << k;
        }
    }
    const std::vector<std::string> status = statusLines(currentStatus(state));
    EXPECT_EQ(status.front(), "body 2 of 3: " + fileNameOf(state.bodies.source(1).name));
}

// N makes every body again from its file, where it was put and of the material it was made of.
TEST_F(SeveralBodies, NMakesEveryBodyAgainWhereItWasPut) {
    assembleCubes({SbVec3f(5, 0, 0), SbVec3f(-5, 3, 0)});
    const std::vector<SbVec3f> second = positionsOf(body(1));
    const std::vector<SbVec3f> third = positionsOf(body(2));
    state.bodies.select(2);
    pressKeyCapturing(SoKeyboardEvent::NUMBER_1);
    pressKey(SoKeyboardEvent::P);
    for (int tick = 0; tick < 50; ++tick) {
        tickSimulation(state);
    }
    ASSERT_NE(positionsOf(body(2)), third);
    pressKeyCapturing(SoKeyboardEvent::N);
    ASSERT_EQ(state.bodies.bodiesInPlace(), 3);
    EXPECT_EQ(positionsOf(body(1)), second);
    EXPECT_EQ(positionsOf(body(2)), third);
    EXPECT_EQ(body(2).stiffness(), 85.0f) << "the material it was made of";
    EXPECT_EQ(state.bodies.selected(), 2) << "the selection stays";
    const std::vector<MpSystem*> inPlay = {mpSystem, &body(1), &body(2)};
    EXPECT_EQ(collisionWorld.bodies(), inPlay);
    EXPECT_EQ(worldSeparator->getChild(worldSeparator->getNumChildren() - 1),
              mpSystem->surfaceRoot());
}

// Delete removes the selected body, the first too (the next takes its place as mpSystem), and
// never the last: that is refused, and said.
TEST_F(SeveralBodies, DeleteRemovesTheSelectedBodyButNeverTheLast) {
    assembleCubes({SbVec3f(5, 0, 0)});
    MpSystem* second = &body(1);
    const std::string secondFile = state.bodies.source(1).file;
    const std::string firstName = fileNameOf(state.bodies.source(0).name);
    KeyOutput output = pressKeyCapturing(SoKeyboardEvent::DELETE);
    EXPECT_EQ(output.out, "body 1 removed (" + firstName + "), 1 body left\n");
    EXPECT_EQ(mpSystem, second);
    EXPECT_TRUE(mpSystemReady);
    EXPECT_EQ(worldSeparator->getNumChildren(), startChildren);
    EXPECT_EQ(worldSeparator->getChild(startChildren - 1), second->surfaceRoot());
    EXPECT_EQ(collisionWorld.bodies(), std::vector<MpSystem*>{second});
    EXPECT_EQ(std::string(settings.meshFileName), secondFile) << "N reads its file";

    output = pressKeyCapturing(SoKeyboardEvent::DELETE);
    EXPECT_EQ(output.out, "the last body stays: a scene keeps one\n");
    EXPECT_EQ(mpSystem, second);
    EXPECT_EQ(state.notice.text, "the last body stays: a scene keeps one");

    pressKeyCapturing(SoKeyboardEvent::N);
    EXPECT_EQ(centreOfBody(*mpSystem), SbVec3f(5, 0, 0)) << "where it was put";
}

// A file that cannot be used, or a place beyond the arena's reach, is refused with one line
// that names it, and the scene stays as it was.
class RefusedAddition : public SeveralBodies,
                        public testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(RefusedAddition, LeavesTheSceneAsItWas) {
    assembleCubes({SbVec3f(5, 0, 0)});
    const auto [text, centre] = GetParam();
    BodyAddition addition{text == nullptr ? ::testing::TempDir() + "no-such-body.off"
                                          : writeFile("bad.off", text)};
    addition.placed = readCentre(centre, addition.centre);
    const int children = worldSeparator->getNumChildren();
    const std::vector<MpSystem*> before = collisionWorld.bodies();
    const std::string said = addAtStart(addition);
    EXPECT_EQ(state.bodies.count(), 2);
    EXPECT_EQ(collisionWorld.bodies(), before);
    EXPECT_EQ(worldSeparator->getNumChildren(), children);
    EXPECT_NE(said.find(addition.file), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedAddition,
    testing::Values(std::make_pair(nullptr, ""), std::make_pair("OFF\n8 1 0\n0 0 0\n", ""),
                    std::make_pair("COFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", ""),
                    std::make_pair("OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 0\n", ""),
                    std::make_pair(cubeMesh(), "0,1e6,0"), std::make_pair(cubeMesh(), "1e30,0,0")));

// Backspace puts every body back as it was and the run goes on from there bit for bit.
TEST_F(SeveralBodies, GoingBackRepeatsTheRunOfEveryBodyBitForBit) {
    // Stacked, so that they press on one another as they fall and land.
    assembleCubes({SbVec3f(0, 3, 0), SbVec3f(0.5f, 6, 0)});
    pressKey(SoKeyboardEvent::P);
    const auto runTo = [this](int64_t ticks) {
        while (state.ticksRun < ticks) {
            tickSimulation(state);
        }
        return bodiesChecksum(collisionWorld.bodies());
    };
    const uint64_t first = runTo(280);
    ASSERT_EQ(state.bodies.bodiesInPlace(), 3);
    ASSERT_FALSE(state.watch.caught);
    pressKeyCapturing(SoKeyboardEvent::BACKSPACE);
    const int64_t back = std::lround(state.simulatedTime / 0.012);
    ASSERT_LT(back, 280) << "it went back";
    state.ticksRun = back;
    EXPECT_EQ(runTo(280), first);
}

/// Follows the opening on the main loop's behalf until it is over.
void followToTheEnd(ProgramState& state) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (state.opening.loader.stage() != ModelLoader::Stage::idle &&
           std::chrono::steady_clock::now() < end) {
        followOpening(state, SbTime::getTimeOfDay().getValue());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Opened with Shift, a model joins the scene of the selected body's material, and is selected;
// opened without, it takes the selected body's place.
TEST_F(SeveralBodies, AnOpenedModelIsAddedWithShiftElseTakesTheSelectedOnesPlace) {
    assembleCubes({SbVec3f(5, 0, 0)});
    state.bodies.select(1);
    pressKeyCapturing(SoKeyboardEvent::NUMBER_1);
    ::testing::internal::CaptureStderr();
    openModel(state, writeFile("added.off", cubeMesh()), true);
    followToTheEnd(state);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(state.bodies.count(), 3) << said;
    EXPECT_EQ(state.bodies.selected(), 2);
    EXPECT_EQ(body(2).stiffness(), 120.0f) << "the selected body's material";

    state.bodies.select(1);
    MpSystem* old = &body(1);
    ::testing::internal::CaptureStderr();
    openModel(state, writeFile("replacing.off", cubeMesh()), false);
    followToTheEnd(state);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(state.bodies.count(), 3);
    EXPECT_NE(&body(1), old);
    EXPECT_EQ(centreOfBody(body(1)), SbVec3f(5, 0, 0)) << "where the old one was put";
    EXPECT_NE(state.bodies.source(1).name.find("replacing"), std::string::npos);
}

// The pixel where the viewer shows `point`.
SbVec2s pixelOf(const SbVec3f& point) {
    SbViewportRegion used;
    const SbViewVolume volume = camera->SoCamera::getViewVolume(viewer->getViewportRegion(), used);
    SbVec3f screen;
    volume.projectToScreen(point, screen);
    const SbVec2s size = used.getViewportSizePixels();
    return SbVec2s(static_cast<short>(screen[0] * size[0]),
                   static_cast<short>(screen[1] * size[1]));
}

// A click on a body selects it, one beside all bodies changes nothing; Ctrl+drag holds the
// body under the cursor, selected, and pulls it alone.
TEST_F(SeveralBodies, TheMouseSelectsAndHoldsTheBodyUnderIt) {
    assembleCubes({SbVec3f(5, 0, 0)});
    EXPECT_TRUE(selectBodyAt(state.bodies, pixelOf(SbVec3f(5, 0, 1))));
    EXPECT_EQ(state.bodies.selected(), 1);
    EXPECT_FALSE(selectBodyAt(state.bodies, SbVec2s(3, 470)));
    EXPECT_EQ(state.bodies.selected(), 1);
    EXPECT_TRUE(grabBodyAt(state.grab, state.bodies, pixelOf(SbVec3f(0, 0, 1))));
    EXPECT_EQ(state.bodies.selected(), 0);
    EXPECT_TRUE(state.grab.holds(*mpSystem));
}

// Each body has a gas and pins of its own: the panel's pressure and Ctrl+Shift+click act on
// the body they reach, -pin on the first alone; a file's pressure comes with its body and
// stays through N; going back returns every body's pressure and pins, and the run goes on
// bit for bit.
TEST_F(SeveralBodies, EachBodyKeepsItsOwnGasAndPins) {
    std::vector<std::string> options = runOptions();
    options.insert(options.end(), {"-pin", "0"});
    ASSERT_TRUE(assemble(cubeMesh(), options)) << readerOutput;
    std::string inflated = cubeMesh();
    inflated.insert(inflated.find('\n') + 1, "# pressure 7\n");
    addAtStart(BodyAddition{writeFile("inflated.off", inflated), true, SbVec3f(5, 0, 0)});
    addAtStart(BodyAddition{writeFile("cube.off", cubeMesh()), true, SbVec3f(-5, 0, 0)});
    ASSERT_EQ(state.bodies.bodiesInPlace(), 3);
    EXPECT_EQ(body(1).pressure(), 7.0f) << "the file's";
    EXPECT_EQ(body(2).pressure(), 0.0f);
    EXPECT_TRUE(body(1).pinnedPoints().empty()) << "-pin is the first body's";

    state.bodies.select(2);
    state.tuning.setValue(Tunable::pressure, 12.0f);
    EXPECT_EQ(body(2).pressure(), 12.0f);
    EXPECT_EQ(mpSystem->pressure(), 0.0f);
    // Near corner 6 of the cube at x = 5, on its face towards the camera.
    ASSERT_TRUE(pinBodyAt(state.bodies, pixelOf(SbVec3f(5.85f, 0.85f, 1))));
    EXPECT_EQ(state.bodies.selected(), 1) << "the body pinned is selected";
    EXPECT_EQ(body(1).pinnedPoints(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(mpSystem->pinnedPoints(), std::vector<int32_t>{0});
    EXPECT_TRUE(body(2).pinnedPoints().empty());
    prepareRewind(state);

    pressKey(SoKeyboardEvent::P);
    const auto runTo = [this](int64_t ticks) {
        while (state.ticksRun < ticks) {
            tickSimulation(state);
        }
        return bodiesChecksum(collisionWorld.bodies());
    };
    const SbVec3f corner = body(1).pointPosition(6);
    const uint64_t first = runTo(250);
    EXPECT_EQ(body(1).pointPosition(6), corner) << "pinned exactly";
    body(1).setPinned(6, false);
    state.tuning.setValue(Tunable::pressure, 30.0f);
    pressKeyCapturing(SoKeyboardEvent::BACKSPACE);
    EXPECT_EQ(body(1).pressure(), 7.0f);
    EXPECT_TRUE(body(1).isPinned(6));
    EXPECT_EQ(body(2).pressure(), 12.0f);
    state.ticksRun = std::lround(state.simulatedTime / 0.012);
    ASSERT_LT(state.ticksRun, 250) << "it went back";
    EXPECT_EQ(runTo(250), first);

    pressKeyCapturing(SoKeyboardEvent::N);
    ASSERT_EQ(state.bodies.bodiesInPlace(), 3);
    EXPECT_EQ(body(1).pressure(), 7.0f) << "the pressure it was made with";
    EXPECT_EQ(body(2).pressure(), 0.0f) << "the panel's goes, as its stiffness would";
    EXPECT_EQ(mpSystem->pinnedPoints(), std::vector<int32_t>{0});
    EXPECT_TRUE(body(1).pinnedPoints().empty()) << "pins made by hand go with N";
}

// A body added whose surface cannot hold the pressure of -pressure goes on without it: one line
// names it, and the status says so while it is selected.
TEST_F(SeveralBodies, AnAddedBodyThatCannotHoldThePressureGoesOnWithout) {
    std::vector<std::string> options = runOptions();
    options.insert(options.end(), {"-pressure", "20"});
    ASSERT_TRUE(assemble(cubeMesh(), options)) << readerOutput;
    std::string open = cubeMesh();
    open.replace(open.find("8 12 18"), 7, "8 11 18");
    open.erase(open.rfind("3 1 6 5\n"));
    const std::string file = writeFile("open.off", open);
    const std::string said = addAtStart(BodyAddition{file, true, SbVec3f(5, 0, 0)});
    ASSERT_EQ(state.bodies.bodiesInPlace(), 2) << said;
    EXPECT_EQ(mpSystem->pressure(), 20.0f);
    EXPECT_EQ(body(1).pressure(), 0.0f);
    EXPECT_NE(said.find(file + ": " + body(1).pressureRefusal() + "\n"), std::string::npos) << said;
    const auto refusedInStatus = [this] {
        const std::vector<std::string> lines = statusLines(currentStatus(state));
        return std::find(lines.begin(), lines.end(), "no pressure: open surface") != lines.end();
    };
    EXPECT_FALSE(refusedInStatus());
    state.bodies.select(1);
    EXPECT_TRUE(refusedInStatus());
}

// The panel's bound is the scene's: with another body to press on, it is smaller.
TEST_F(SeveralBodies, TheStableTimeStepIsTheScenesSmallest) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const float alone = state.tuning.stableTimeStep();
    addAtStart(BodyAddition{writeFile("cube.off", cubeMesh()), true, SbVec3f(5, 0, 0)});
    EXPECT_LT(state.tuning.stableTimeStep(), alone);
}

} // namespace
