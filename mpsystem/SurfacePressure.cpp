#include "mpsystem/SurfacePressure.h"

#include "common/Finite.h"
#include "common/Workers.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)

// The same single- and double-precision operations as triangleCross, volumeTerm and the plain
// sums, lane by lane, so bit for bit. A point is loaded as four numbers; the arrays hold a
// readable one after the last.

inline __m128 load3(const SbVec3f& v) {
    return _mm_loadu_ps(&v[0]);
}

/// (y, z, x) and (z, x, y) of the first three lanes.
inline __m128 yzx(__m128 v) {
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 2, 1));
}
inline __m128 zxy(__m128 v) {
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 1, 0, 2));
}

/// a . cross in double precision: (ax cx + ay cy) + az cz.
inline double volumeLanes(__m128 a, __m128 cross) {
    const __m128d xy = _mm_mul_pd(_mm_cvtps_pd(a), _mm_cvtps_pd(cross));
    const __m128d z =
        _mm_mul_sd(_mm_cvtps_pd(_mm_movehl_ps(a, a)), _mm_cvtps_pd(_mm_movehl_ps(cross, cross)));
    return _mm_cvtsd_f64(_mm_add_sd(_mm_add_sd(xy, _mm_unpackhi_pd(xy, xy)), z));
}

#endif

bool hasArea(const int32_t* c) {
    return c[0] != c[1] && c[1] != c[2] && c[2] != c[0];
}

/// Adds the force to the point's sum unless the sum would leave the finite numbers.
inline void addIfFinite(SbVec3f& sum, const SbVec3f& force) {
    const SbVec3f total = sum + force;
    if (isFinite(total)) {
        sum = total;
    }
}

} // namespace

namespace {

/// The points in the order of a breadth-first walk over the triangles' edges, from the lowest
/// point of each separate part: neighbours on the surface come close together, however the file
/// numbers them. Points on no triangle come last, in their order.
std::vector<int32_t> walkOrder(const std::vector<int32_t>& corners, int32_t numPoints,
                               const std::vector<int32_t>& offsets,
                               const std::vector<int32_t>& triangles) {
    std::vector<int32_t> order;
    order.reserve(static_cast<std::size_t>(numPoints));
    std::vector<bool> seen(static_cast<std::size_t>(numPoints), false);
    for (int32_t start = 0; start < numPoints; ++start) {
        if (seen[static_cast<std::size_t>(start)] || offsets[start] == offsets[start + 1]) {
            continue;
        }
        seen[static_cast<std::size_t>(start)] = true;
        std::size_t next = order.size();
        order.push_back(start);
        for (; next < order.size(); ++next) {
            const int32_t i = order[next];
            for (int32_t k = offsets[i]; k < offsets[i + 1]; ++k) {
                for (int j = 0; j < 3; ++j) {
                    const int32_t c = corners[3 * static_cast<std::size_t>(triangles[k]) + j];
                    if (!seen[static_cast<std::size_t>(c)]) {
                        seen[static_cast<std::size_t>(c)] = true;
                        order.push_back(c);
                    }
                }
            }
        }
    }
    for (int32_t i = 0; i < numPoints; ++i) {
        if (!seen[static_cast<std::size_t>(i)]) {
            order.push_back(i);
        }
    }
    return order;
}

/// For each point its triangles, in triangle order: triangles[offsets[i] .. offsets[i + 1]).
void pointTriangles(const std::vector<int32_t>& corners, int32_t numPoints,
                    std::vector<int32_t>& offsets, std::vector<int32_t>& triangles) {
    offsets.assign(static_cast<std::size_t>(numPoints) + 1, 0);
    for (int32_t c : corners) {
        ++offsets[static_cast<std::size_t>(c) + 1];
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(numPoints); ++i) {
        offsets[i + 1] += offsets[i];
    }
    triangles.resize(corners.size());
    std::vector<int32_t> next(offsets.begin(), offsets.end() - 1);
    for (std::size_t k = 0; k < corners.size(); ++k) {
        triangles[static_cast<std::size_t>(next[corners[k]]++)] = static_cast<int32_t>(k / 3);
    }
}

} // namespace

