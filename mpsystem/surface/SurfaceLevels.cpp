#include "mpsystem/surface/SurfaceLevels.h"

#include "common/Workers.h"

#include <Inventor/SbBox3f.h>
#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <unordered_map>

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

/// Twice the area of the triangle over the square of its longest side: 0.87 for an equilateral
/// one, 0 for three points on a line.
float shape(const SbVec3f& a, const SbVec3f& b, const SbVec3f& c) {
    const float longest = std::max({(b - a).sqrLength(), (c - b).sqrLength(), (a - c).sqrLength()});
    return longest > 0.0f ? (b - a).cross(c - a).length() / longest : 0.0f;
}

/// Whether triangle (a, b, c) faces the way the whole surface does at its points.
bool facesOutward(int32_t a, int32_t b, int32_t c, const SbVec3f* points,
                  const std::vector<SbVec3f>& facing) {
    const SbVec3f normal = (points[b] - points[a]).cross(points[c] - points[a]);
    return normal.dot(facing[a] + facing[b] + facing[c]) > 0.0f;
}

uint64_t edgeKey(int32_t from, int32_t to) {
    return static_cast<uint64_t>(static_cast<uint32_t>(from)) << 32 | static_cast<uint32_t>(to);
}

/// Cuts the slivers of `faceIndices` ("a b c -1" over `points`) anew, and leaves out the few
/// it cannot: a sliver's normal points almost anywhere and makes the smooth normals at its
/// points sharp, while a sliver left out leaves a crack that a pixel's centre now and then
/// falls into. A sliver's longest side and the triangle beyond it make a quadrilateral, cut by
/// its other diagonal where that gives two fuller triangles that both face the way the surface
/// does.
void repairSlivers(std::vector<int32_t>& faceIndices, const SbVec3f* points,
                   const std::vector<SbVec3f>& facing) {
    const int32_t triangles = static_cast<int32_t>(faceIndices.size() / 4);
    std::unordered_map<uint64_t, int32_t> sides;
    sides.reserve(3 * static_cast<size_t>(triangles));
    for (int32_t t = 0; t < triangles; ++t) {
        for (int k = 0; k < 3; ++k) {
            sides[edgeKey(faceIndices[4 * t + k], faceIndices[4 * t + (k + 1) % 3])] = t;
        }
    }
    for (int32_t t = 0; t < triangles; ++t) {
        int32_t* sliver = &faceIndices[4 * static_cast<size_t>(t)];
        const float before = shape(points[sliver[0]], points[sliver[1]], points[sliver[2]]);
        if (before >= sliverShape) {
            continue;
        }
        int k = 0;
        float longest = -1.0f;
        for (int side = 0; side < 3; ++side) {
            const float length =
                (points[sliver[(side + 1) % 3]] - points[sliver[side]]).sqrLength();
            if (length > longest) {
                longest = length;
                k = side;
            }
        }
        const int32_t a = sliver[k];
        const int32_t b = sliver[(k + 1) % 3];
        const int32_t c = sliver[(k + 2) % 3];
        const auto found = sides.find(edgeKey(b, a));
        if (found == sides.end() || found->second == t) {
            continue;
        }
        const int32_t u = found->second;
        int32_t* beyond = &faceIndices[4 * static_cast<size_t>(u)];
        int j = 0;
        while (j < 3 && !(beyond[j] == b && beyond[(j + 1) % 3] == a)) {
            ++j;
        }
        const int32_t d = j < 3 ? beyond[(j + 2) % 3] : c;
        if (d == c || !facesOutward(a, d, c, points, facing) ||
            !facesOutward(d, b, c, points, facing) ||
            std::min(shape(points[a], points[d], points[c]),
                     shape(points[d], points[b], points[c])) <= before) {
            continue;
        }
        sliver[0] = a;
        sliver[1] = d;
        sliver[2] = c;
        beyond[0] = d;
        beyond[1] = b;
        beyond[2] = c;
        sides.erase(edgeKey(a, b));
        sides.erase(edgeKey(b, a));
        for (const auto& [from, to, owner] : {std::array<int32_t, 3>{a, d, t},
                                              {d, c, t},
                                              {c, a, t},
                                              {d, b, u},
                                              {b, c, u},
                                              {c, d, u}}) {
            sides[edgeKey(from, to)] = owner;
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < faceIndices.size(); i += 4) {
        const int32_t* t = &faceIndices[i];
        if (shape(points[t[0]], points[t[1]], points[t[2]]) >= sliverShape) {
            std::copy(t, t + 4, faceIndices.begin() + static_cast<std::ptrdiff_t>(kept));
            kept += 4;
        }
    }
    faceIndices.resize(kept);
}

/// Simplifies `surface` to about `target` corners with at most `targetError` of the
/// simplifier's relative error; sets `error` to the error reached, in world units.
std::vector<unsigned int> simplified(const CompactSurface& surface, size_t target,
                                     float targetError, unsigned int options, float& error) {
    std::vector<unsigned int> coarser(surface.corners.size());
    float relative = 0.0f;
    coarser.resize(meshopt_simplify(coarser.data(), surface.corners.data(), surface.corners.size(),
                                    &surface.positions[0][0], surface.positions.size(),
                                    sizeof(SbVec3f), target, targetError, options, &relative));
    error = relative * surface.scale();
    return coarser;
}

/// The first level, whose simplification of the whole surface costs more than all the others:
/// made in two halves at once on the worker threads. The surface is cut across its longest
/// side at the middle of its triangles, and each half is simplified alone with the edges along
/// the cut kept, so that the halves still meet; the next level simplifies the cut too. The
/// corners are numbered as `surface`'s points; `error` is set as by simplified().
std::vector<unsigned int> simplifiedInHalves(const CompactSurface& surface, size_t target,
                                             float errorLimit, float& error) {
    const size_t triangles = surface.corners.size() / 3;
    SbBox3f box;
    for (const SbVec3f& p : surface.positions) {
        box.extendBy(p);
    }
    float size[3];
    box.getSize(size[0], size[1], size[2]);
    const int axis = static_cast<int>(std::max_element(size, size + 3) - size);
    std::vector<float> centres(triangles);
    for (size_t t = 0; t < triangles; ++t) {
        centres[t] = surface.positions[surface.corners[3 * t]][axis] +
                     surface.positions[surface.corners[3 * t + 1]][axis] +
                     surface.positions[surface.corners[3 * t + 2]][axis];
    }
    std::vector<float> sorted = centres;
    std::nth_element(sorted.begin(), sorted.begin() + triangles / 2, sorted.end());
    const float middle = sorted[triangles / 2];

    // Each half numbered by its own points, which stand for `surface`'s points.
    CompactSurface numbered;
    numbered.positions = surface.positions;
    numbered.bodyPoints.resize(surface.positions.size());
    std::iota(numbered.bodyPoints.begin(), numbered.bodyPoints.end(), 0);
    std::vector<unsigned int> halfCorners[2];
    for (size_t t = 0; t < triangles; ++t) {
        const auto first = surface.corners.begin() + 3 * static_cast<std::ptrdiff_t>(t);
        std::vector<unsigned int>& half = halfCorners[centres[t] < middle ? 0 : 1];
        half.insert(half.end(), first, first + 3);
    }
    if (halfCorners[0].empty() || halfCorners[1].empty()) {
        return simplified(surface, target, errorLimit / surface.scale(), 0, error);
    }
    const CompactSurface halves[2] = {compacted(halfCorners[0], numbered),
                                      compacted(halfCorners[1], numbered)};
    std::vector<unsigned int> coarser[2];
    float errors[2] = {0.0f, 0.0f};
    forEachItem(2, workerCount(), [&](int k) {
        const size_t share = target * halves[k].corners.size() / surface.corners.size() / 3 * 3;
        coarser[k] = simplified(halves[k], share, errorLimit / halves[k].scale(),
                                meshopt_SimplifyLockBorder, errors[k]);
    });
    std::vector<unsigned int> joined;
    joined.reserve(coarser[0].size() + coarser[1].size());
    for (int k = 0; k < 2; ++k) {
        for (unsigned int c : coarser[k]) {
            joined.push_back(static_cast<unsigned int>(halves[k].bodyPoints[c]));
        }
    }
    error = std::max(errors[0], errors[1]);
    return joined;
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
    for (bool first = true;; first = false) {
        const float scale = finer.scale();
        if (!(scale > 0.0f)) {
            return;
        }
        const size_t target = finer.corners.size() / 12 * 3;
        float levelError = 0.0f;
        const std::vector<unsigned int> coarser =
            first ? simplifiedInHalves(finer, target, errorLimit, levelError)
                  : simplified(finer, target, (errorLimit - error) / scale, 0, levelError);
        const size_t count = coarser.size();
        // A level that the outline's limit stopped early saves too little to be worth it.
        if (count == 0 || count > finer.corners.size() / 2) {
            return;
        }
        error += levelError;
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
            if (facesOutward(a, b, c, points, facing)) {
                level.faceIndices.insert(level.faceIndices.end(), {a, b, c, -1});
            }
        }
        repairSlivers(level.faceIndices, points, facing);
        // A surface that loses a third of its triangles that way is no surface to speak of.
        if (static_cast<size_t>(level.numTriangles()) < 2 * (count / 3) / 3) {
            return;
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
