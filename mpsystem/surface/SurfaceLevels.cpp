#include "mpsystem/surface/SurfaceLevels.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>

namespace {

/// Twice the area over the square of the longest side below which a triangle is a sliver
/// (an equilateral one has 0.87): its points lie almost on a line, and its normal, which the
/// smooth normals at its points take in, points almost anywhere.
constexpr float sliverShape = 0.02f;

/// A surface over only the points its triangles use, numbered in the order of the body's
/// points they stand for.
struct CompactSurface {
    std::vector<unsigned int> corners;
    std::vector<int32_t> bodyPoints;
    std::vector<SbVec3f> positions;

    /// The extent the simplifier measures its error against.
    float scale() const {
        return meshopt_simplifyScale(&positions[0][0], positions.size(), sizeof(SbVec3f));
    }
};

/// `corners`, numbered as the points of `from`, over only the points they use.
CompactSurface compacted(const std::vector<unsigned int>& corners, const CompactSurface& from) {
    std::vector<int32_t> local(from.bodyPoints.size(), -1);
    for (unsigned int c : corners) {
        local[c] = 0;
    }
    CompactSurface surface;
    for (size_t i = 0; i < local.size(); ++i) {
        if (local[i] == 0) {
            local[i] = static_cast<int32_t>(surface.bodyPoints.size());
            surface.bodyPoints.push_back(from.bodyPoints[i]);
            surface.positions.push_back(from.positions[i]);
        }
    }
    surface.corners.reserve(corners.size());
    for (unsigned int c : corners) {
        surface.corners.push_back(static_cast<unsigned int>(local[c]));
    }
    return surface;
}

/// The way the surface faces at each point: the sum of the (area-weighted) normals of the
/// triangles there, wound counter-clockwise.
std::vector<SbVec3f> outward(const std::vector<unsigned int>& corners,
                             const std::vector<SbVec3f>& positions) {
    std::vector<SbVec3f> facing(positions.size(), SbVec3f(0.0f, 0.0f, 0.0f));
    for (size_t i = 0; i < corners.size(); i += 3) {
        const SbVec3f& a = positions[corners[i]];
        const SbVec3f normal = (positions[corners[i + 1]] - a).cross(positions[corners[i + 2]] - a);
        for (size_t c = 0; c < 3; ++c) {
            facing[corners[i + c]] += normal;
        }
    }
    return facing;
}

bool isTriangleList(const int32_t* indices, int numIndices, int numPoints) {
    if (numPoints <= 0 || numIndices <= 0 || numIndices % 4 != 0) {
        return false;
    }
    for (int i = 0; i < numIndices; i += 4) {
        for (int c = 0; c < 3; ++c) {
            if (indices[i + c] < 0 || indices[i + c] >= numPoints) {
                return false;
            }
        }
        if (indices[i + 3] != -1) {
            return false;
        }
    }
    return true;
}

} // namespace

void SurfaceLevels::build(const int32_t* faceIndices, int numFaceIndices, const SbVec3f* points,
                          int numPoints) {
    clear();
    if (numFaceIndices / 4 <= largestWholeSurface ||
        !isTriangleList(faceIndices, numFaceIndices, numPoints)) {
        return;
    }
    wholeTriangles_ = numFaceIndices / 4;

    CompactSurface body;
    body.positions.assign(points, points + numPoints);
    body.bodyPoints.resize(numPoints);
    for (int p = 0; p < numPoints; ++p) {
        body.bodyPoints[p] = p;
    }
    std::vector<unsigned int> corners;
    corners.reserve(3 * static_cast<size_t>(wholeTriangles_));
    for (int i = 0; i < numFaceIndices; i += 4) {
        corners.insert(corners.end(), faceIndices + i, faceIndices + i + 3);
    }
    const std::vector<SbVec3f> facing = outward(corners, body.positions);
    CompactSurface finer = compacted(corners, body);
    body = CompactSurface();

    // Each level keeps about a quarter of the triangles of the one before and is made from
    // it, over only its points: the simplifier's work goes with the points it is given, so
    // the levels after the first cost little.
    const float errorLimit = largestError * finer.scale();
    float error = 0.0f;
    while (true) {
        const float scale = finer.scale();
        if (!(scale > 0.0f)) {
            return;
        }
        const size_t target = finer.corners.size() / 12 * 3;
        std::vector<unsigned int> coarser(finer.corners.size());
        float levelError = 0.0f;
        const size_t count =
            meshopt_simplify(coarser.data(), finer.corners.data(), finer.corners.size(),
                             &finer.positions[0][0], finer.positions.size(), sizeof(SbVec3f),
                             target, (errorLimit - error) / scale, 0, &levelError);
        // A level that the outline's limit stopped early saves too little to be worth it.
        if (count == 0 || count > finer.corners.size() / 2) {
            return;
        }
        coarser.resize(count);
        error += levelError * scale;
        finer = compacted(coarser, finer);

        // The simplifier checks each collapse against the triangles as they are, so over many
        // collapses a triangle may come to face against the surface it stands for: where it
        // folded the surface over, the triangles around cover the place twice, and the
        // triangle that faces inward is left out. Its points stay the level's.
        Level level;
        level.faceIndices.reserve(count / 3 * 4);
        for (size_t i = 0; i < count; i += 3) {
            const int32_t a = finer.bodyPoints[finer.corners[i]];
            const int32_t b = finer.bodyPoints[finer.corners[i + 1]];
            const int32_t c = finer.bodyPoints[finer.corners[i + 2]];
            const SbVec3f normal = (points[b] - points[a]).cross(points[c] - points[a]);
            const float longest =
                std::max({(points[b] - points[a]).sqrLength(), (points[c] - points[b]).sqrLength(),
                          (points[a] - points[c]).sqrLength()});
            if (normal.dot(facing[a] + facing[b] + facing[c]) > 0.0f &&
                normal.length() > sliverShape * longest) {
                level.faceIndices.insert(level.faceIndices.end(), {a, b, c, -1});
            }
        }
        level.points = finer.bodyPoints;
        level.error = error;
        levels_.push_back(std::move(level));
    }
}

void SurfaceLevels::clear() {
    levels_.clear();
    wholeTriangles_ = 0;
}

int SurfaceLevels::chooseLevel(float screenArea, float pixelsPerUnit) const {
    if (!(screenArea >= 0.0f) || !(pixelsPerUnit >= 0.0f) || std::isinf(screenArea) ||
        std::isinf(pixelsPerUnit)) {
        return 0;
    }
    for (int i = numLevels(); i >= 1; --i) {
        const Level& candidate = level(i);
        const float facing = 0.5f * static_cast<float>(candidate.numTriangles());
        if (candidate.error * pixelsPerUnit <= errorPixels &&
            screenArea <= trianglePixels * facing) {
            return i;
        }
    }
    return 0;
}