// The triangles are taken in the order of a walk over the surface, so that the triangles of
// neighbouring points lie near each other in memory whatever order the file gave; the order is
// the body's own, the same however many threads run.
void SurfacePressure::build(const int32_t* faceIndices, std::size_t numFaceIndices,
                            int32_t numPoints) {
    numPoints_ = numPoints;
    std::vector<int32_t> fileCorners;
    for (std::size_t k = 0; k + 2 < numFaceIndices; k += 4) {
        if (hasArea(faceIndices + k)) {
            fileCorners.insert(fileCorners.end(), faceIndices + k, faceIndices + k + 3);
        }
    }
    pointTriangles(fileCorners, numPoints, pointOffsets_, pointTriangles_);
    pointOrder_ = walkOrder(fileCorners, numPoints, pointOffsets_, pointTriangles_);
    // Each triangle goes where the walk first meets one of its corners.
    std::vector<bool> placed(fileCorners.size() / 3, false);
    corners_.clear();
    corners_.reserve(fileCorners.size());
    for (int32_t i : pointOrder_) {
        for (int32_t k = pointOffsets_[i]; k < pointOffsets_[i + 1]; ++k) {
            const std::size_t t = static_cast<std::size_t>(pointTriangles_[k]);
            if (!placed[t]) {
                placed[t] = true;
                corners_.insert(corners_.end(), fileCorners.begin() + 3 * t,
                                fileCorners.begin() + 3 * t + 3);
            }
        }
    }
    pointTriangles(corners_, numPoints, pointOffsets_, pointTriangles_);
    crosses_.resize(corners_.size() / 3);
    blockVolumes_.resize((corners_.size() / 3 + blockSize - 1) / blockSize);
    sums_.resize(static_cast<std::size_t>(numPoints));
}

double SurfacePressure::volumeOf(const int32_t* faceIndices, std::size_t numFaceIndices,
                                 const SbVec3f* positions) {
    double total = 0;
    double block = 0;
    int32_t inBlock = 0;
    for (std::size_t k = 0; k + 2 < numFaceIndices; k += 4) {
        const int32_t* c = faceIndices + k;
        if (!hasArea(c)) {
            continue;
        }
        const SbVec3f& a = positions[c[0]];
        block += volumeTerm(a, triangleCross(a, positions[c[1]], positions[c[2]]));
        if (++inBlock == blockSize) {
            total += block;
            block = 0;
            inBlock = 0;
        }
    }
    return (total + block) / 6.0;
}

double SurfacePressure::areaOf(const int32_t* faceIndices, std::size_t numFaceIndices,
                               const SbVec3f* positions) {
    double area = 0;
    for (std::size_t k = 0; k + 2 < numFaceIndices; k += 4) {
        const int32_t* c = faceIndices + k;
        area += 0.5 * triangleCross(positions[c[0]], positions[c[1]], positions[c[2]]).length();
    }
    return area;
}

float SurfacePressure::forceScale(float pressure, double restVolume, double volume) {
    double ratio = restVolume / volume;
    if (!(ratio > 0.0) || ratio > mostCompression) {
        ratio = mostCompression;
    }
    const double outward = restVolume < 0.0 ? -1.0 : 1.0;
    return static_cast<float>(outward * pressure * ratio / 6.0);
}

void SurfacePressure::crossBlock(int32_t block, const SbVec3f* positions) {
    const int32_t first = block * blockSize;
    const int32_t last = std::min(first + blockSize, numTriangles());
    const int32_t* c = corners_.data() + 3 * static_cast<std::size_t>(first);
    Cross* cross = crosses_.data() + first;
    double sum = 0;
    for (int32_t t = first; t < last; ++t, c += 3, ++cross) {
#if defined(__SSE2__)
        const __m128 a = load3(positions[c[0]]);
        const __m128 u = _mm_sub_ps(load3(positions[c[1]]), a);
        const __m128 v = _mm_sub_ps(load3(positions[c[2]]), a);
        const __m128 product = _mm_sub_ps(_mm_mul_ps(yzx(u), zxy(v)), _mm_mul_ps(zxy(u), yzx(v)));
        _mm_store_ps(&cross->x, product);
        sum += volumeLanes(a, product);
#else
        const SbVec3f& a = positions[c[0]];
        const SbVec3f product = triangleCross(a, positions[c[1]], positions[c[2]]);
        *cross = Cross{product[0], product[1], product[2], 0.0f};
        sum += volumeTerm(a, product);
#endif
    }
    blockVolumes_[static_cast<std::size_t>(block)] = sum;
}

