#include "arena/Pillars.h"
#include "control/Cannon.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"

#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTransform.h>

#include <ctime>

namespace {

using ArenaScene = AssembledScene;

SbVec3f translationOf(SoNode* pillarPart) {
    auto* separator = static_cast<SoSeparator*>(pillarPart);
    return static_cast<SoTransform*>(separator->getChild(3))->translation.getValue();
}

TEST_F(ArenaScene, GroundIsTheFirstChildOfTheWorld) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    ASSERT_GE(worldSeparator->getNumChildren(), 1);
    SoNode* first = worldSeparator->getChild(0);
    ASSERT_TRUE(first->isOfType(SoSeparator::getClassTypeId()));
    auto* ground = static_cast<SoSeparator*>(first);
    ASSERT_EQ(ground->getNumChildren(), 6);
    EXPECT_TRUE(ground->getChild(0)->isOfType(SoShapeHints::getClassTypeId()));
    EXPECT_TRUE(ground->getChild(5)->isOfType(SoIndexedTriangleStripSet::getClassTypeId()));

    ASSERT_TRUE(ground->getChild(4)->isOfType(SoCoordinate3::getClassTypeId()));
    const auto* grid = static_cast<SoCoordinate3*>(ground->getChild(4));
    ASSERT_EQ(grid->point.getNum(), 1600);
    EXPECT_EQ(grid->point[0], SbVec3f(-16.5f, -14.4f, -16.5f));
    EXPECT_EQ(grid->point[1599], SbVec3f(16.5f, -14.4f, 16.5f));

    ASSERT_TRUE(ground->getChild(3)->isOfType(SoTexture2::getClassTypeId()));
    SbVec2s size;
    int components = 0;
    static_cast<SoTexture2*>(ground->getChild(3))->image.getValue(size, components);
    EXPECT_EQ(size, SbVec2s(256, 256));
    EXPECT_EQ(components, 2);
}

TEST_F(ArenaScene, WorldHoldsGroundCannonPillarPairsThenBody) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const std::vector<PillarCircle>& pillars = collisionWorld.pillars();
    // Five to seven along each of two sides, the corner one and the two inside.
    ASSERT_GE(pillars.size(), 13u);
    ASSERT_LE(pillars.size(), 17u);

    const int count = worldSeparator->getNumChildren();
    ASSERT_EQ(count, 3 + 2 * static_cast<int>(pillars.size()));
    EXPECT_EQ(worldSeparator->getChild(1), cannon->root());
    EXPECT_EQ(worldSeparator->getChild(count - 1), mpSystem->surfaceRoot());

    for (size_t k = 0; k < pillars.size(); ++k) {
        SCOPED_TRACE(k);
        const float x = pillars[k][0];
        const float z = pillars[k][2];
        EXPECT_EQ(pillars[k][1], 1.5f);
        const int shaft = 2 + 2 * static_cast<int>(k);
        EXPECT_EQ(translationOf(worldSeparator->getChild(shaft)), SbVec3f(x, -7.5f, z));
        EXPECT_EQ(translationOf(worldSeparator->getChild(shaft + 1)), SbVec3f(x, -1.35f, z));
    }
    EXPECT_EQ(pillars.front(), PillarCircle(-15, 1.5f, -15));
}

TEST_F(ArenaScene, PillarLayoutIsSeededFromTheClockAfterTheGround) {
    const auto before = static_cast<unsigned int>(std::time(nullptr));
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    const auto after = static_cast<unsigned int>(std::time(nullptr));

    // The ground's draws come first; the layout seeds again, so it is the layout of the clock
    // time of the assembly, whatever the ground drew.
    bool matched = false;
    for (unsigned int seed = before; seed <= after && !matched; ++seed) {
        auto* reference = new SoSeparator;
        reference->ref();
        CollisionWorld referenceWorld;
        layOutArena(reference, referenceWorld, seed);
        matched = referenceWorld.pillars() == collisionWorld.pillars();
        reference->unref();
    }
    EXPECT_TRUE(matched);
}

} // namespace
