#include "CoinEnvironment.h"
#include "TexturePicture.h"
#include "tests/mpsystem/LoadMesh.h"

#include "mpsystem/surface/SurfaceStripSet.h"

#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinate2.h>

namespace {

/// A body with its surface built and held, and a camera to ride on.
class Surface : public testing::Test {
protected:
    void build(const std::string& text, const char* texture = "") {
        mesh_ = loadMesh(text);
        camera_ = new SoPerspectiveCamera;
        camera_->ref();
        mesh_.body->setCamera(camera_);
        root_ = mesh_.body->buildSurface(1, 1, 1, 0, texture);
        root_->ref();
    }
    void TearDown() override {
        if (root_ != nullptr) {
            root_->unref();
        }
        if (camera_ != nullptr) {
            camera_->unref();
        }
    }

    template <typename Node> Node* child(int i) {
        EXPECT_TRUE(root_->getChild(i)->isOfType(Node::getClassTypeId())) << i;
        return static_cast<Node*>(root_->getChild(i));
    }

    SbVec3f viewDirection() const {
        SbVec3f d;
        camera_->orientation.getValue().multVec(SbVec3f(0, 0, -1), d);
        return d;
    }

    LoadedMesh mesh_;
    SoPerspectiveCamera* camera_ = nullptr;
    SoSeparator* root_ = nullptr;
};

void expectSameDirection(const SbVec3f& actual, SbVec3f expected) {
    expected.normalize();
    EXPECT_NEAR(actual[0], expected[0], 1e-5f);
    EXPECT_NEAR(actual[1], expected[1], 1e-5f);
    EXPECT_NEAR(actual[2], expected[2], 1e-5f);
}

} // namespace

TEST_F(Surface, HoldsItsSevenNodesInOrder) {
    build(twoTriangles());
    ASSERT_EQ(root_->getNumChildren(), 7);
    EXPECT_EQ(root_->getChild(0)->getTypeId(), SoShapeHints::getClassTypeId());
    EXPECT_EQ(root_->getChild(1)->getTypeId(), SoMaterial::getClassTypeId());
    EXPECT_EQ(root_->getChild(2)->getTypeId(), SoNormalBinding::getClassTypeId());
    EXPECT_EQ(root_->getChild(3)->getTypeId(), SoTextureCoordinate2::getClassTypeId());
    EXPECT_EQ(root_->getChild(4)->getTypeId(), SoTexture2::getClassTypeId());
    EXPECT_EQ(root_->getChild(5)->getTypeId(), SoCoordinate3::getClassTypeId());
    // The body's own strip set: the library's node, drawn faster (SurfaceStripSetTest.cpp).
    EXPECT_TRUE(root_->getChild(6)->isOfType(SoIndexedTriangleStripSet::getClassTypeId()));
    EXPECT_EQ(root_->getChild(6)->getTypeId(), SurfaceStripSet::getClassTypeId());
    EXPECT_EQ(mesh_.body->surfaceRoot(), root_);
    EXPECT_EQ(mesh_.body->surfaceCoordinates(), root_->getChild(5));
}

TEST_F(Surface, FieldsCarryTheBodyAndTheArguments) {
    const char* bodyTexture = PLIMMERTON_SOURCE_DIR "/data/body.tga";
    build(twoTriangles(), bodyTexture);
    SoShapeHints* hints = child<SoShapeHints>(0);
    EXPECT_EQ(hints->vertexOrdering.getValue(), 2);
    EXPECT_EQ(hints->creaseAngle.getValue(), 1.0f);
    EXPECT_TRUE(hints->shapeType.isDefault());

    SoMaterial* material = child<SoMaterial>(1);
    ASSERT_EQ(material->diffuseColor.getNum(), 1);
    EXPECT_EQ(material->diffuseColor[0], SbColor(1, 1, 1));
    ASSERT_EQ(material->transparency.getNum(), 1);
    EXPECT_EQ(material->transparency[0], 0.0f);

    EXPECT_EQ(child<SoNormalBinding>(2)->value.getValue(), 7);

    SoTextureCoordinate2* texCoords = child<SoTextureCoordinate2>(3);
    ASSERT_EQ(texCoords->point.getNum(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(texCoords->point[i], mesh_.body->texCoords()[i]);
    }

    // The picture the library's own loader made of the file, decoded by ours: the file name
    // stays empty, so the library never reads the file itself.
    SoTexture2* texture = child<SoTexture2>(4);
    EXPECT_EQ(texture->filename.getValue(), SbString(""));
    EXPECT_EQ(pictureOf(*texture).size, SbVec2s(256, 256));
    EXPECT_EQ(pictureOf(*texture), libraryPicture(bodyTexture));
    EXPECT_EQ(texture->model.getValue(), 0x2100);

    SoCoordinate3* coordinates = child<SoCoordinate3>(5);
    ASSERT_EQ(coordinates->point.getNum(), 4);
    EXPECT_EQ(coordinates->point[3], SbVec3f(1, 1, 0));

    SoIndexedTriangleStripSet* strips = child<SoIndexedTriangleStripSet>(6);
    const int expected[] = {0, 1, 2, -1, 2, 1, 3, -1};
    ASSERT_EQ(strips->coordIndex.getNum(), 8);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(strips->coordIndex[k], expected[k]);
    }
    EXPECT_EQ(strips->textureCoordIndex.getNum(), 1) << "the library's default of one -1";
    EXPECT_EQ(strips->textureCoordIndex[0], -1);
}

