#include "arena/Cloud.h"
#include "CoinEnvironment.h"

#include <Inventor/SbVec2s.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTexture2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

unsigned char luminanceAt(const std::vector<unsigned char>& image, int height, int i, int j) {
    return image[2 * (static_cast<size_t>(i) * height + j)];
}

unsigned char alphaAt(const std::vector<unsigned char>& image, int height, int i, int j) {
    return image[2 * (static_cast<size_t>(i) * height + j) + 1];
}

TEST(CloudShaping, BiasWithOneHalfIsTheIdentity) {
    for (double x = 0.001; x <= 0.999; x += 0.01) {
        EXPECT_DOUBLE_EQ(bias(x, 0.5), x) << x;
    }
}

TEST(CloudShaping, BiasClampsNearTheEnds) {
    EXPECT_EQ(bias(0.0005, 0.7), 0.0);
    EXPECT_EQ(bias(0.9995, 0.7), 1.0);
    EXPECT_EQ(bias(0.5, 0.0005), 0.0);
    EXPECT_EQ(bias(0.5, 0.9995), 1.0);
    // A larger b lifts the middle values.
    EXPECT_GT(bias(0.3, 0.8), 0.3);
    EXPECT_LT(bias(0.3, 0.2), 0.3);
}

TEST(CloudShaping, GainKeepsTheMiddleFixed) {
    for (double g = 0.001; g <= 0.999; g += 0.01) {
        EXPECT_EQ(gain(0.5, g), 0.5) << g;
    }
}

TEST(CloudShaping, GainIsAnSCurveSymmetricAboutTheMiddle) {
    EXPECT_EQ(gain(0.0005, 0.3), 0.0);
    EXPECT_EQ(gain(0.9995, 0.3), 1.0);
    for (double a = 0.05; a < 0.46; a += 0.05) {
        EXPECT_NEAR(gain(a, 0.3) + gain(1 - a, 0.3), 1.0, 1e-12) << a;
        // g above one half flattens the ends, below one half lifts them.
        EXPECT_LT(gain(a, 0.86), a) << a;
        EXPECT_GT(gain(a, 0.3), a) << a;
    }
}

TEST(CloudShaping, GainHoldsItsParameterInRange) {
    EXPECT_TRUE(std::isfinite(gain(0.2, 0.0)));
    EXPECT_TRUE(std::isfinite(gain(0.2, 1.0)));
    EXPECT_EQ(gain(0.2, 1.0), gain(0.2, 0.999));
    EXPECT_EQ(gain(0.2, -3.0), gain(0.2, 0.0005));
}

TEST(CloudShaping, ShapeDensityIsZeroBelowTheThreshold) {
    EXPECT_EQ(shapeDensity(0.0), 0.0);
    EXPECT_EQ(shapeDensity(0.0009), 0.0);
    EXPECT_EQ(shapeDensity(-1.0), 0.0);
    EXPECT_GT(shapeDensity(0.01), 0.0);
}

TEST(CloudShaping, ShapeDensityRisesWithinTheUnitInterval) {
    double previous = 0.0;
    for (double x = 0.0; x <= 1.0; x += 0.01) {
        const double shaped = shapeDensity(x);
        EXPECT_GE(shaped, previous) << x;
        EXPECT_LE(shaped, 1.0) << x;
        previous = shaped;
    }
    EXPECT_EQ(shapeDensity(1.0), 1.0);
}

TEST(CloudImage, LuminanceIsWhiteEverywhere) {
    const std::vector<unsigned char> image = makeCloudImage(64, 48, 50, 8, 3);
    ASSERT_EQ(image.size(), 64u * 48u * 2u);
    for (int i = 0; i < 64; ++i) {
        for (int j = 0; j < 48; ++j) {
            ASSERT_EQ(luminanceAt(image, 48, i, j), 255) << i << "," << j;
        }
    }
}

