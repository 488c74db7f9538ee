#include "CoinEnvironment.h"

#include "mpsystem/surface/SurfaceStripSet.h"

#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

/// A scene of shape hints, coordinates and a strip set, the way the body's surface holds them.
class StripScene {
public:
    explicit StripScene(SoIndexedTriangleStripSet* strips) : strips_(strips) {
        root_->ref();
        hints_->vertexOrdering = SoShapeHints::COUNTERCLOCKWISE;
        hints_->creaseAngle = 1.0f;
        root_->addChild(hints_);
        root_->addChild(coordinates_);
        root_->addChild(strips_);
    }
    ~StripScene() { root_->unref(); }

    void setPoints(const std::vector<SbVec3f>& points) {
        coordinates_->point.setValues(0, static_cast<int>(points.size()), points.data());
        coordinates_->point.setNum(static_cast<int>(points.size()));
    }
    void setIndices(const std::vector<int32_t>& indices) {
        strips_->coordIndex.setValues(0, static_cast<int>(indices.size()), indices.data());
        strips_->coordIndex.setNum(static_cast<int>(indices.size()));
    }
    SbBox3f boundingBox() const {
        SoGetBoundingBoxAction action(SbViewportRegion(100, 100));
        action.apply(root_);
        return action.getBoundingBox();
    }
    /// Whether the strip set would draw the fast way in this scene, as a render would find it.
    bool drawsFast() {
        bool fast = false;
        SoCallbackAction action;
        action.addPreCallback(
            SurfaceStripSet::getClassTypeId(),
            [](void* result, SoCallbackAction* a, const SoNode* node) {
                SurfaceStripSet* strips =
                    const_cast<SurfaceStripSet*>(static_cast<const SurfaceStripSet*>(node));
                *static_cast<bool*>(result) = strips->updateNormals(a->getState());
                return SoCallbackAction::CONTINUE;
            },
            &fast);
        action.apply(root_);
        return fast;
    }
    SoSeparator* root() { return root_; }

private:
    SoSeparator* root_ = new SoSeparator;
    SoShapeHints* hints_ = new SoShapeHints;
    SoCoordinate3* coordinates_ = new SoCoordinate3;
    SoIndexedTriangleStripSet* strips_;
};

/// A new strip set of ours; its type is registered first, as the body's surface does.
SurfaceStripSet* newSurfaceStrips() {
    SurfaceStripSet::initClass();
    return new SurfaceStripSet;
}

const std::vector<SbVec3f> tetrahedron = {SbVec3f(0, 0, 0), SbVec3f(2, 0, 0), SbVec3f(0, 3, 0),
                                          SbVec3f(0, 0, -4), SbVec3f(9, 9, 9)};
const std::vector<int32_t> tetrahedronFaces = {0, 2, 1, -1, 0, 1, 3, -1, 0, 3, 2, -1, 1, 2, 3, -1};

void expectSameBox(const SbBox3f& actual, const SbBox3f& expected) {
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(actual.getMin(), expected.getMin());
    EXPECT_EQ(actual.getMax(), expected.getMax());
}

} // namespace

TEST(SurfaceStripSet, IsTheLibrarysStripSetByTypeAndFields) {
    SurfaceStripSet* strips = newSurfaceStrips();
    strips->ref();
    EXPECT_TRUE(strips->isOfType(SoIndexedTriangleStripSet::getClassTypeId()));
    SoIndexedTriangleStripSet* library = new SoIndexedTriangleStripSet;
    library->ref();
    EXPECT_TRUE(strips->coordIndex == library->coordIndex);
    EXPECT_TRUE(strips->textureCoordIndex == library->textureCoordIndex);
    library->unref();
    SurfaceStripSet::initClass(); // again: no second registration
    EXPECT_EQ(SoType::fromName("SurfaceStripSet"), SurfaceStripSet::getClassTypeId());
    strips->unref();
}

