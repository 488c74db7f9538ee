#include "control/MouseGrab.h"
#include "control/BodyGrab.h"
#include "control/Simulation.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/SbPlane.h>
#include <Inventor/SbViewVolume.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using MouseGrab = AssembledScene;

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

void ticks(ProgramState& state, int count, MpSystem* twin = nullptr) {
    for (int tick = 0; tick < count; ++tick) {
        tickSimulation(state);
        if (twin != nullptr) {
            twin->step(settings.timeStep);
        }
    }
}

// Near the cube's corner point 6 (1, 1, 1), on its face towards the camera.
const SbVec3f nearCorner6(0.85f, 0.85f, 1);

// The target moves in the upright plane facing the camera: up the screen is straight up.
TEST_F(MouseGrab, TheHeldPointIsPulledTowardTheCursorInTheUprightPlaneFacingTheCamera) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    std::unique_ptr<MpSystem> twin = twinBody();
    const SbVec2s pixel = pixelOf(nearCorner6);
    ASSERT_TRUE(grabBodyAt(state.grab, state.bodies, pixel));
    ASSERT_EQ(state.grab.point(), 6);
    const SbVec3f grabbed = mpSystem->pointPosition(6);
    SbVec3f viewDirection;
    camera->orientation.getValue().multVec(SbVec3f(0, 0, -1), viewDirection);
    SbVec3f level(viewDirection[0], 0, viewDirection[2]);
    level.normalize();

    dragBodyTo(state.grab, SbVec2s(pixel[0], pixel[1] + 80));
    const SbVec3f lifted = state.grab.target() - grabbed;
    EXPECT_NEAR(lifted.dot(level), 0, 1e-3);
    EXPECT_GT(lifted[1], 1) << "up on the screen";
    EXPECT_LT(std::hypot(lifted[0], lifted[2]), 0.2f * lifted[1]) << "straight up";

    dragBodyTo(state.grab, SbVec2s(pixel[0] + 80, pixel[1]));
    const SbVec3f target = state.grab.target();
    EXPECT_NEAR((target - grabbed).dot(level), 0, 1e-3);
    EXPECT_GT(target[0] - grabbed[0], 1) << "to the right on the screen";

    ticks(state, 30, twin.get());
    const float pulled = (mpSystem->pointPosition(6) - target).length();
    const float free = (twin->pointPosition(6) - target).length();
    EXPECT_LT(pulled, free - 0.5f);
}

TEST_F(MouseGrab, ReleaseAndANewBodyLetGo) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    std::unique_ptr<MpSystem> twin = twinBody();
    const SbVec2s pixel = pixelOf(nearCorner6);
    ASSERT_TRUE(grabBodyAt(state.grab, state.bodies, pixel));
    dragBodyTo(state.grab, SbVec2s(pixel[0] + 80, pixel[1]));
    releaseBody(state.grab);
    ticks(state, 10, twin.get());
    EXPECT_EQ(mpSystem->pointPosition(6), twin->pointPosition(6)) << "nothing pulls any more";

    ASSERT_TRUE(grabBodyAt(state.grab, state.bodies,
                           pixelOf(mpSystem->pointPosition(6) + SbVec3f(-0.15f, -0.15f, 0))));
    pressKeyCapturing(SoKeyboardEvent::N);
    EXPECT_FALSE(state.grab.holdsAny());
    dragBodyTo(state.grab, pixel);
    EXPECT_FALSE(state.grab.holdsAny());
    std::unique_ptr<MpSystem> fresh = twinBody();
    ticks(state, 10, fresh.get());
    EXPECT_EQ(mpSystem->pointPosition(6), fresh->pointPosition(6));
}

TEST_F(MouseGrab, NothingIsHeldBesideTheBody) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    EXPECT_FALSE(grabBodyAt(state.grab, state.bodies, SbVec2s(3, 470)));
    EXPECT_FALSE(state.grab.holdsAny());
}

TEST_F(MouseGrab, OStepsOnceWhileStoppedAndShowsIt) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    std::unique_ptr<MpSystem> twin = twinBody();
    pressKey(SoKeyboardEvent::O);
    twin->step(0.012f);
    EXPECT_EQ(mpSystem->pointPosition(6), twin->pointPosition(6));
    const SoMFVec3f& drawn = mpSystem->surfaceCoordinates()->point;
    EXPECT_EQ(drawn[6], mpSystem->pointPosition(6)) << "and the scene shows the tick";
    EXPECT_FLOAT_EQ(state.simulatedTime, 0.012f);

    pressKey(SoKeyboardEvent::P);
    const SbVec3f running = mpSystem->pointPosition(6);
    pressKey(SoKeyboardEvent::O);
    EXPECT_EQ(mpSystem->pointPosition(6), running) << "the running animation has its own ticks";
}

} // namespace