TEST(CloudImage, OneDiscIsClearOutsideAndDensestAtItsCentre) {
    const int width = 40;
    const int height = 30;
    const int radius = 6;
    const std::vector<unsigned char> image = makeCloudImage(width, height, 1, radius, 11);

    // The disc's centre is where alpha peaks; nothing farther than the radius from it is
    // touched.
    int ci = 0;
    int cj = 0;
    for (int i = 0; i < width; ++i) {
        for (int j = 0; j < height; ++j) {
            if (alphaAt(image, height, i, j) > alphaAt(image, height, ci, cj)) {
                ci = i;
                cj = j;
            }
        }
    }
    const int densest = static_cast<int>(shapeDensity(1 / 1.2) * 256);
    EXPECT_EQ(densest, 218);
    EXPECT_EQ(alphaAt(image, height, ci, cj), densest);
    EXPECT_GE(ci, radius);
    EXPECT_LE(ci, width - radius);
    EXPECT_GE(cj, radius);
    EXPECT_LE(cj, height - radius);

    int clear = 0;
    for (int i = 0; i < width; ++i) {
        for (int j = 0; j < height; ++j) {
            const int di = i - ci;
            const int dj = j - cj;
            if (di * di + dj * dj >= radius * radius) {
                EXPECT_EQ(alphaAt(image, height, i, j), 0) << i << "," << j;
                ++clear;
            } else if (di * di + dj * dj <= 4) {
                EXPECT_GT(alphaAt(image, height, i, j), 0) << i << "," << j;
            }
        }
    }
    EXPECT_GT(clear, width * height / 2);
}

TEST(CloudImage, ManyDiscsStillPeakBelowFullAlpha) {
    const std::vector<unsigned char> image = makeCloudImage(256, 256, 2000, 16, 42);
    unsigned char highest = 0;
    for (size_t k = 1; k < image.size(); k += 2) {
        highest = std::max(highest, image[k]);
    }
    EXPECT_EQ(highest, static_cast<int>(shapeDensity(1 / 1.2) * 256));
}

TEST(CloudImage, SameSeedGivesSameCloud) {
    EXPECT_EQ(makeCloudImage(64, 64, 100, 8, 5), makeCloudImage(64, 64, 100, 8, 5));
    EXPECT_NE(makeCloudImage(64, 64, 100, 8, 5), makeCloudImage(64, 64, 100, 8, 6));
}

TEST(CloudImage, DiscsWiderThanTheImageAreClipped) {
    // Under a sanitizer build a write outside the buffer fails this test outright.
    const std::vector<unsigned char> image = makeCloudImage(10, 7, 20, 16, 8);
    ASSERT_EQ(image.size(), 10u * 7u * 2u);
    int cloudy = 0;
    for (size_t k = 0; k < image.size(); k += 2) {
        EXPECT_EQ(image[k], 255);
        cloudy += image[k + 1] > 0;
    }
    EXPECT_GT(cloudy, 0);
}

TEST(CloudImage, NoDiscsOrEmptyDiscsLeaveItClear) {
    for (const std::vector<unsigned char>& image :
         {makeCloudImage(16, 16, 0, 4, 1), makeCloudImage(16, 16, 10, 0, 1)}) {
        ASSERT_EQ(image.size(), 16u * 16u * 2u);
        for (size_t k = 0; k < image.size(); k += 2) {
            EXPECT_EQ(image[k], 255);
            EXPECT_EQ(image[k + 1], 0);
        }
    }
}

TEST(CloudImage, EmptyOrNegativeSizesGiveAnEmptyImage) {
    EXPECT_TRUE(makeCloudImage(0, 16, 10, 4, 1).empty());
    EXPECT_TRUE(makeCloudImage(16, -3, 10, 4, 1).empty());
}

class Ground : public ::testing::Test {
protected:
    void build(const SbVec3f& centre, float halfSize, int columns, int rows) {
        ground = buildGround(centre, halfSize, 0.5f, 0.6f, 0.7f, 0.25f, columns, rows);
        ground->ref();
    }
    void TearDown() override {
        if (ground) {
            ground->unref();
        }
    }

    template <typename Node> Node* child(int index) {
        SoNode* node = ground->getChild(index);
        EXPECT_TRUE(node->isOfType(Node::getClassTypeId())) << index;
        return static_cast<Node*>(node);
    }

    SoSeparator* ground = nullptr;
};

