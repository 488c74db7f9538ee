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
    placedBefore_.clear();
    for (std::size_t k = 0; k < pointOrder_.size(); ++k) {
        if (k % partPoints == 0) {
            placedBefore_.push_back(static_cast<int32_t>(corners_.size() / 3));
        }
        const int32_t i = pointOrder_[k];
        for (int32_t k = pointOffsets_[i]; k < pointOffsets_[i + 1]; ++k) {
            const std::size_t t = static_cast<std::size_t>(pointTriangles_[k]);
            if (!placed[t]) {
                placed[t] = true;
                corners_.insert(corners_.end(), fileCorners.begin() + 3 * t,
                                fileCorners.begin() + 3 * t + 3);
            }
        }
    }
    placedBefore_.push_back(static_cast<int32_t>(corners_.size() / 3));
    // Each point's triangles, laid out in the walk's order of the points, which the pass reads
    // straight through.
    std::vector<int32_t> offsets;
    std::vector<int32_t> triangles;
    pointTriangles(corners_, numPoints, offsets, triangles);
    pointOffsets_.assign(1, 0);
    pointTriangles_.clear();
    pointTriangles_.reserve(triangles.size());
    for (int32_t i : pointOrder_) {
        pointTriangles_.insert(pointTriangles_.end(), triangles.begin() + offsets[i],
                               triangles.begin() + offsets[i + 1]);
        pointOffsets_.push_back(static_cast<int32_t>(pointTriangles_.size()));
    }
    // A part needs the triangles of its points: those it placed, and the earlier ones that its
    // first points share with the part before.
    const std::size_t parts = placedBefore_.size() - 1;
    neededFrom_.assign(parts, 0);
    partCrosses_.assign(parts + 1, 0);
    for (std::size_t p = 0; p < parts; ++p) {
        int32_t first = placedBefore_[p];
        for (std::size_t k = p * partPoints; k < std::min(pointOrder_.size(), (p + 1) * partPoints);
             ++k) {
            if (pointOffsets_[k] < pointOffsets_[k + 1]) {
                first =
                    std::min(first, pointTriangles_[static_cast<std::size_t>(pointOffsets_[k])]);
            }
        }
        neededFrom_[p] = first;
        partCrosses_[p + 1] = partCrosses_[p] + (placedBefore_[p + 1] - first);
    }
    crosses_.resize(static_cast<std::size_t>(partCrosses_.back()));
    partVolumes_.resize(parts);
    sums_.resize(static_cast<std::size_t>(numPoints));
    plainSums_.resize(static_cast<std::size_t>(numPoints));
    plainCrosses_.resize(corners_.size() / 3);
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

// A part's triangles are done just before its points take their sums, while they are cached.
void SurfacePressure::sumPart(int32_t part, const SbVec3f* positions) {
    const int32_t first = neededFrom_[part];
    const int32_t own = placedBefore_[part];
    const int32_t end = placedBefore_[part + 1];
    Cross* crosses = crosses_.data() + partCrosses_[part] - first;
    double volume = 0;
    for (int32_t t = first; t < end; ++t) {
        const int32_t* c = corners_.data() + 3 * static_cast<std::size_t>(t);
#if defined(__SSE2__)
        const __m128 a = load3(positions[c[0]]);
        const __m128 u = _mm_sub_ps(load3(positions[c[1]]), a);
        const __m128 v = _mm_sub_ps(load3(positions[c[2]]), a);
        const __m128 product = _mm_sub_ps(_mm_mul_ps(yzx(u), zxy(v)), _mm_mul_ps(zxy(u), yzx(v)));
        _mm_store_ps(&crosses[t].x, product);
        if (t >= own) {
            volume += volumeLanes(a, product);
        }
#else
        const SbVec3f& a = positions[c[0]];
        const SbVec3f product = triangleCross(a, positions[c[1]], positions[c[2]]);
        crosses[t] = Cross{product[0], product[1], product[2], 0.0f};
        if (t >= own) {
            volume += volumeTerm(a, product);
        }
#endif
    }
    partVolumes_[static_cast<std::size_t>(part)] = volume;
    const int32_t* triangles = pointTriangles_.data();
    const std::size_t last = std::min(pointOrder_.size(), (part + 1) * std::size_t(partPoints));
    for (std::size_t k = part * std::size_t(partPoints); k < last; ++k) {
#if defined(__SSE2__)
        __m128 sum = _mm_setzero_ps();
        for (int32_t t = pointOffsets_[k]; t < pointOffsets_[k + 1]; ++t) {
            sum = _mm_add_ps(sum, _mm_load_ps(&crosses[triangles[t]].x));
        }
        _mm_store_ps(&sums_[k].x, sum);
#else
        SbVec3f sum(0.0f, 0.0f, 0.0f);
        for (int32_t t = pointOffsets_[k]; t < pointOffsets_[k + 1]; ++t) {
            const Cross& cross = crosses[triangles[t]];
            sum += SbVec3f(cross.x, cross.y, cross.z);
        }
        sums_[k] = Cross{sum[0], sum[1], sum[2], 0.0f};
#endif
    }
}

