#include "control/MouseGrab.h"
#include "control/BodyGrab.h"
#include "control/Simulation.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/SbViewVolume.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <memory>

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

TEST_F(MouseGrab, TheHeldPointIsPulledTowardTheCursorInThePlaneFacingTheCamera) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    std::unique_ptr<MpSystem> twin = twinBody();
    const SbVec2s pixel = pixelOf(nearCorner6);
    ASSERT_TRUE(grabBodyAt(state.grab, pixel));
    ASSERT_EQ(state.grab.point(), 6);
    const SbVec3f grabbed = mpSystem->pointPosition(6);

    dragBodyTo(state.grab, SbVec2s(pixel[0] + 80, pixel[1]));
    const SbVec3f target = state.grab.target();
    SbVec3f viewDirection;
    camera->orientation.getValue().multVec(SbVec3f(0, 0, -1), viewDirection);
    EXPECT_NEAR((target - grabbed).dot(viewDirection), 0, 1e-3);
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
    ASSERT_TRUE(grabBodyAt(state.grab, pixel));
    dragBodyTo(state.grab, SbVec2s(pixel[0] + 80, pixel[1]));
    releaseBody(state.grab);
    ticks(state, 10, twin.get());
    EXPECT_EQ(mpSystem->pointPosition(6), twin->pointPosition(6)) << "nothing pulls any more";

    ASSERT_TRUE(
        grabBodyAt(state.grab, pixelOf(mpSystem->pointPosition(6) + SbVec3f(-0.15f, -0.15f, 0))));
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
    EXPECT_FALSE(grabBodyAt(state.grab, SbVec2s(3, 470)));
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
