#include "arena/Pillars.h"
#include "CoinEnvironment.h"
#include "balls/CollisionWorld.h"

#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinateCylinder.h>
#include <Inventor/nodes/SoTransform.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

/// One layout in a world separator of its own, with its pillars split by where they stand.
class Layout {
public:
    explicit Layout(unsigned int seed) : world(new SoSeparator) {
        world->ref();
        layOutArena(world, collisions, seed);
        const std::vector<PillarCircle>& pillars = collisions.pillars();
        size_t k = 0;
        while (k < pillars.size() && pillars[k][0] != 15.0f) {
            southSide.push_back(pillars[k++]);
        }
        while (k < pillars.size() && pillars[k][0] == 15.0f && pillars[k][2] < 12.4) {
            eastSide.push_back(pillars[k++]);
        }
        rest.assign(pillars.begin() + k, pillars.end());
    }
    ~Layout() { world->unref(); }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    SoSeparator* world;
    CollisionWorld collisions;
    std::vector<PillarCircle> southSide; // z = -15, from x = -15 on
    std::vector<PillarCircle> eastSide;  // x = +15, from z = -15 on
    std::vector<PillarCircle> rest;      // the corner and the two inner pillars
};

SoTransform* transformOf(SoNode* pillarPart) {
    auto* separator = static_cast<SoSeparator*>(pillarPart);
    return static_cast<SoTransform*>(separator->getChild(3));
}

/// Checks a shaft or cap: its texture node is `texture`, the one node all pillars share.
void expectTexturedCylinder(SoNode* node, const SbVec3f& position, float radius, float h,
                            SoTexture2* texture) {
    ASSERT_TRUE(node->isOfType(SoSeparator::getClassTypeId()));
    auto* separator = static_cast<SoSeparator*>(node);
    ASSERT_EQ(separator->getNumChildren(), 5);
    EXPECT_TRUE(separator->getChild(0)->isOfType(SoTextureCoordinateCylinder::getClassTypeId()));
    ASSERT_TRUE(separator->getChild(1)->isOfType(SoTexture2::getClassTypeId()));
    ASSERT_TRUE(separator->getChild(2)->isOfType(SoMaterial::getClassTypeId()));
    ASSERT_TRUE(separator->getChild(3)->isOfType(SoTransform::getClassTypeId()));
    ASSERT_TRUE(separator->getChild(4)->isOfType(SoCylinder::getClassTypeId()));

    EXPECT_EQ(separator->getChild(1), texture);
    // The picture comes from our own reader (PillarTextureTest.cpp); the library never reads
    // a file of its own.
    EXPECT_EQ(texture->filename.getValue(), SbString(""));
    EXPECT_EQ(texture->model.getValue(), SoTexture2::MODULATE);

    auto* material = static_cast<SoMaterial*>(separator->getChild(2));
    ASSERT_EQ(material->diffuseColor.getNum(), 1);
    EXPECT_EQ(material->diffuseColor[0], SbColor(1, 1, 1));
    ASSERT_EQ(material->transparency.getNum(), 1);
    EXPECT_EQ(material->transparency[0], 0.0f);

    auto* transform = static_cast<SoTransform*>(separator->getChild(3));
    EXPECT_EQ(transform->translation.getValue(), position);
    EXPECT_EQ(transform->scaleFactor.getValue(), SbVec3f(radius, h, radius));

    auto* cylinder = static_cast<SoCylinder*>(separator->getChild(4));
    EXPECT_EQ(cylinder->radius.getValue(), 1.0f);
    EXPECT_EQ(cylinder->height.getValue(), 2.0f);
}

TEST(PillarLayout, ShaftAndCapAreTexturedCylindersOfTheirSize) {
    auto* texture = new SoTexture2;
    texture->ref();
    texture->model = SoTexture2::MODULATE;
    SoSeparator* shaft = makePillarShaft(SbVec3f(3, -7.5f, -2), 1.5f, texture);
    shaft->ref();
    expectTexturedCylinder(shaft, SbVec3f(3, -7.5f, -2), 1.5f, 7.5f, texture);
    shaft->unref();

    SoSeparator* cap = makePillarCap(SbVec3f(3, -1.35f, -2), 2.0f, texture);
    cap->ref();
    expectTexturedCylinder(cap, SbVec3f(3, -1.35f, -2), 2.0f, 0.3f, texture);
    cap->unref();
    texture->unref();
}

