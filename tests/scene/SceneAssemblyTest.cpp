#include "app/Sensors.h"
#include "mpsystem/MpSystem.h"
#include "tests/TexturePicture.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/C/tidbits.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoEventCallback.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinate2.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <cstdlib>

namespace {

using SceneAssembly = AssembledScene;

void expectNear(const SbVec3f& actual, const SbVec3f& expected, float tolerance) {
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
    }
}

TEST_F(SceneAssembly, RootHoldsCameraThenWorldThenKeyboardNode) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_NE(sceneRoot, nullptr);
    ASSERT_EQ(sceneRoot->getNumChildren(), 3);
    EXPECT_EQ(sceneRoot->getChild(0), camera);
    EXPECT_EQ(sceneRoot->getChild(1), worldSeparator);
    EXPECT_TRUE(sceneRoot->getChild(2)->isOfType(SoEventCallback::getClassTypeId()));
    EXPECT_TRUE(camera->isOfType(SoPerspectiveCamera::getClassTypeId()));
    // The application's one reference keeps the scene alive; the viewer is not counted here.
    EXPECT_EQ(sceneRoot->getRefCount(), 1);
}

TEST_F(SceneAssembly, CameraLooksFromTheGlobalViewPoint) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    expectNear(camera->position.getValue(), SbVec3f(-10, 15, 50), 0);
    EXPECT_FLOAT_EQ(camera->nearDistance.getValue(), 0.1f);
    EXPECT_FLOAT_EQ(camera->farDistance.getValue(), 50.0f);

    const SbRotation orientation = camera->orientation.getValue();
    SbVec3f viewDirection;
    orientation.multVec(SbVec3f(0, 0, -1), viewDirection);
    SbVec3f toTarget = SbVec3f(0, 0, 1) - SbVec3f(-10, 15, 50);
    toTarget.normalize();
    expectNear(viewDirection, toTarget, 1e-5f);

    // Up stays in the vertical plane through the view direction, on the side of +y.
    SbVec3f up;
    orientation.multVec(SbVec3f(0, 1, 0), up);
    EXPECT_GT(up[1], 0.0f);
    EXPECT_NEAR(up.dot(viewDirection.cross(SbVec3f(0, 1, 0))), 0.0f, 1e-5f);
    // The library's defaults stay.
    EXPECT_FLOAT_EQ(camera->focalDistance.getValue(), 5.0f);
    EXPECT_FLOAT_EQ(camera->heightAngle.getValue(), static_cast<float>(M_PI / 4));
}

TEST_F(SceneAssembly, BodySurfaceIsTheLastChildOfTheWorld) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_NE(mpSystem, nullptr);
    ASSERT_GE(worldSeparator->getNumChildren(), 1);
    SoNode* last = worldSeparator->getChild(worldSeparator->getNumChildren() - 1);
    EXPECT_EQ(last, mpSystem->surfaceRoot());
    EXPECT_TRUE(mpSystemReady);

    SoSeparator* surface = mpSystem->surfaceRoot();
    ASSERT_EQ(surface->getNumChildren(), 7);
    const SoType expected[7] = {SoShapeHints::getClassTypeId(),
                                SoMaterial::getClassTypeId(),
                                SoNormalBinding::getClassTypeId(),
                                SoTextureCoordinate2::getClassTypeId(),
                                SoTexture2::getClassTypeId(),
                                SoCoordinate3::getClassTypeId(),
                                SoIndexedTriangleStripSet::getClassTypeId()};
    for (int k = 0; k < 7; ++k) {
        EXPECT_TRUE(surface->getChild(k)->isOfType(expected[k])) << "child " << k;
    }
    EXPECT_EQ(surface->getChild(5), mpSystem->surfaceCoordinates());
    EXPECT_EQ(mpSystem->surfaceCoordinates()->point.getNum(), 8);
    SoMaterial* material = static_cast<SoMaterial*>(surface->getChild(1));
    expectNear(SbVec3f(material->diffuseColor[0].getValue()), SbVec3f(1, 1, 1), 0);
    EXPECT_EQ(material->transparency[0], 0.0f);
}

TEST_F(SceneAssembly, BodyIsBuiltWithTheSettingsInTheirOrder) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    EXPECT_EQ(mpSystem->numPoints(), 8);
    EXPECT_EQ(mpSystem->numSprings(), 18);
    EXPECT_EQ(mpSystem->damping(), 0.02f);
    EXPECT_EQ(mpSystem->stiffness(), 85.0f);
    // The mass reaches the points: those below y = 0 weigh half as much again.
    EXPECT_EQ(mpSystem->masses()[0], 1.875f);
    EXPECT_EQ(mpSystem->masses()[2], 1.25f);
}

TEST_F(SceneAssembly, BodyIsGivenTheSceneCamera) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    mpSystem->setHeadcam(true);
    mpSystem->updateScene();
    // The headcam rides above point 0, at (-1, -1, -1).
    expectNear(camera->position.getValue(), SbVec3f(-1, 4, 9), 1e-6f);
}