namespace {

std::string bundledBall() {
    std::ifstream file(std::string(PLIMMERTON_SOURCE_DIR) + "/data/ball.toff");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

SbVec3f centreOf(const MpSystem& body) {
    SbVec3f centre(0, 0, 0);
    for (int i = 0; i < body.numPoints(); ++i) {
        centre += body.positions()[i];
    }
    return centre / static_cast<float>(body.numPoints());
}

// The highest point, where a user lifting the body would take hold of it.
int topPoint(const MpSystem& body) {
    int top = 0;
    for (int i = 1; i < body.numPoints(); ++i) {
        if (body.positions()[i][1] > body.positions()[top][1]) {
            top = i;
        }
    }
    return top;
}

void holdTop(ProgramState& state, const SbVec3f& lift) {
    const int top = topPoint(*mpSystem);
    const SbVec3f at = mpSystem->pointPosition(top);
    state.grab.grab(*mpSystem, top, at, SbPlane(SbVec3f(0, 0, 1), at));
    state.grab.moveTarget(at + lift);
}

TEST_F(MouseGrab, ThePatchSpreadsThePullOverThePointsAroundThePickedOne) {
    ASSERT_TRUE(assemble(bundledBall(), {"-d", "0.04", "-m", "0.3", "-s", "85", "-t", "0.012"}));
    holdTop(state, SbVec3f(0, 0, 0));
    const std::vector<int32_t>& patch = state.grab.patch();
    ASSERT_GE(patch.size(), 20u) << "enough springs to carry the body";
    EXPECT_LT(patch.size(), static_cast<size_t>(mpSystem->numPoints()) / 4);
    const SbVec3f picked = mpSystem->pointPosition(state.grab.point());
    for (int32_t i : patch) {
        EXPECT_LE((mpSystem->pointPosition(i) - picked).length(), 0.5f * 4.0f + 0.1f);
    }
    EXPECT_FLOAT_EQ(state.grab.centreTarget()[1], state.grab.patchCentre(*mpSystem)[1])
        << "held where it is, the patch is not pulled at all";
}

// Dragged up by about 150 pixels of the start-up view, the ball comes up with the cursor within
// a second of the window's time (250 ticks), and once let go falls and rests as the free one.
TEST_F(MouseGrab, TheBodyCanBeLiftedCarriedAndLetGo) {
    ASSERT_TRUE(assemble(bundledBall(), {"-d", "0.04", "-m", "0.3", "-s", "85", "-t", "0.012"}));
    ticks(state, 1200);
    const float resting = centreOf(*mpSystem)[1];
    const float lift = 16;
    holdTop(state, SbVec3f(0, lift, 0));
    ticks(state, 250);
    EXPECT_GT(centreOf(*mpSystem)[1] - resting, 0.4f * lift);

    holdTop(state, SbVec3f(6, 0, 0));
    const float before = centreOf(*mpSystem)[0];
    ticks(state, 250);
    EXPECT_GT(centreOf(*mpSystem)[0] - before, 3) << "carried sideways";

    releaseBody(state.grab);
    ticks(state, 2500);
    EXPECT_NEAR(centreOf(*mpSystem)[1], resting, 0.2f) << "rests as before";
}

// At every key level and however far the cursor goes, the pull stays within its cap and
// the body finite.
class GrabLimits : public AssembledScene, public ::testing::WithParamInterface<const char*> {};

TEST_P(GrabLimits, ThePullIsCappedAndTheBodyStaysFinite) {
    ASSERT_TRUE(
        assemble(bundledBall(), {"-d", "0.02", "-m", "0.3", "-s", "120", "-t", GetParam()}));
    holdTop(state, SbVec3f(1e6f, 1e6f, 0));
    float weight = 0;
    for (int i = 0; i < mpSystem->numPoints(); ++i) {
        weight += mpSystem->masses()[i] * 9.81f;
    }
    EXPECT_NEAR(state.grab.maxForce(), BodyGrab::liftWeights * weight, 1e-3f * weight);
    for (int tick = 0; tick < 500; ++tick) {
        EXPECT_LE(state.grab.force(*mpSystem, settings.timeStep).length(),
                  state.grab.maxForce() * 1.0001f);
        tickSimulation(state);
    }
    for (int i = 0; i < mpSystem->numPoints(); ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            ASSERT_TRUE(std::isfinite(mpSystem->positions()[i][axis])) << "point " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TimeSteps, GrabLimits, ::testing::Values("0.012", "0.0151", "0.0182"));

} // namespace
