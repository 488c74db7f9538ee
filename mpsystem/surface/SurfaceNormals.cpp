#include "mpsystem/surface/SurfaceNormals.h"

#include "common/Workers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int blockPoints = 8192;

int blocksOf(int count, int size) {
    return (count + size - 1) / size;
}

// The vector operations of the innermost loops, written out so that they inline.

inline SbVec3f cross(const SbVec3f& u, const SbVec3f& v) {
    return SbVec3f(u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]);
}

inline float dot(const SbVec3f& u, const SbVec3f& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

/// Unit length; a vector too short to have a direction is left as it is, as the library leaves
/// it. A triangle without area thus has no normal, counts towards no corner's normal but its
/// own, and covers no pixel.
inline SbVec3f unitOrSame(const SbVec3f& v) {
    const float length = std::sqrt(dot(v, v));
    if (length > 0.0f) {
        const float scale = 1.0f / length;
        return SbVec3f(v[0] * scale, v[1] * scale, v[2] * scale);
    }
    return v;
}

} // namespace

bool SurfaceNormals::setTriangles(const int32_t* indices, int numIndices, int numPoints) {
    clear();
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
    const int triangles = numIndices / 4;
    numPoints_ = numPoints;
    cornerPoints_.resize(3 * static_cast<size_t>(triangles));
    pointFaceStart_.assign(numPoints + 1, 0);
    for (int t = 0; t < triangles; ++t) {
        for (int c = 0; c < 3; ++c) {
            const int32_t p = indices[4 * t + c];
            cornerPoints_[3 * t + c] = static_cast<uint32_t>(p);
            ++pointFaceStart_[p + 1];
        }
    }
    for (int p = 0; p < numPoints; ++p) {
        pointFaceStart_[p + 1] += pointFaceStart_[p];
    }
    pointFaces_.resize(cornerPoints_.size());
    std::vector<int32_t> next(pointFaceStart_.begin(), pointFaceStart_.end() - 1);
    for (int t = 0; t < triangles; ++t) {
        for (int c = 0; c < 3; ++c) {
            pointFaces_[next[cornerPoints_[3 * t + c]]++] = t;
        }
    }
    // A coarse level of a large surface uses few of the points: the passes over points walk
    // only those its triangles use. The others keep a zero normal, as a point without faces
    // gets one, and count as smooth.
    usedPoints_.clear();
    for (int p = 0; p < numPoints; ++p) {
        if (pointFaceStart_[p + 1] > pointFaceStart_[p]) {
            usedPoints_.push_back(p);
        }
    }
    repeatsFace_.assign(numPoints, 0);
    for (int p = 0; p < numPoints; ++p) {
        for (int i = pointFaceStart_[p] + 1; i < pointFaceStart_[p + 1]; ++i) {
            if (pointFaces_[i] == pointFaces_[i - 1]) {
                repeatsFace_[p] = 1;
            }
        }
    }
    faceNormals_.resize(triangles);
    pointNormals_.assign(numPoints, SbVec3f(0.0f, 0.0f, 0.0f));
    smooth_.assign(numPoints, 1);
    for (int32_t p : usedPoints_) {
        smooth_[p] = 0;
    }
    blockSharpPoints_.assign(blocksOf(static_cast<int>(usedPoints_.size()), blockPoints), 0);
    smoothCorners_.resize(cornerPoints_.size());
    sharpTriangles_.resize(triangles);
    blockSmoothCount_.assign(blocksOf(triangles, blockTriangles), 0);
    blockSharpCount_.assign(blockSmoothCount_.size(), 0);
    numSharpPoints_ = static_cast<int>(usedPoints_.size());
    return true;
}

void SurfaceNormals::clear() {
    *this = SurfaceNormals();
}

void SurfaceNormals::update(const SbVec3f* points, float creaseAngle, bool counterClockwise) {
    const int triangles = numTriangles();
    if (triangles == 0) {
        return;
    }
    const float angle = std::isnan(creaseAngle) ? 0.0f : std::clamp(creaseAngle, 0.0f, float(M_PI));
    threshold_ = static_cast<float>(std::cos(static_cast<double>(angle)));
    // Two faces each less than half the crease angle from a direction lie within the crease
    // angle of each other; the margin outweighs any rounding of the dot products.
    const double halfAngle = angle / 2.0 - 1e-3;
    nearMeanThreshold_ = halfAngle > 0.0 ? static_cast<float>(std::cos(halfAngle)) : 2.0f;
    const int workers = workersFor(3LL * triangles);

    forEachItem(numBlocks(), workers,
                [&](int block) { updateFaceNormals(block, points, counterClockwise); });

    const int pointBlocks = static_cast<int>(blockSharpPoints_.size());
    forEachItem(pointBlocks, workers, [&](int block) {
        const int first = block * blockPoints;
        const int used = static_cast<int>(usedPoints_.size());
        blockSharpPoints_[block] =
            updatePointNormals(first, std::min(used, first + blockPoints), threshold_);
    });
    numSharpPoints_ = 0;
    for (int sharp : blockSharpPoints_) {
        numSharpPoints_ += sharp;
    }

    if (numSharpPoints_ > 0) {
        // Made when the first sharp point appears, and kept.
        sharpNormals_.resize(cornerPoints_.size());
        forEachItem(numBlocks(), workers, [&](int block) { sortBlock(block); });
    }
}

