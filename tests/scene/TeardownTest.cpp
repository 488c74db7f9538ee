#include "app/Sensors.h"
#include "balls/Ball.h"
#include "control/Cannon.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <memory>

namespace {

using Teardown = AssembledScene;

// Tells when the application deletes its viewer.
class WatchedViewer : public HeadlessViewer {
public:
    explicit WatchedViewer(bool& deleted) : deleted_(deleted) {}
    ~WatchedViewer() override { deleted_ = true; }

private:
    bool& deleted_;
};

TEST_F(Teardown, StopsTheTicksDeletesTheViewerAndReleasesTheScene) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    bool viewerDeleted = false;
    delete viewer;
    viewer = new WatchedViewer(viewerDeleted);
    timerSensor->schedule();
    idleSensor->schedule();
    SoSeparator* root = sceneRoot;
    root->ref();

    tearDown();
    EXPECT_FALSE(timerSensor->isScheduled());
    EXPECT_TRUE(viewerDeleted);
    EXPECT_EQ(viewer, nullptr);
    EXPECT_EQ(sceneRoot, nullptr);
    // Only the reference taken here is left: the application's own is gone.
    EXPECT_EQ(root->getRefCount(), 1);
    root->unref();
    // The body, the sensors and the mesh stream are left to the end of the process.
    EXPECT_NE(mpSystem, nullptr);
    EXPECT_NE(idleSensor, nullptr);
    EXPECT_NE(meshStream, nullptr);
}

TEST_F(Teardown, WithTheAnimationStoppedLeavesTheTimerStopped) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    tearDown();
    EXPECT_FALSE(timerSensor->isScheduled());
    EXPECT_EQ(sceneRoot, nullptr);
}

TEST_F(Teardown, ReleaseClearsEveryGlobal) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    timerSensor->schedule();
    idleSensor->schedule();
    auto ball = std::make_unique<Ball>(SbVec3f(0, 5, 0), SbVec3f(1, 0, 0), 1, 0, 0);
    SoSeparator* ballRoot = ball->root();
    ballRoot->ref();
    worldSeparator->insertChild(ballRoot, 0);
    SoPointLight* companion = new SoPointLight;
    worldSeparator->insertChild(companion, 0);
    ballSet.append(std::move(ball));
    ballLightSet.append(companion);
    collisionWorld.addPillar(PillarCircle(-15, 1, 3));
    mpSystemReady = false;
    // The start-up made the cannon, put it into the world and filled the collision world.
    ASSERT_NE(cannon, nullptr);
    SoSeparator* cannonRoot = cannon->root();
    cannonRoot->ref();

    releaseApplication();
    EXPECT_EQ(meshStream, nullptr);
    EXPECT_EQ(viewer, nullptr);
    EXPECT_EQ(sceneRoot, nullptr);
    EXPECT_EQ(camera, nullptr);
    EXPECT_EQ(worldSeparator, nullptr);
    EXPECT_EQ(mpSystem, nullptr);
    EXPECT_TRUE(mpSystemReady);
    EXPECT_EQ(cannon, nullptr);
    EXPECT_EQ(timerSensor, nullptr);
    EXPECT_EQ(idleSensor, nullptr);
    EXPECT_EQ(ballSet.size(), 0);
    EXPECT_EQ(ballLightSet.size(), 0);
    EXPECT_TRUE(collisionWorld.bodies().empty());
    EXPECT_TRUE(collisionWorld.walls().empty());
    EXPECT_TRUE(collisionWorld.pillars().empty());
    EXPECT_EQ(collisionWorld.balls(), nullptr);
    EXPECT_STREQ(settings.meshFileName, "");
    EXPECT_EQ(settings.timeStep, 0.0f);
    // The ball's and the cannon's subgraphs went with their owners and the scene: only the
    // references taken here are left.
    EXPECT_EQ(ballRoot->getRefCount(), 1);
    ballRoot->unref();
    EXPECT_EQ(cannonRoot->getRefCount(), 1);
    cannonRoot->unref();
}

TEST_F(Teardown, ReleaseAfterTeardownReleasesTheRest) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    tearDown();
    releaseApplication();
    EXPECT_EQ(mpSystem, nullptr);
    EXPECT_EQ(timerSensor, nullptr);
    EXPECT_EQ(meshStream, nullptr);
}

TEST_F(Teardown, ReleaseWithNothingAssembledDoesNothing) {
    releaseApplication();
    releaseApplication();
    EXPECT_EQ(sceneRoot, nullptr);
    EXPECT_EQ(mpSystem, nullptr);
}

TEST_F(Teardown, SceneCanBeAssembledAgainAfterRelease) {
    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(assemble(cubeMesh(), runOptions())) << "run " << run;
        ASSERT_EQ(sceneRoot->getNumChildren(), 3);
        EXPECT_EQ(worldSeparator->getChild(worldSeparator->getNumChildren() - 1),
                  mpSystem->surfaceRoot());
        EXPECT_EQ(mpSystem->positions()[6], SbVec3f(1, 1, 1));
        EXPECT_FALSE(timerSensor->isScheduled());
        timerSensor->schedule();
        idleSensor->schedule();
        timerCallback(nullptr, timerSensor);
        idleCallback(nullptr, idleSensor);
        releaseApplication();
        EXPECT_EQ(sceneRoot, nullptr);
    }
}

TEST_F(Teardown, MalformedMeshCanBeReleasedAndFollowedByAGoodOne) {
    ASSERT_FALSE(assemble("OFF\n4 1 0\n0 0 0\n"));
    releaseApplication();
    EXPECT_EQ(mpSystem, nullptr);
    EXPECT_EQ(viewer, nullptr);

    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    EXPECT_EQ(sceneRoot->getNumChildren(), 3);
}

} // namespace