// The window's viewer once had a camera-type switch that put a camera of its own in the scene's
// place and let go of the old one: keyboardCallback, the headcam and the recorder then worked on
// freed memory. The program holds its camera for as long as it hands it out.
TEST_F(SceneAssembly, TheCameraOutlivesItsPlaceInTheScene) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    SoPerspectiveCamera* held = camera;
    EXPECT_EQ(held->getRefCount(), 2) << "the scene's reference and the program's";
    sceneRoot->insertChild(new SoOrthographicCamera, 0);
    sceneRoot->removeChild(held);
    const SbRotation before = held->orientation.getValue();
    pressKeyCapturing(SoKeyboardEvent::J);
    EXPECT_FALSE(held->orientation.getValue().equals(before, 1e-6f)) << "J turns it";
    pressKeyCapturing(SoKeyboardEvent::NUMBER_6);
    mpSystem->updateScene();
    expectNear(held->position.getValue(), SbVec3f(-1, 4, 9), 1e-6f);

    held->ref();
    releaseApplication();
    EXPECT_EQ(held->getRefCount(), 1) << "released with the scene: only this test holds it";
    held->unref();
}

TEST_F(SceneAssembly, TextureNameReachesTheSurface) {
    const std::string texture = PLIMMERTON_SOURCE_DIR "/data/body.tga";
    std::vector<std::string> options = runOptions();
    options.insert(options.end(), {"-tex", texture});
    ASSERT_TRUE(assemble(cubeMesh(), options));
    SoTexture2* node = static_cast<SoTexture2*>(mpSystem->surfaceRoot()->getChild(4));
    EXPECT_EQ(pictureOf(*node), libraryPicture(texture.c_str()));
    EXPECT_EQ(pictureOf(*node).size, SbVec2s(256, 256));
}

TEST_F(SceneAssembly, ViewerIsSetUpButNotShown) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_EQ(viewer, headless);
    EXPECT_TRUE(headless->feedbackVisible);
    EXPECT_EQ(headless->transparencyType, 6);
    EXPECT_EQ(headless->sceneGraph, sceneRoot);
    EXPECT_EQ(headless->title, "Plimmerton");
    expectNear(SbVec3f(headless->backgroundColor.getValue()), SbVec3f(0, 0.2f, 0.3f), 0);
    EXPECT_FALSE(headless->shown);
}

TEST_F(SceneAssembly, FrameCounterIsSwitchedOnOverAnyEarlierValue) {
    coin_setenv("COIN_SHOW_FPS_COUNTER", "0", 1);
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_NE(coin_getenv("COIN_SHOW_FPS_COUNTER"), nullptr);
    EXPECT_STREQ(coin_getenv("COIN_SHOW_FPS_COUNTER"), "1");
    EXPECT_STREQ(std::getenv("COIN_SHOW_FPS_COUNTER"), "1");
}

TEST_F(SceneAssembly, AnimationStartsStopped) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_NE(timerSensor, nullptr);
    ASSERT_NE(idleSensor, nullptr);
    EXPECT_FALSE(timerSensor->isScheduled());
    EXPECT_FALSE(idleSensor->isScheduled());
}

TEST_F(SceneAssembly, TicksComeEveryThirdOfAStep) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    EXPECT_EQ(timerSensor->getInterval().getValue(), static_cast<double>(0.012f) / 3.0);
}

TEST_F(SceneAssembly, WithoutATimeStepTheTicksHaveNoGridAndTheTimerSleeps) {
    ASSERT_TRUE(assemble(cubeMesh(), {"-d", "0.02", "-m", "1", "-s", "85"}));
    EXPECT_EQ(settings.timeStep, 0.0f);
    EXPECT_EQ(state.ticks.tickInterval(), 0.0);
    EXPECT_EQ(timerSensor->getInterval().getValue(), idleTimerInterval);
    EXPECT_FALSE(timerSensor->isScheduled());
}

TEST_F(SceneAssembly, MalformedMeshStopsTheAssemblyAndLeavesNothingHalfBuilt) {
    EXPECT_FALSE(assemble("OFF\n4 1 0\n0 0 0\n1 0 0\n"));
    ASSERT_NE(mpSystem, nullptr);
    EXPECT_FALSE(mpSystem->isLoaded());
    EXPECT_NE(readerOutput.find(mpSystem->loadError() + "\n"), std::string::npos) << readerOutput;
    EXPECT_EQ(sceneRoot, nullptr);
    EXPECT_EQ(camera, nullptr);
    EXPECT_EQ(worldSeparator, nullptr);
    EXPECT_EQ(timerSensor, nullptr);
    EXPECT_EQ(headless->sceneGraph, nullptr);
}

TEST(SceneAssemblyDeath, UnknownKeywordEndsTheProgramWithStatusOne) {
    const std::string path =
        ::testing::TempDir() + "plimmerton_coff_" + std::to_string(getpid()) + ".off";
    std::ofstream(path) << "COFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    settings.meshFileName = path.c_str();
    EXPECT_EXIT(
        {
            openMeshStream();
            ProgramState state;
            assembleScene(new HeadlessViewer, state);
        },
        ::testing::ExitedWithCode(1), "No OFF- or TRIANGULATION-File !");
    std::remove(path.c_str());
    settings = SimulationSettings{};
}

} // namespace
