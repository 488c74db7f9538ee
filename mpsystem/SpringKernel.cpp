#include "mpsystem/SpringKernel.h"

#include "mpsystem/MpSystem.h"

#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#define PLIMMERTON_AVX2 1
#include <immintrin.h>
#endif

namespace {

/// One spring, as MpSystem::springForce computes it; it also does the springs that do not
/// fill a whole group.
template <typename Length>
void oneSpring(const SbVec3f* positions, const SpringEnds* springs, const Length* restLengths,
               Length* lastLengths, const SpringForceLanes& out, int32_t j, int32_t s,
               const SpringConstants& k) {
    const SbVec3f d = positions[springs[s].a] - positions[springs[s].b];
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    out.x[j] = 0.0f;
    out.y[j] = 0.0f;
    out.z[j] = 0.0f;
    if (length == 0.0f) {
        lastLengths[s] = 0;
        return;
    }
    if (!std::isfinite(length)) {
        return;
    }
    const double kd = k.springDamping;
    const double ks = k.stiffness;
    const double len = length;
    const float fd = static_cast<float>(-kd * (len - lastLengths[s]) / k.dt / len);
    const float fs = static_cast<float>(-ks * (len - restLengths[s]) / len);
    lastLengths[s] = static_cast<Length>(len);
    const SbVec3f f = d * (fs + fd);
    if (std::isfinite(f[0]) && std::isfinite(f[1]) && std::isfinite(f[2])) {
        out.x[j] = f[0];
        out.y[j] = f[1];
        out.z[j] = f[2];
    }
}

#if defined(__SSE2__)

/// Springs are done in groups of this many: first their ends' offsets are gathered, then the
/// arithmetic runs over the group four (or eight) lanes at a time.
constexpr int32_t groupSize = 64;

/// The offsets a - b between the ends of springs s to s + groupSize - 1, one row per axis, so
/// that the arithmetic can load whole lanes.
inline void gatherOffsets(const SbVec3f* positions, const SpringEnds* springs, int32_t s,
                          float (&d)[3][groupSize]) {
    for (int32_t j = 0; j < groupSize; ++j) {
        const SbVec3f& a = positions[springs[s + j].a];
        const SbVec3f& b = positions[springs[s + j].b];
        d[0][j] = a[0] - b[0];
        d[1][j] = a[1] - b[1];
        d[2][j] = a[2] - b[2];
    }
}

/// All bits set in the lanes whose value is finite.
inline __m128 finiteLanes(__m128 x) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
    return _mm_cmple_ps(magnitude, _mm_set1_ps(std::numeric_limits<float>::max()));
}

// Two lengths in double precision, loaded from either precision and stored back to it (where
// a single-precision number is always the exact value).
inline __m128d loadTwo(const double* x) {
    return _mm_loadu_pd(x);
}

inline __m128d loadTwo(const float* x) {
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(x))));
}

inline void storeTwo(double* x, __m128d lanes) {
    _mm_storeu_pd(x, lanes);
}

inline void storeTwo(float* x, __m128d lanes) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(x), _mm_castps_si128(_mm_cvtpd_ps(lanes)));
}

/// The force coefficients fs + fd of two springs from t on (in the low two lanes), with their
/// last lengths advanced. Packed division rounds each lane exactly as the scalar one does.
template <typename Length>
inline __m128 twoCoefficients(__m128d len, const Length* restLengths, Length* lastLengths,
                              int32_t t, __m128d negKd, __m128d negKs, __m128d dt) {
    const __m128d lastLen = loadTwo(lastLengths + t);
    const __m128d restLen = loadTwo(restLengths + t);
    const __m128d fd = _mm_div_pd(_mm_div_pd(_mm_mul_pd(negKd, _mm_sub_pd(len, lastLen)), dt), len);
    const __m128d fs = _mm_div_pd(_mm_mul_pd(negKs, _mm_sub_pd(len, restLen)), len);

    // The last length becomes len, or 0 for a spring of no length, and stays as it was for a
    // spring whose length is beyond single precision.
    const __m128d finite = _mm_cmple_pd(len, _mm_set1_pd(std::numeric_limits<float>::max()));
    const __m128d usable = _mm_andnot_pd(_mm_cmpeq_pd(len, _mm_setzero_pd()), finite);
    storeTwo(lastLengths + t, _mm_or_pd(_mm_and_pd(usable, len), _mm_andnot_pd(finite, lastLen)));
    return _mm_add_ps(_mm_cvtpd_ps(fs), _mm_cvtpd_ps(fd));
}

