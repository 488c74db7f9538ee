#include "mpsystem/PointMotion.h"

#if defined(__SSE2__)

#include <cfloat>

#include <emmintrin.h>
#if defined(__x86_64__)
#define PLIMMERTON_AVX2 1
#include <immintrin.h>
#endif

namespace {

// A point's three components in the low lanes of a register, with the next point's first (or
// the spare point's) in the fourth, which is never stored; and back.
inline __m128 load3(const SbVec3f& v) {
    return _mm_loadu_ps(&v[0]);
}

inline void store3(__m128 lanes, SbVec3f& v) {
    float* x = &v[0];
    _mm_storel_pi(reinterpret_cast<__m64*>(x), lanes);
    _mm_store_ss(x + 2, _mm_movehl_ps(lanes, lanes));
}

/// Bit k set when lane k is a finite number.
inline int finiteLanes(__m128 lanes) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), lanes);
    return _mm_movemask_ps(_mm_cmple_ps(magnitude, _mm_set1_ps(FLT_MAX)));
}

/// The new velocity and position of a point whose mass is positive, or a stop.
inline void settle(__m128 velocity, __m128 position, SbVec3f& v, SbVec3f& p,
                   std::atomic<bool>& stopped) {
    if ((finiteLanes(velocity) & finiteLanes(position) & 7) == 7) {
        store3(velocity, v);
        store3(position, p);
    } else {
        v.setValue(0.0f, 0.0f, 0.0f);
        stopped.store(true, std::memory_order_relaxed);
    }
}

/// One point: its three components side by side in a register, one division for all three.
inline void movePoint(const PointArrays& points, int32_t i, float damping, float dt) {
    const float m = points.masses[i];
    if (!(m > 0.0f)) {
        return;
    }
    const __m128 v = load3(points.velocities[i]);
    const __m128 dtLanes = _mm_set1_ps(dt);
    const __m128 a = _mm_div_ps(
        _mm_sub_ps(load3(points.forces[i]), _mm_mul_ps(_mm_set1_ps(damping), v)), _mm_set1_ps(m));
    const __m128 velocity = _mm_add_ps(v, _mm_mul_ps(dtLanes, a));
    const __m128 position = _mm_add_ps(load3(points.positions[i]), _mm_mul_ps(dtLanes, velocity));
    settle(velocity, position, points.velocities[i], points.positions[i], *points.stopped);
}

#if defined(PLIMMERTON_AVX2)

// Two points at a time, one in each half of an AVX register.

__attribute__((target("avx2"))) inline __m256 loadPair(const SbVec3f* values, int32_t i,
                                                       int32_t j) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(load3(values[i])), load3(values[j]), 1);
}

__attribute__((target("avx2"))) void movePair(const PointArrays& points, int32_t i, int32_t j,
                                              float damping, float dt) {
    const float mi = points.masses[i];
    const float mj = points.masses[j];
    const __m256 v = loadPair(points.velocities, i, j);
    const __m256 dtLanes = _mm256_set1_ps(dt);
    const __m256 a = _mm256_div_ps(
        _mm256_sub_ps(loadPair(points.forces, i, j), _mm256_mul_ps(_mm256_set1_ps(damping), v)),
        _mm256_set_m128(_mm_set1_ps(mj), _mm_set1_ps(mi)));
    const __m256 velocity = _mm256_add_ps(v, _mm256_mul_ps(dtLanes, a));
    const __m256 position =
        _mm256_add_ps(loadPair(points.positions, i, j), _mm256_mul_ps(dtLanes, velocity));
    if (mi > 0.0f) {
        settle(_mm256_castps256_ps128(velocity), _mm256_castps256_ps128(position),
               points.velocities[i], points.positions[i], *points.stopped);
    }
    if (mj > 0.0f) {
        settle(_mm256_extractf128_ps(velocity, 1), _mm256_extractf128_ps(position, 1),
               points.velocities[j], points.positions[j], *points.stopped);
    }
}

const bool hasAvx2 = __builtin_cpu_supports("avx2");

#endif

} // namespace

void movePoints(const PointArrays& points, const int32_t* first, const int32_t* last, float damping,
                float dt) {
#if defined(PLIMMERTON_AVX2)
    if (hasAvx2) {
        for (; last - first >= 2; first += 2) {
            movePair(points, first[0], first[1], damping, dt);
        }
    }
#endif
    for (; first != last; ++first) {
        movePoint(points, *first, damping, dt);
    }
}

#endif