TEST_F(Surface, ColourAndTransparencyComeFromTheArguments) {
    mesh_ = loadMesh(twoTriangles());
    root_ = mesh_.body->buildSurface(0.25f, 0.5f, 0.75f, 0.3f, "");
    root_->ref();
    SoMaterial* material = child<SoMaterial>(1);
    EXPECT_EQ(material->diffuseColor[0], SbColor(0.25f, 0.5f, 0.75f));
    EXPECT_EQ(material->transparency[0], 0.3f);
    EXPECT_EQ(child<SoTexture2>(4)->filename.getValue(), SbString(""));
}

TEST(SurfaceTexture, WithoutAUsableFileTheSurfaceIsUntextured) {
    // No file named: silent. A file that gives no picture: one line, each time a surface is
    // built (key N builds one again); the first ends the reader's last line before it.
    const std::string missing = std::string(PLIMMERTON_BINARY_DIR) + "/no-such-texture.png";
    LoadedMesh mesh = loadMesh(twoTriangles());
    std::string lineEnd = "\n";
    for (const std::string& name : {std::string(), missing, missing}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        SoSeparator* root = mesh.body->buildSurface(1, 1, 1, 0, name.c_str());
        root->ref();
        const std::string said = testing::internal::GetCapturedStderr();
        SoTexture2* texture = static_cast<SoTexture2*>(root->getChild(4));
        EXPECT_EQ(pictureOf(*texture), TexturePicture());
        EXPECT_EQ(texture->model.getValue(), 0x2100);
        EXPECT_EQ(said, name.empty() ? std::string()
                                     : lineEnd + "Cannot use the texture file `" + missing +
                                           "': No such file or directory\n");
        lineEnd = name.empty() ? lineEnd : std::string();
        root->unref();
    }
}

TEST_F(Surface, QuadrilateralBodyHasAnEmptyIndexList) {
    build(quadCube());
    EXPECT_EQ(child<SoIndexedTriangleStripSet>(6)->coordIndex.getNum(), 0);
    EXPECT_EQ(child<SoCoordinate3>(5)->point.getNum(), 8);
}

TEST_F(Surface, EmptyBodyHasEmptyFields) {
    build("OFF 0 0 0\n");
    EXPECT_EQ(child<SoTextureCoordinate2>(3)->point.getNum(), 0);
    EXPECT_EQ(child<SoCoordinate3>(5)->point.getNum(), 0);
    EXPECT_EQ(child<SoIndexedTriangleStripSet>(6)->coordIndex.getNum(), 0);
    mesh_.body->setHeadcam(true);
    mesh_.body->updateScene();
    EXPECT_EQ(child<SoCoordinate3>(5)->point.getNum(), 0);
}

TEST_F(Surface, UpdateSceneCopiesThePositionsOfTheLastStep) {
    build(twoTriangles());
    mesh_.body->step(0.01f);
    mesh_.body->step(0.01f);
    SoCoordinate3* coordinates = child<SoCoordinate3>(5);
    EXPECT_EQ(coordinates->point[0], SbVec3f(0, 0, 0)) << "not before the idle call";
    mesh_.body->updateScene();
    ASSERT_EQ(coordinates->point.getNum(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(coordinates->point[i], mesh_.body->pointPosition(i));
    }
    EXPECT_LT(coordinates->point[0][1], 0.0f);
}

TEST_F(Surface, HeadcamRidesAboveAndBehindPointZero) {
    build("OFF 3 1 0\n1 2 3\n2 2 3\n1 3 3\n3 0 1 2\n");
    const SbVec3f before = camera_->position.getValue();
    mesh_.body->setHeadcam(true);
    EXPECT_TRUE(mesh_.body->isHeadcam());
    EXPECT_EQ(camera_->position.getValue(), before) << "nothing moves until the idle call";
    mesh_.body->updateScene();
    EXPECT_EQ(camera_->position.getValue(), SbVec3f(1, 7, 13));
    expectSameDirection(viewDirection(), SbVec3f(0, -5, -10));

    // It follows point 0 on every idle call.
    mesh_.body->step(0.1f);
    mesh_.body->updateScene();
    const SbVec3f p0 = mesh_.body->pointPosition(0);
    EXPECT_EQ(camera_->position.getValue(), p0 + SbVec3f(0, 5, 10));
}

TEST_F(Surface, SwitchingTheHeadcamOffRestoresTheGlobalView) {
    build(twoTriangles());
    camera_->position.setValue(3, 3, 3);
    camera_->nearDistance = 2.0f;
    camera_->farDistance = 7.0f;
    mesh_.body->setHeadcam(false);
    EXPECT_FALSE(mesh_.body->isHeadcam());
    EXPECT_EQ(camera_->position.getValue(), SbVec3f(-10, 15, 50));
    expectSameDirection(viewDirection(), SbVec3f(10, -15, -49));
    SbVec3f up;
    camera_->orientation.getValue().multVec(SbVec3f(0, 1, 0), up);
    SbVec3f right;
    camera_->orientation.getValue().multVec(SbVec3f(1, 0, 0), right);
    EXPECT_NEAR(right[1], 0.0f, 1e-6f) << "upright, no roll";
    EXPECT_GT(up[1], 0.0f);
    EXPECT_EQ(camera_->nearDistance.getValue(), 0.1f);
    EXPECT_EQ(camera_->farDistance.getValue(), 50.0f);

    // Off again after a ride: the camera stops following.
    mesh_.body->setHeadcam(true);
    mesh_.body->updateScene();
    mesh_.body->setHeadcam(false);
    mesh_.body->step(0.1f);
    mesh_.body->updateScene();
    EXPECT_EQ(camera_->position.getValue(), SbVec3f(-10, 15, 50));
}