/// A full group of springs from s on, their forces from lane j of `forces` on: lane by lane the
/// operations of oneSpring, whose guards become lane masks.
template <typename Length>
void springGroup(const SbVec3f* positions, const SpringEnds* springs, const Length* restLengths,
                 Length* lastLengths, const SpringForceLanes& forces, int32_t j0, int32_t s,
                 const SpringConstants& k) {
    alignas(16) float d[3][groupSize];
    gatherOffsets(positions, springs, s, d);
    const __m128d negKd = _mm_set1_pd(-static_cast<double>(k.springDamping));
    const __m128d negKs = _mm_set1_pd(-static_cast<double>(k.stiffness));
    const __m128d dt = _mm_set1_pd(k.dt);
    for (int32_t j = 0; j < groupSize; j += 4) {
        const __m128 x = _mm_load_ps(d[0] + j);
        const __m128 y = _mm_load_ps(d[1] + j);
        const __m128 z = _mm_load_ps(d[2] + j);
        const __m128 length = _mm_sqrt_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)), _mm_mul_ps(z, z)));
        const __m128 low = twoCoefficients(_mm_cvtps_pd(length), restLengths, lastLengths, s + j,
                                           negKd, negKs, dt);
        const __m128 high = twoCoefficients(_mm_cvtps_pd(_mm_movehl_ps(length, length)),
                                            restLengths, lastLengths, s + j + 2, negKd, negKs, dt);
        const __m128 coefficient = _mm_movelh_ps(low, high);
        const __m128 fx = _mm_mul_ps(x, coefficient);
        const __m128 fy = _mm_mul_ps(y, coefficient);
        const __m128 fz = _mm_mul_ps(z, coefficient);
        const __m128 usable =
            _mm_andnot_ps(_mm_cmpeq_ps(length, _mm_setzero_ps()), finiteLanes(length));
        const __m128 valid = _mm_and_ps(_mm_and_ps(usable, finiteLanes(fx)),
                                        _mm_and_ps(finiteLanes(fy), finiteLanes(fz)));
        _mm_storeu_ps(forces.x + j0 + j, _mm_and_ps(valid, fx));
        _mm_storeu_ps(forces.y + j0 + j, _mm_and_ps(valid, fy));
        _mm_storeu_ps(forces.z + j0 + j, _mm_and_ps(valid, fz));
    }
}

#if defined(PLIMMERTON_AVX2)

// The same group eight lanes wide, for processors that have AVX2 (checked at run time). The
// target enables AVX2 only, not fused multiply-add, so no product and sum are ever merged into
// one rounding.

__attribute__((target("avx2"))) inline __m256 finiteLanes8(__m256 x) {
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
    return _mm256_cmp_ps(magnitude, _mm256_set1_ps(std::numeric_limits<float>::max()), _CMP_LE_OQ);
}

__attribute__((target("avx2"))) inline __m256d loadFour(const double* x) {
    return _mm256_loadu_pd(x);
}

__attribute__((target("avx2"))) inline __m256d loadFour(const float* x) {
    return _mm256_cvtps_pd(_mm_loadu_ps(x));
}

__attribute__((target("avx2"))) inline void storeFour(double* x, __m256d lanes) {
    _mm256_storeu_pd(x, lanes);
}

__attribute__((target("avx2"))) inline void storeFour(float* x, __m256d lanes) {
    _mm_storeu_ps(x, _mm256_cvtpd_ps(lanes));
}

template <typename Length>
__attribute__((target("avx2"))) inline __m128
fourCoefficients(__m128 length, const Length* restLengths, Length* lastLengths, __m256d negKd,
                 __m256d negKs, __m256d dt) {
    const __m256d len = _mm256_cvtps_pd(length);
    const __m256d lastLen = loadFour(lastLengths);
    const __m256d restLen = loadFour(restLengths);
    const __m256d fd =
        _mm256_div_pd(_mm256_div_pd(_mm256_mul_pd(negKd, _mm256_sub_pd(len, lastLen)), dt), len);
    const __m256d fs = _mm256_div_pd(_mm256_mul_pd(negKs, _mm256_sub_pd(len, restLen)), len);
    const __m256d finite =
        _mm256_cmp_pd(len, _mm256_set1_pd(std::numeric_limits<float>::max()), _CMP_LE_OQ);
    const __m256d usable =
        _mm256_andnot_pd(_mm256_cmp_pd(len, _mm256_setzero_pd(), _CMP_EQ_OQ), finite);
    storeFour(lastLengths,
              _mm256_or_pd(_mm256_and_pd(usable, len), _mm256_andnot_pd(finite, lastLen)));
    return _mm_add_ps(_mm256_cvtpd_ps(fs), _mm256_cvtpd_ps(fd));
}