void SurfacePressure::pushPoints(int32_t block, float scale, SbVec3f* forces) const {
    const int32_t first = block * blockSize;
    const int32_t last = std::min(first + blockSize, numPoints_);
    const int32_t* triangles = pointTriangles_.data();
    const Cross* crosses = crosses_.data();
    for (int32_t k = first; k < last; ++k) {
        const int32_t i = pointOrder_[static_cast<std::size_t>(k)];
#if defined(__SSE2__)
        __m128 sum = _mm_setzero_ps();
        for (int32_t t = pointOffsets_[i]; t < pointOffsets_[i + 1]; ++t) {
            sum = _mm_add_ps(sum, _mm_load_ps(&crosses[triangles[t]].x));
        }
        const __m128 force = _mm_mul_ps(sum, _mm_set1_ps(scale));
        float lanes[4];
        _mm_storeu_ps(lanes, force);
        addIfFinite(forces[i], SbVec3f(lanes[0], lanes[1], lanes[2]));
#else
        SbVec3f sum(0.0f, 0.0f, 0.0f);
        for (int32_t t = pointOffsets_[i]; t < pointOffsets_[i + 1]; ++t) {
            const Cross& cross = crosses[triangles[t]];
            sum += SbVec3f(cross.x, cross.y, cross.z);
        }
        addIfFinite(forces[i], sum * scale);
#endif
    }
}

double SurfacePressure::addForces(float pressure, double restVolume, const SbVec3f* positions,
                                  SbVec3f* forces, int workers) {
    const int32_t triangleBlocks = static_cast<int32_t>(blockVolumes_.size());
    forEachItem(triangleBlocks, std::min(workers, std::max(triangleBlocks, 1)),
                [&](int block) { crossBlock(block, positions); });
    double total = 0;
    for (double block : blockVolumes_) {
        total += block;
    }
    const double volume = total / 6.0;
    const float scale = forceScale(pressure, restVolume, volume);
    const int32_t pointBlocks = (numPoints_ + blockSize - 1) / blockSize;
    forEachItem(pointBlocks, std::min(workers, std::max(pointBlocks, 1)),
                [&](int block) { pushPoints(block, scale, forces); });
    return volume;
}

double SurfacePressure::addPlainForces(float pressure, double restVolume, const SbVec3f* positions,
                                       SbVec3f* forces) {
    double total = 0;
    double block = 0;
    for (int32_t t = 0; t < numTriangles(); ++t) {
        const int32_t* c = corners_.data() + 3 * static_cast<std::size_t>(t);
        const SbVec3f& a = positions[c[0]];
        block += volumeTerm(a, triangleCross(a, positions[c[1]], positions[c[2]]));
        if ((t + 1) % blockSize == 0) {
            total += block;
            block = 0;
        }
    }
    const double volume = (total + block) / 6.0;
    const float scale = forceScale(pressure, restVolume, volume);
    std::fill(sums_.begin(), sums_.end(), SbVec3f(0.0f, 0.0f, 0.0f));
    for (int32_t t = 0; t < numTriangles(); ++t) {
        const int32_t* c = corners_.data() + 3 * static_cast<std::size_t>(t);
        const SbVec3f cross = triangleCross(positions[c[0]], positions[c[1]], positions[c[2]]);
        for (int k = 0; k < 3; ++k) {
            sums_[static_cast<std::size_t>(c[k])] += cross;
        }
    }
    for (int32_t i = 0; i < numPoints_; ++i) {
        addIfFinite(forces[i], sums_[static_cast<std::size_t>(i)] * scale);
    }
    return volume;
}
