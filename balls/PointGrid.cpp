#include "balls/PointGrid.h"

#include <algorithm>
#include <cmath>

namespace {

/// Buckets for `count` points: a power of two, at least twice the count, so that few cells
/// share a bucket.
uint32_t bucketCount(int count) {
    uint32_t buckets = 2;
    while (buckets < 2u * static_cast<uint32_t>(std::max(count, 1))) {
        buckets *= 2;
    }
    return buckets;
}

/// Cell numbers stay within this, so that neighbouring numbers never overflow.
constexpr float cellLimit = 1e9f;

int32_t cellNumber(float offset) {
    const float cell = std::floor(offset);
    if (!(cell > -cellLimit)) {
        return static_cast<int32_t>(-cellLimit);
    }
    return static_cast<int32_t>(std::min(cell, cellLimit));
}

} // namespace

void PointGrid::reserve(int count) {
    const int n = std::max(count, 0);
    bucketStart_.reserve(bucketCount(n) + 1);
    sortedPoints_.reserve(n);
    sortedCells_.reserve(n);
    pointBuckets_.reserve(n);
}

PointGrid::Cell PointGrid::cellOf(const SbVec3f& p) const {
    return Cell{cellNumber((p[0] - origin_[0]) * inverseCellSize_),
                cellNumber((p[1] - origin_[1]) * inverseCellSize_),
                cellNumber((p[2] - origin_[2]) * inverseCellSize_)};
}

void PointGrid::build(const SbVec3f* points, int count, float cellSize) {
    const int n = std::max(count, 0);
    origin_ = n > 0 ? points[0] : SbVec3f(0, 0, 0);
    for (int k = 1; k < n; ++k) {
        for (int a = 0; a < 3; ++a) {
            origin_[a] = std::min(origin_[a], points[k][a]);
        }
    }
    inverseCellSize_ = 1.0f / cellSize;
    const uint32_t buckets = bucketCount(n);
    mask_ = buckets - 1;
    bucketStart_.assign(buckets + 1, 0);
    pointBuckets_.resize(n);
    for (int k = 0; k < n; ++k) {
        const uint32_t bucket = bucketOf(cellOf(points[k]));
        pointBuckets_[k] = bucket;
        ++bucketStart_[bucket + 1];
    }
    for (uint32_t b = 0; b < buckets; ++b) {
        bucketStart_[b + 1] += bucketStart_[b];
    }
    sortedPoints_.resize(n);
    sortedCells_.resize(n);
    // Each bucket's start serves as its cursor, then moves back one bucket.
    for (int k = 0; k < n; ++k) {
        const int32_t e = bucketStart_[pointBuckets_[k]]++;
        sortedPoints_[e] = k;
        sortedCells_[e] = cellOf(points[k]);
    }
    for (uint32_t b = buckets; b > 0; --b) {
        bucketStart_[b] = bucketStart_[b - 1];
    }
    bucketStart_[0] = 0;
}