template <typename Length>
__attribute__((target("avx2"))) void
springGroup8(const SbVec3f* positions, const SpringEnds* springs, const Length* restLengths,
             Length* lastLengths, const SpringForceLanes& forces, int32_t j0, int32_t s,
             const SpringConstants& k) {
    alignas(32) float d[3][groupSize];
    gatherOffsets(positions, springs, s, d);
    const __m256d negKd = _mm256_set1_pd(-static_cast<double>(k.springDamping));
    const __m256d negKs = _mm256_set1_pd(-static_cast<double>(k.stiffness));
    const __m256d dt = _mm256_set1_pd(k.dt);
    for (int32_t j = 0; j < groupSize; j += 8) {
        const __m256 x = _mm256_load_ps(d[0] + j);
        const __m256 y = _mm256_load_ps(d[1] + j);
        const __m256 z = _mm256_load_ps(d[2] + j);
        const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
            _mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(y, y)), _mm256_mul_ps(z, z)));
        const __m128 low = fourCoefficients(_mm256_castps256_ps128(length), restLengths + s + j,
                                            lastLengths + s + j, negKd, negKs, dt);
        const __m128 high =
            fourCoefficients(_mm256_extractf128_ps(length, 1), restLengths + s + j + 4,
                             lastLengths + s + j + 4, negKd, negKs, dt);
        const __m256 coefficient = _mm256_set_m128(high, low);
        const __m256 fx = _mm256_mul_ps(x, coefficient);
        const __m256 fy = _mm256_mul_ps(y, coefficient);
        const __m256 fz = _mm256_mul_ps(z, coefficient);
        const __m256 usable = _mm256_andnot_ps(
            _mm256_cmp_ps(length, _mm256_setzero_ps(), _CMP_EQ_OQ), finiteLanes8(length));
        const __m256 valid = _mm256_and_ps(_mm256_and_ps(usable, finiteLanes8(fx)),
                                           _mm256_and_ps(finiteLanes8(fy), finiteLanes8(fz)));
        _mm256_storeu_ps(forces.x + j0 + j, _mm256_and_ps(valid, fx));
        _mm256_storeu_ps(forces.y + j0 + j, _mm256_and_ps(valid, fy));
        _mm256_storeu_ps(forces.z + j0 + j, _mm256_and_ps(valid, fz));
    }
}

const bool hasAvx2 = __builtin_cpu_supports("avx2");

#endif

#endif

} // namespace

template <typename Length>
void computeSpringForces(const SbVec3f* positions, const SpringEnds* springs,
                         SlotLengths<Length>& lengths, const SpringForceLanes& forces,
                         int32_t first, int32_t last, const SpringConstants& constants) {
    const Length* restLengths = lengths.rest.data();
    Length* lastLengths = lengths.last.data();
    int32_t s = first;
#if defined(__SSE2__)
#if defined(PLIMMERTON_AVX2)
    if (hasAvx2) {
        for (; s + groupSize <= last; s += groupSize) {
            springGroup8(positions, springs, restLengths, lastLengths, forces, s - first, s,
                         constants);
        }
    }
#endif
    for (; s + groupSize <= last; s += groupSize) {
        springGroup(positions, springs, restLengths, lastLengths, forces, s - first, s, constants);
    }
#endif
    for (; s < last; ++s) {
        oneSpring(positions, springs, restLengths, lastLengths, forces, s - first, s, constants);
    }
}

template void computeSpringForces(const SbVec3f*, const SpringEnds*, SlotLengths<float>&,
                                  const SpringForceLanes&, int32_t, int32_t,
                                  const SpringConstants&);
template void computeSpringForces(const SbVec3f*, const SpringEnds*, SlotLengths<double>&,
                                  const SpringForceLanes&, int32_t, int32_t,
                                  const SpringConstants&);