TEST(PillarLayout, SidesStartAtTheCornersAndEndBeforeTheMargin) {
    for (unsigned int seed = 0; seed < 200; ++seed) {
        SCOPED_TRACE(seed);
        const Layout layout(seed);
        ASSERT_GE(layout.southSide.size(), 5u);
        ASSERT_LE(layout.southSide.size(), 7u);
        ASSERT_GE(layout.eastSide.size(), 5u);
        ASSERT_LE(layout.eastSide.size(), 7u);

        EXPECT_EQ(layout.southSide.front(), PillarCircle(-15, 1.5f, -15));
        EXPECT_EQ(layout.eastSide.front(), PillarCircle(15, 1.5f, -15));
        for (const PillarCircle& pillar : layout.southSide) {
            EXPECT_EQ(pillar[2], -15.0f);
            EXPECT_LT(pillar[0], 12.4);
        }
        for (const PillarCircle& pillar : layout.eastSide) {
            EXPECT_LT(pillar[2], 12.4);
        }
        // The step after the last pillar of a side would have reached 12.4.
        EXPECT_GT(layout.southSide.back()[0] + 5.6, 12.4);
        EXPECT_GT(layout.eastSide.back()[2] + 5.6, 12.4);
    }
}

TEST(PillarLayout, NeighboursAlongASideAreOneSpacingStepApart) {
    const Layout layout(12345);
    for (size_t k = 1; k < layout.southSide.size(); ++k) {
        const float step = layout.southSide[k][0] - layout.southSide[k - 1][0];
        EXPECT_GE(step, 4.1f - 1e-5f);
        EXPECT_LT(step, 5.6f);
    }
    for (size_t k = 1; k < layout.eastSide.size(); ++k) {
        const float step = layout.eastSide[k][2] - layout.eastSide[k - 1][2];
        EXPECT_GE(step, 4.1f - 1e-5f);
        EXPECT_LT(step, 5.6f);
    }
}

TEST(PillarLayout, CornerAndInnerPillarsComeLast) {
    const Layout layout(7);
    ASSERT_EQ(layout.rest.size(), 3u);
    EXPECT_EQ(layout.rest[0], PillarCircle(15, 1.5f, 15));
    EXPECT_EQ(layout.rest[1], PillarCircle(-4, 1.5f, -4));
    EXPECT_FLOAT_EQ(layout.rest[2][0], 0.3f);
    EXPECT_EQ(layout.rest[2][1], 1.5f);
    EXPECT_EQ(layout.rest[2][2], -4.0f);
}

TEST(PillarLayout, SameSeedGivesSamePillars) {
    const Layout first(99);
    const Layout second(99);
    EXPECT_EQ(second.collisions.pillars(), first.collisions.pillars());
}

TEST(PillarLayout, DifferentSeedsMoveThePillars) {
    const Layout first(1);
    const Layout second(2);
    EXPECT_NE(second.collisions.pillars(), first.collisions.pillars());
}

TEST(PillarLayout, EachPillarAddsShaftThenCapOverItsCircle) {
    const Layout layout(2024);
    const std::vector<PillarCircle>& pillars = layout.collisions.pillars();
    ASSERT_EQ(layout.world->getNumChildren(), 2 * static_cast<int>(pillars.size()));
    // One texture node for every shaft and cap.
    auto* first = static_cast<SoSeparator*>(layout.world->getChild(0));
    ASSERT_TRUE(first->getChild(1)->isOfType(SoTexture2::getClassTypeId()));
    auto* texture = static_cast<SoTexture2*>(first->getChild(1));
    for (size_t k = 0; k < pillars.size(); ++k) {
        SCOPED_TRACE(k);
        const float x = pillars[k][0];
        const float z = pillars[k][2];
        EXPECT_EQ(pillars[k][1], 1.5f);
        expectTexturedCylinder(layout.world->getChild(2 * k), SbVec3f(x, -7.5f, z), 1.5f, 7.5f,
                               texture);
        expectTexturedCylinder(layout.world->getChild(2 * k + 1), SbVec3f(x, -1.35f, z), 2.0f, 0.3f,
                               texture);
    }
}

TEST(PillarLayout, ShaftSpansFromTheFloorToHeightZero) {
    const Layout layout(5);
    SoTransform* shaft = transformOf(layout.world->getChild(0));
    const float centre = shaft->translation.getValue()[1];
    const float halfHeight = shaft->scaleFactor.getValue()[1];
    EXPECT_FLOAT_EQ(centre - halfHeight, -15.0f);
    EXPECT_FLOAT_EQ(centre + halfHeight, 0.0f);

    SoTransform* cap = transformOf(layout.world->getChild(1));
    EXPECT_FLOAT_EQ(cap->translation.getValue()[1] - cap->scaleFactor.getValue()[1], -1.65f);
    EXPECT_FLOAT_EQ(cap->translation.getValue()[1] + cap->scaleFactor.getValue()[1], -1.05f);
}

} // namespace