TEST(SurfaceStripSet, BoundingBoxIsTheLibrarysWithoutUnusedPoints) {
    StripScene fast(newSurfaceStrips());
    StripScene library(new SoIndexedTriangleStripSet);
    for (StripScene* scene : {&fast, &library}) {
        scene->setPoints(tetrahedron);
        scene->setIndices(tetrahedronFaces);
    }
    // Point 4 belongs to no triangle and stays out of the box.
    expectSameBox(fast.boundingBox(), library.boundingBox());
    EXPECT_EQ(fast.boundingBox().getMax(), SbVec3f(2, 3, 0));

    // Moved points and changed indices are picked up.
    std::vector<SbVec3f> moved = tetrahedron;
    moved[1] = SbVec3f(-5, 1, 1);
    const std::vector<int32_t> withFive = {0, 2, 1, -1, 4, 1, 3, -1};
    for (StripScene* scene : {&fast, &library}) {
        scene->setPoints(moved);
        scene->setIndices(withFive);
    }
    expectSameBox(fast.boundingBox(), library.boundingBox());
    EXPECT_EQ(fast.boundingBox().getMax(), SbVec3f(9, 9, 9));
}

TEST(SurfaceStripSet, OtherIndexListsAreLeftToTheLibrary) {
    StripScene fast(newSurfaceStrips());
    StripScene library(new SoIndexedTriangleStripSet);
    // A strip of four points (two triangles) is not what the body holds.
    const std::vector<int32_t> strip = {0, 1, 2, 3, -1};
    for (StripScene* scene : {&fast, &library}) {
        scene->setPoints(tetrahedron);
        scene->setIndices(strip);
    }
    EXPECT_FALSE(fast.drawsFast());
    expectSameBox(fast.boundingBox(), library.boundingBox());

    // Indices beyond the coordinates: the library's way too.
    fast.setIndices(tetrahedronFaces);
    EXPECT_TRUE(fast.drawsFast());
    fast.setPoints({SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0)});
    EXPECT_FALSE(fast.drawsFast());
}

TEST(SurfaceStripSet, NormalsFollowThePointsAndTheHints) {
    SurfaceStripSet* strips = newSurfaceStrips();
    StripScene scene(strips);
    scene.setPoints({SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 0)});
    scene.setIndices({0, 1, 2, -1});
    ASSERT_TRUE(scene.drawsFast());
    EXPECT_EQ(strips->normals().faceNormal(0), SbVec3f(0, 0, 1));

    scene.setPoints({SbVec3f(0, 0, 0), SbVec3f(0, 1, 0), SbVec3f(1, 0, 0)});
    ASSERT_TRUE(scene.drawsFast());
    EXPECT_EQ(strips->normals().faceNormal(0), SbVec3f(0, 0, -1));

    static_cast<SoShapeHints*>(scene.root()->getChild(0))->vertexOrdering = SoShapeHints::CLOCKWISE;
    ASSERT_TRUE(scene.drawsFast());
    EXPECT_EQ(strips->normals().faceNormal(0), SbVec3f(0, 0, 1));
}

TEST(SurfaceStripSet, GivenNormalsOrOtherBindingsAreLeftToTheLibrary) {
    StripScene scene(newSurfaceStrips());
    scene.setPoints(tetrahedron);
    scene.setIndices(tetrahedronFaces);
    ASSERT_TRUE(scene.drawsFast());

    SoNormalBinding* binding = new SoNormalBinding;
    binding->value = SoNormalBinding::PER_FACE;
    scene.root()->insertChild(binding, 0);
    EXPECT_FALSE(scene.drawsFast());
    binding->value = SoNormalBinding::PER_VERTEX;
    EXPECT_TRUE(scene.drawsFast());

    SoNormal* normals = new SoNormal;
    normals->vector.setValue(0, 0, 1);
    scene.root()->insertChild(normals, 0);
    EXPECT_FALSE(scene.drawsFast());
}