TEST_F(Ground, HasItsSixNodesInOrderWithTheirValues) {
    build(SbVec3f(0, -14.4f, 0), 16.5f, 40, 40);
    ASSERT_EQ(ground->getNumChildren(), 6);

    auto* hints = child<SoShapeHints>(0);
    EXPECT_EQ(hints->shapeType.getValue(), SoShapeHints::SOLID);
    EXPECT_EQ(hints->vertexOrdering.getValue(), SoShapeHints::UNKNOWN_ORDERING);

    EXPECT_FLOAT_EQ(child<SoComplexity>(1)->textureQuality.getValue(), 0.2f);

    auto* material = child<SoMaterial>(2);
    EXPECT_EQ(material->ambientColor[0], SbColor(0.5f, 0.6f, 0.7f));
    EXPECT_EQ(material->diffuseColor[0], SbColor(0.5f, 0.6f, 0.7f));
    EXPECT_EQ(material->specularColor[0], SbColor(1, 1, 1));
    EXPECT_EQ(material->transparency[0], 0.25f);

    auto* texture = child<SoTexture2>(3);
    EXPECT_EQ(texture->model.getValue(), SoTexture2::MODULATE);
    EXPECT_EQ(texture->blendColor.getValue(), SbColor(0.8f, 0.8f, 0.8f));
    SbVec2s size;
    int components = 0;
    const unsigned char* pixels = texture->image.getValue(size, components);
    EXPECT_EQ(size, SbVec2s(256, 256));
    EXPECT_EQ(components, 2);
    ASSERT_NE(pixels, nullptr);
    int cloudy = 0;
    for (int k = 0; k < 256 * 256; ++k) {
        EXPECT_EQ(pixels[2 * k], 255);
        cloudy += pixels[2 * k + 1] > 0;
    }
    EXPECT_GT(cloudy, 0);

    child<SoCoordinate3>(4);
    child<SoIndexedTriangleStripSet>(5);
}

TEST_F(Ground, GridOfFortyHoldsItsPointsAndStrips) {
    const SbVec3f centre(0, -14.4f, 0);
    build(centre, 16.5f, 40, 40);
    auto* coordinates = child<SoCoordinate3>(4);
    ASSERT_EQ(coordinates->point.getNum(), 1600);
    for (int k = 0; k < 1600; ++k) {
        EXPECT_EQ(coordinates->point[k][1], -14.4f) << k;
    }
    EXPECT_EQ(coordinates->point[0], SbVec3f(-16.5f, -14.4f, -16.5f));
    EXPECT_EQ(coordinates->point[39], SbVec3f(16.5f, -14.4f, -16.5f));
    EXPECT_EQ(coordinates->point[1599], SbVec3f(16.5f, -14.4f, 16.5f));

    auto* strips = child<SoIndexedTriangleStripSet>(5);
    ASSERT_EQ(strips->coordIndex.getNum(), 3159);
    const int32_t* indices = strips->coordIndex.getValues(0);
    EXPECT_EQ(std::count(indices, indices + 3159, -1), 39);
    for (int k = 0; k < 3159; ++k) {
        EXPECT_GE(indices[k], -1);
        EXPECT_LT(indices[k], 1600);
    }
}

TEST_F(Ground, StripsZigZagBetweenNeighbouringRows) {
    build(SbVec3f(2, 1, -3), 4, 3, 3);
    auto* coordinates = child<SoCoordinate3>(4);
    ASSERT_EQ(coordinates->point.getNum(), 9);
    EXPECT_EQ(coordinates->point[0], SbVec3f(-2, 1, -7));
    EXPECT_EQ(coordinates->point[4], SbVec3f(2, 1, -3));
    EXPECT_EQ(coordinates->point[5], SbVec3f(6, 1, -3));
    EXPECT_EQ(coordinates->point[8], SbVec3f(6, 1, 1));

    auto* strips = child<SoIndexedTriangleStripSet>(5);
    const std::vector<int32_t> expected = {0, 3, 1, 4, 2, 5, -1, 3, 6, 4, 7, 5, 8, -1};
    ASSERT_EQ(strips->coordIndex.getNum(), static_cast<int>(expected.size()));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), strips->coordIndex.getValues(0)));
}

TEST_F(Ground, TooSmallAGridStillSpansTheSquare) {
    build(SbVec3f(0, -1, 0), 5, 1, 0);
    auto* coordinates = child<SoCoordinate3>(4);
    ASSERT_EQ(coordinates->point.getNum(), 4);
    for (int k = 0; k < 4; ++k) {
        const SbVec3f point = coordinates->point[k];
        EXPECT_TRUE(std::isfinite(point[0]) && std::isfinite(point[2])) << k;
    }
    EXPECT_EQ(coordinates->point[0], SbVec3f(-5, -1, -5));
    EXPECT_EQ(coordinates->point[3], SbVec3f(5, -1, 5));
    EXPECT_EQ(child<SoIndexedTriangleStripSet>(5)->coordIndex.getNum(), 5);
}

} // namespace