void SurfacePressure::pushPart(int32_t part, float scale, SbVec3f* forces) const {
    const std::size_t last = std::min(pointOrder_.size(), (part + 1) * std::size_t(partPoints));
    for (std::size_t k = part * std::size_t(partPoints); k < last; ++k) {
        const Cross& sum = sums_[k];
        addIfFinite(forces[pointOrder_[k]], SbVec3f(sum.x, sum.y, sum.z) * scale);
    }
}

double SurfacePressure::addForces(float pressure, double restVolume, const SbVec3f* positions,
                                  SbVec3f* forces, int workers) {
    const int32_t parts = static_cast<int32_t>(partVolumes_.size());
    const int threads = std::min(workers, std::max(parts, 1));
    forEachItem(parts, threads, [&](int part) { sumPart(part, positions); });
    double total = 0;
    for (double part : partVolumes_) {
        total += part;
    }
    const double volume = total / 6.0;
    const float scale = forceScale(pressure, restVolume, volume);
    forEachItem(parts, threads, [&](int part) { pushPart(part, scale, forces); });
    return volume;
}

double SurfacePressure::addPlainForces(float pressure, double restVolume, const SbVec3f* positions,
                                       SbVec3f* forces) {
    for (int32_t t = 0; t < numTriangles(); ++t) {
        const int32_t* c = corners_.data() + 3 * static_cast<std::size_t>(t);
        plainCrosses_[static_cast<std::size_t>(t)] =
            triangleCross(positions[c[0]], positions[c[1]], positions[c[2]]);
    }
    // Summed part by part, as the threads sum it.
    double total = 0;
    for (std::size_t p = 0; p + 1 < placedBefore_.size(); ++p) {
        double part = 0;
        for (int32_t t = placedBefore_[p]; t < placedBefore_[p + 1]; ++t) {
            part += volumeTerm(positions[corners_[3 * static_cast<std::size_t>(t)]],
                               plainCrosses_[static_cast<std::size_t>(t)]);
        }
        total += part;
    }
    const double volume = total / 6.0;
    const float scale = forceScale(pressure, restVolume, volume);
    std::fill(plainSums_.begin(), plainSums_.end(), SbVec3f(0.0f, 0.0f, 0.0f));
    for (int32_t t = 0; t < numTriangles(); ++t) {
        for (int k = 0; k < 3; ++k) {
            plainSums_[static_cast<std::size_t>(corners_[3 * static_cast<std::size_t>(t) + k])] +=
                plainCrosses_[static_cast<std::size_t>(t)];
        }
    }
    for (int32_t i = 0; i < numPoints_; ++i) {
        addIfFinite(forces[i], plainSums_[static_cast<std::size_t>(i)] * scale);
    }
    return volume;
}
