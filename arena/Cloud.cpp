#include "arena/Cloud.h"

#include "arena/RandomFraction.h"
#include "common/Check.h"

#include <Inventor/SbVec2s.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTexture2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

// Bias and gain only use ratios of logarithms, so any base would do; computed once at start-up.
const double logHalf = std::log(0.5);

constexpr int textureSize = 256;
constexpr int textureComponents = 2;
constexpr int cloudDiscs = 2000;
constexpr int cloudDiscRadius = 16;
// Keeps the densest pixel below full density, so alpha never reaches 256 and wraps.
constexpr double densityHeadroom = 1.2;
constexpr unsigned char cloudLuminance = 255;

float randomSigned() {
    return static_cast<float>(2.0 * randomFraction() - 1.0);
}

} // namespace

double bias(double a, double b) {
    if (a < 0.001) {
        return 0.0;
    }
    if (a > 0.999) {
        return 1.0;
    }
    if (b < 0.001) {
        return 0.0;
    }
    if (b > 0.999) {
        return 1.0;
    }
    return std::pow(a, std::log(b) / logHalf);
}

double gain(double a, double g) {
    if (a < 0.001) {
        return 0.0;
    }
    if (a > 0.999) {
        return 1.0;
    }
    if (g < 0.001) {
        g = 0.0001;
    }
    if (g > 0.999) {
        g = 0.999;
    }
    const float p = static_cast<float>(std::log(1.0 - g) / logHalf);
    if (a < 0.5) {
        return std::pow(2.0 * a, p) / 2.0;
    }
    return 1.0 - std::pow(2.0 * (1.0 - a), p) / 2.0;
}

double shapeDensity(double x) {
    double c = bias(x, 0.67);
    if (c < 0.5) {
        c = gain(c, 0.86);
    }
    return bias(c, 0.35);
}

std::vector<unsigned char> makeCloudImage(int width, int height, int numDiscs, int radius) {
    return makeCloudImage(width, height, numDiscs, radius,
                          static_cast<unsigned int>(std::time(nullptr)));
}

std::vector<unsigned char> makeCloudImage(int width, int height, int numDiscs, int radius,
                                          unsigned int seed) {
    std::srand(seed);
    width = std::max(width, 0);
    height = std::max(height, 0);
    numDiscs = std::max(numDiscs, 0);
    radius = std::max(radius, 0);

    // All draws come first, three per disc in disc order, so that a seed always gives the same
    // cloud; only the first two values of a disc place it in the image.
    std::vector<float> centres(static_cast<size_t>(numDiscs) * 3);
    for (float& value : centres) {
        value = randomSigned();
    }

    const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<unsigned char> image(pixelCount * 2, 0);
    if (pixelCount == 0) {
        return image;
    }
    for (size_t pixel = 0; pixel < pixelCount; ++pixel) {
        image[2 * pixel] = cloudLuminance;
    }
    std::vector<std::int64_t> density(pixelCount, 0);

    const int halfWidth = width / 2;
    const int halfHeight = height / 2;
    const std::int64_t radiusSquared = static_cast<std::int64_t>(radius) * radius;
    for (int k = 0; k < numDiscs; ++k) {
        const int ci = static_cast<int>(halfWidth + (halfWidth - radius) * centres[3 * k]);
        const int cj = static_cast<int>(halfHeight + (halfHeight - radius) * centres[3 * k + 1]);
        // An image narrower than a disc would put part of it outside; that part is dropped.
        const int iBegin = std::max(ci - radius, 0);
        const int iEnd = std::min(ci + radius, width);
        const int jBegin = std::max(cj - radius, 0);
        const int jEnd = std::min(cj + radius, height);
        for (int i = iBegin; i < iEnd; ++i) {
            const std::int64_t di = i - ci;
            std::int64_t* row = &density[static_cast<size_t>(i) * height];
            for (int j = jBegin; j < jEnd; ++j) {
                const std::int64_t dj = j - cj;
                row[j] += std::max<std::int64_t>(0, radiusSquared - di * di - dj * dj);
            }
        }
    }

    std::int64_t densest = 0;
    for (std::int64_t value : density) {
        densest = std::max(densest, value);
    }
    // Without any density (no discs, or discs of radius 0) the cloud is clear everywhere.
    if (densest == 0) {
        return image;
    }
    const float scale = static_cast<float>(densest * densityHeadroom);
    for (size_t pixel = 0; pixel < pixelCount; ++pixel) {
        const double shaped = shapeDensity(static_cast<float>(density[pixel]) / scale);
        image[2 * pixel + 1] += static_cast<unsigned char>(static_cast<int>(shaped * 256));
    }
    return image;
}

SoSeparator* buildGround(const SbVec3f& centre, float halfSize, float red, float green, float blue,
                         float transparency, int columns, int rows) {
    return buildGround(centre, halfSize, red, green, blue, transparency, columns, rows,
                       static_cast<unsigned int>(std::time(nullptr)));
}

SoSeparator* buildGround(const SbVec3f& centre, float halfSize, float red, float green, float blue,
                         float transparency, int columns, int rows, unsigned int seed) {
    // The grid needs two vertices per direction to span the square; fewer would divide by zero.
    columns = std::max(columns, 2);
    rows = std::max(rows, 2);

    const float cx = centre[0];
    const float cy = centre[1];
    const float cz = centre[2];
    std::vector<SbVec3f> vertices;
    vertices.reserve(static_cast<size_t>(columns) * rows);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            vertices.emplace_back(cx - halfSize + 2 * halfSize * j / (columns - 1), cy,
                                  cz - halfSize + 2 * halfSize * i / (rows - 1));
        }
    }

    const int numIndices = (rows - 1) * (2 * columns + 1);
    std::vector<int32_t> indices(static_cast<size_t>(numIndices));
    int k = 0;
    for (int i = 0; i + 1 < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            indices[k++] = i * columns + j;
            indices[k++] = (i + 1) * columns + j;
        }
        indices[k++] = -1;
    }
    PLIMMERTON_CHECK(numIndices == k, "the strips fill the index list exactly");

    auto* separator = new SoSeparator;

    auto* hints = new SoShapeHints;
    hints->shapeType.setValue(SoShapeHints::SOLID);
    separator->addChild(hints);

    auto* complexity = new SoComplexity;
    complexity->textureQuality.setValue(0.2f);
    separator->addChild(complexity);

    auto* material = new SoMaterial;
    material->ambientColor.setValue(red, green, blue);
    material->diffuseColor.setValue(red, green, blue);
    material->specularColor.setValue(1, 1, 1);
    material->transparency.setValue(transparency);
    separator->addChild(material);

    auto* texture = new SoTexture2;
    texture->model.setValue(SoTexture2::MODULATE);
    texture->blendColor.setValue(0.8f, 0.8f, 0.8f);
    const std::vector<unsigned char> cloud =
        makeCloudImage(textureSize, textureSize, cloudDiscs, cloudDiscRadius, seed);
    texture->image.setValue(SbVec2s(textureSize, textureSize), textureComponents, cloud.data());
    separator->addChild(texture);

    auto* coordinates = new SoCoordinate3;
    coordinates->point.setValues(0, static_cast<int>(vertices.size()), vertices.data());
    separator->addChild(coordinates);

    auto* strips = new SoIndexedTriangleStripSet;
    strips->coordIndex.setValues(0, numIndices, indices.data());
    separator->addChild(strips);

    return separator;
}