void SurfaceNormals::updateFaceNormals(int block, const SbVec3f* points, bool counterClockwise) {
    const int first = block * blockTriangles;
    const int end = std::min(numTriangles(), first + blockTriangles);
    for (int t = first; t < end; ++t) {
        const SbVec3f& a = points[cornerPoints_[3 * t]];
        const SbVec3f& b = points[cornerPoints_[3 * t + 1]];
        const SbVec3f& c = points[cornerPoints_[3 * t + 2]];
        const SbVec3f normal = counterClockwise ? cross(c - b, a - b) : cross(a - b, c - b);
        faceNormals_[t] = unitOrSame(normal);
    }
}

int SurfaceNormals::updatePointNormals(int first, int end, float threshold) {
    int sharp = 0;
    for (int k = first; k < end; ++k) {
        const int32_t p = usedPoints_[k];
        const int32_t* faces = pointFaces_.data() + pointFaceStart_[p];
        const int count = pointFaceStart_[p + 1] - pointFaceStart_[p];
        SbVec3f sum(0.0f, 0.0f, 0.0f);
        for (int i = 0; i < count; ++i) {
            sum += faceNormals_[faces[i]];
        }
        const SbVec3f mean = unitOrSame(sum);
        bool smooth = repeatsFace_[p] == 0;
        bool nearMean = smooth;
        for (int i = 0; i < count && nearMean; ++i) {
            nearMean = dot(faceNormals_[faces[i]], mean) > nearMeanThreshold_;
        }
        // Faces all close to their mean lie within the crease angle of each other; only the
        // rest need every pair compared.
        for (int i = 0; i < count && smooth && !nearMean; ++i) {
            const SbVec3f& normal = faceNormals_[faces[i]];
            for (int j = i + 1; j < count && smooth; ++j) {
                smooth = dot(normal, faceNormals_[faces[j]]) > threshold;
            }
        }
        smooth_[p] = smooth ? 1 : 0;
        if (smooth) {
            pointNormals_[p] = mean;
        } else {
            ++sharp;
        }
    }
    return sharp;
}

void SurfaceNormals::sortBlock(int block) {
    const int first = block * blockTriangles;
    const int end = std::min(numTriangles(), first + blockTriangles);
    uint32_t* smooth = smoothCorners_.data() + 3 * static_cast<size_t>(first);
    int32_t* sharp = sharpTriangles_.data() + first;
    int smoothCount = 0;
    int sharpCount = 0;
    for (int t = first; t < end; ++t) {
        const uint32_t* corners = cornerPoints_.data() + 3 * static_cast<size_t>(t);
        if (smooth_[corners[0]] && smooth_[corners[1]] && smooth_[corners[2]]) {
            std::copy(corners, corners + 3, smooth + 3 * smoothCount);
            ++smoothCount;
        } else {
            sharp[sharpCount++] = t;
        }
    }
    blockSmoothCount_[block] = smoothCount;
    blockSharpCount_[block] = sharpCount;
    SbVec3f* normals = sharpNormals_.data() + 3 * static_cast<size_t>(first);
    for (int i = 0; i < sharpCount; ++i) {
        for (int c = 0; c < 3; ++c) {
            normals[3 * i + c] = cornerNormal(sharp[i], c);
        }
    }
}

SbVec3f SurfaceNormals::cornerNormal(int t, int c) const {
    const uint32_t p = cornerPoints_[3 * static_cast<size_t>(t) + c];
    if (smooth_[p]) {
        return pointNormals_[p];
    }
    const SbVec3f& own = faceNormals_[t];
    SbVec3f sum = own;
    for (int i = pointFaceStart_[p]; i < pointFaceStart_[p + 1]; ++i) {
        const int32_t face = pointFaces_[i];
        if (face != t && dot(faceNormals_[face], own) > threshold_) {
            sum += faceNormals_[face];
        }
    }
    return unitOrSame(sum);
}

const uint32_t* SurfaceNormals::smoothCorners(int b) const {
    if (allSmooth()) {
        return cornerPoints_.data() + 3 * static_cast<size_t>(b) * blockTriangles;
    }
    return smoothCorners_.data() + 3 * static_cast<size_t>(b) * blockTriangles;
}

int SurfaceNormals::numSmoothTriangles(int b) const {
    if (allSmooth()) {
        return std::min(blockTriangles, numTriangles() - b * blockTriangles);
    }
    return blockSmoothCount_[b];
}

const int32_t* SurfaceNormals::sharpTriangles(int b) const {
    return sharpTriangles_.data() + static_cast<size_t>(b) * blockTriangles;
}

const SbVec3f* SurfaceNormals::sharpCornerNormals(int b) const {
    return sharpNormals_.data() + 3 * static_cast<size_t>(b) * blockTriangles;
}
