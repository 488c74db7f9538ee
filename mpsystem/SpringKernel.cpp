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
void oneSpring(const SbVec3f* positions, const SpringOffsets* springs, const Length* restLengths,
               Length* lastLengths, SpringForce* out, int32_t k, const SpringConstants& c) {
    const SbVec3f d = pointAt(positions, springs[k].a) - pointAt(positions, springs[k].b);
    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    *out = SpringForce{0.0f, 0.0f, 0.0f, 0.0f};
    if (length == 0.0f) {
        lastLengths[k] = 0;
        return;
    }
    if (!std::isfinite(length)) {
        return;
    }
    const double kd = c.springDamping;
    const double ks = c.stiffness;
    const double len = length;
    const float fd = static_cast<float>(-kd * (len - lastLengths[k]) / c.dt / len);
    const float fs = static_cast<float>(-ks * (len - restLengths[k]) / len);
    lastLengths[k] = static_cast<Length>(len);
    const SbVec3f f = d * (fs + fd);
    if (std::isfinite(f[0]) && std::isfinite(f[1]) && std::isfinite(f[2])) {
        *out = SpringForce{f[0], f[1], f[2], 0.0f};
    }
}

#if defined(__SSE2__)

/// A point's three coordinates in the low lanes of a register, the fourth lane 0. The 64-bit
/// type of the pair load may stand for any data.
inline __m128 loadPoint(const SbVec3f& p) {
    const float* x = &p[0];
    return _mm_movelh_ps(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(x)),
                         _mm_load_ss(x + 2));
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

/// The force coefficients fs + fd of two springs from k on (in the low two lanes), with their
/// last lengths advanced. Packed division rounds each lane exactly as the scalar one does.
template <typename Length>
inline __m128 twoCoefficients(__m128d len, const Length* restLengths, Length* lastLengths,
                              int32_t k, __m128d negKd, __m128d negKs, __m128d dt) {
    const __m128d lastLen = loadTwo(lastLengths + k);
    const __m128d restLen = loadTwo(restLengths + k);
    const __m128d fd = _mm_div_pd(_mm_div_pd(_mm_mul_pd(negKd, _mm_sub_pd(len, lastLen)), dt), len);
    const __m128d fs = _mm_div_pd(_mm_mul_pd(negKs, _mm_sub_pd(len, restLen)), len);

    // The last length becomes len (0 for a spring of no length) and stays as it was for a
    // spring whose length is beyond single precision.
    const __m128d finite = _mm_cmple_pd(len, _mm_set1_pd(std::numeric_limits<float>::max()));
    storeTwo(lastLengths + k, _mm_or_pd(_mm_and_pd(finite, len), _mm_andnot_pd(finite, lastLen)));
    return _mm_add_ps(_mm_cvtpd_ps(fs), _mm_cvtpd_ps(fd));
}

/// Springs k to k + 3, their forces to out[0 .. 3]: lane by lane the operations of oneSpring,
/// whose guards become lane masks. The offsets a - b are gathered one spring to a register and
/// turned into one register per axis.
template <typename Length>
void fourSprings(const SbVec3f* positions, const SpringOffsets* springs, const Length* restLengths,
                 Length* lastLengths, SpringForce* out, int32_t k, const SpringConstants& c) {
    __m128 x = _mm_sub_ps(loadPoint(pointAt(positions, springs[k].a)),
                          loadPoint(pointAt(positions, springs[k].b)));
    __m128 y = _mm_sub_ps(loadPoint(pointAt(positions, springs[k + 1].a)),
                          loadPoint(pointAt(positions, springs[k + 1].b)));
    __m128 z = _mm_sub_ps(loadPoint(pointAt(positions, springs[k + 2].a)),
                          loadPoint(pointAt(positions, springs[k + 2].b)));
    __m128 w = _mm_sub_ps(loadPoint(pointAt(positions, springs[k + 3].a)),
                          loadPoint(pointAt(positions, springs[k + 3].b)));
    _MM_TRANSPOSE4_PS(x, y, z, w);
    const __m128 length =
        _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)), _mm_mul_ps(z, z)));
    const __m128d negKd = _mm_set1_pd(-static_cast<double>(c.springDamping));
    const __m128d negKs = _mm_set1_pd(-static_cast<double>(c.stiffness));
    const __m128d dt = _mm_set1_pd(c.dt);
    const __m128 low =
        twoCoefficients(_mm_cvtps_pd(length), restLengths, lastLengths, k, negKd, negKs, dt);
    const __m128 high = twoCoefficients(_mm_cvtps_pd(_mm_movehl_ps(length, length)), restLengths,
                                        lastLengths, k + 2, negKd, negKs, dt);
    const __m128 coefficient = _mm_movelh_ps(low, high);
    __m128 fx = _mm_mul_ps(x, coefficient);
    __m128 fy = _mm_mul_ps(y, coefficient);
    __m128 fz = _mm_mul_ps(z, coefficient);
    // A spring of no length, or of one beyond single precision, has a coefficient that is not
    // a finite number, and so a force that is not finite either: the one check drops both.
    const __m128 valid = _mm_and_ps(finiteLanes(fx), _mm_and_ps(finiteLanes(fy), finiteLanes(fz)));
    fx = _mm_and_ps(valid, fx);
    fy = _mm_and_ps(valid, fy);
    fz = _mm_and_ps(valid, fz);
    __m128 zero = _mm_setzero_ps();
    _MM_TRANSPOSE4_PS(fx, fy, fz, zero);
    _mm_store_ps(&out[0].x, fx);
    _mm_store_ps(&out[1].x, fy);
    _mm_store_ps(&out[2].x, fz);
    _mm_store_ps(&out[3].x, zero);
}

/// (length - rest length)^2 of springs k to k + 3 added to the lanes of `low` (the first two)
/// and `high`: each length measured as fourSprings measures it.
template <typename Length>
inline void fourSquaredStretches(const SbVec3f* positions, const SpringOffsets* springs,
                                 const Length* restLengths, int32_t k, __m128d& low,
                                 __m128d& high) {
    __m128 x = _mm_sub_ps(loadPoint(pointAt(positions, springs[k].a)),
                          loadPoint(pointAt(positions, springs[k].b)));
    __m128 y = _mm_sub_ps(loadPoint(pointAt(positions, springs[k + 1].a)),
                          loadPoint(pointAt(positions, springs[k + 1].b)));
    __m128 z = _mm_sub_ps(loadPoint(pointAt(positions, springs[k + 2].a)),
                          loadPoint(pointAt(positions, springs[k + 2].b)));
    __m128 w = _mm_sub_ps(loadPoint(pointAt(positions, springs[k + 3].a)),
                          loadPoint(pointAt(positions, springs[k + 3].b)));
    _MM_TRANSPOSE4_PS(x, y, z, w);
    const __m128 length =
        _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)), _mm_mul_ps(z, z)));
    const __m128d first = _mm_sub_pd(_mm_cvtps_pd(length), loadTwo(restLengths + k));
    const __m128d second =
        _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(length, length)), loadTwo(restLengths + k + 2));
    low = _mm_add_pd(low, _mm_mul_pd(first, first));
    high = _mm_add_pd(high, _mm_mul_pd(second, second));
}

#if defined(PLIMMERTON_AVX2)

// The same eight springs at a time, for processors that have AVX2 (checked at run time). The
// target enables AVX2 only, not fused multiply-add, so no product and sum are ever merged into
// one rounding.

/// A point's coordinates in the low lanes of a register, in one load that takes the next
/// point's first coordinate, or the spare point's, into the fourth lane.
__attribute__((target("avx2"))) inline __m128 loadPoint8(const SbVec3f& p) {
    return _mm_loadu_ps(&p[0]);
}

/// The offsets a - b of springs k and k + 4, in the low and the high half.
__attribute__((target("avx2"))) inline __m256 offsetPair(const SbVec3f* positions,
                                                         const SpringOffsets* springs, int32_t k) {
    const __m128 low = _mm_sub_ps(loadPoint8(pointAt(positions, springs[k].a)),
                                  loadPoint8(pointAt(positions, springs[k].b)));
    const __m128 high = _mm_sub_ps(loadPoint8(pointAt(positions, springs[k + 4].a)),
                                   loadPoint8(pointAt(positions, springs[k + 4].b)));
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

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
    storeFour(lastLengths, _mm256_blendv_pd(lastLen, len, finite));
    return _mm_add_ps(_mm256_cvtpd_ps(fs), _mm256_cvtpd_ps(fd));
}

/// Springs k to k + 7, their forces to out[0 .. 7].
template <typename Length>
__attribute__((target("avx2"))) inline void
eightSprings(const SbVec3f* positions, const SpringOffsets* springs, const Length* restLengths,
             Length* lastLengths, SpringForce* out, int32_t k, __m256d negKd, __m256d negKs,
             __m256d dt) {
    // Springs j and j + 4 share a register, so the usual transposition of four by four within
    // each half gives the axes in spring order.
    const __m256 d04 = offsetPair(positions, springs, k);
    const __m256 d15 = offsetPair(positions, springs, k + 1);
    const __m256 d26 = offsetPair(positions, springs, k + 2);
    const __m256 d37 = offsetPair(positions, springs, k + 3);
    const __m256 xy01 = _mm256_unpacklo_ps(d04, d15);
    const __m256 zw01 = _mm256_unpackhi_ps(d04, d15);
    const __m256 xy23 = _mm256_unpacklo_ps(d26, d37);
    const __m256 zw23 = _mm256_unpackhi_ps(d26, d37);
    const __m256 x = _mm256_shuffle_ps(xy01, xy23, 0x44);
    const __m256 y = _mm256_shuffle_ps(xy01, xy23, 0xee);
    const __m256 z = _mm256_shuffle_ps(zw01, zw23, 0x44);

    const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(y, y)), _mm256_mul_ps(z, z)));
    const __m128 low = fourCoefficients(_mm256_castps256_ps128(length), restLengths + k,
                                        lastLengths + k, negKd, negKs, dt);
    const __m128 high = fourCoefficients(_mm256_extractf128_ps(length, 1), restLengths + k + 4,
                                         lastLengths + k + 4, negKd, negKs, dt);
    const __m256 coefficient = _mm256_set_m128(high, low);
    const __m256 fx = _mm256_mul_ps(x, coefficient);
    const __m256 fy = _mm256_mul_ps(y, coefficient);
    const __m256 fz = _mm256_mul_ps(z, coefficient);
    const __m256 valid =
        _mm256_and_ps(finiteLanes8(fx), _mm256_and_ps(finiteLanes8(fy), finiteLanes8(fz)));

    // Back to one spring a register: springs j and j + 4 again share one.
    const __m256 xy = _mm256_unpacklo_ps(_mm256_and_ps(valid, fx), _mm256_and_ps(valid, fy));
    const __m256 xyHigh = _mm256_unpackhi_ps(_mm256_and_ps(valid, fx), _mm256_and_ps(valid, fy));
    const __m256 z0 = _mm256_unpacklo_ps(_mm256_and_ps(valid, fz), _mm256_setzero_ps());
    const __m256 z0High = _mm256_unpackhi_ps(_mm256_and_ps(valid, fz), _mm256_setzero_ps());
    const __m256 f04 = _mm256_shuffle_ps(xy, z0, 0x44);
    const __m256 f15 = _mm256_shuffle_ps(xy, z0, 0xee);
    const __m256 f26 = _mm256_shuffle_ps(xyHigh, z0High, 0x44);
    const __m256 f37 = _mm256_shuffle_ps(xyHigh, z0High, 0xee);
    _mm_store_ps(&out[0].x, _mm256_castps256_ps128(f04));
    _mm_store_ps(&out[1].x, _mm256_castps256_ps128(f15));
    _mm_store_ps(&out[2].x, _mm256_castps256_ps128(f26));
    _mm_store_ps(&out[3].x, _mm256_castps256_ps128(f37));
    _mm_store_ps(&out[4].x, _mm256_extractf128_ps(f04, 1));
    _mm_store_ps(&out[5].x, _mm256_extractf128_ps(f15, 1));
    _mm_store_ps(&out[6].x, _mm256_extractf128_ps(f26, 1));
    _mm_store_ps(&out[7].x, _mm256_extractf128_ps(f37, 1));
}

/// The springs from k on, eight at a time while eight are left before `last`; returns the
/// first spring left over.
template <typename Length>
__attribute__((target("avx2"))) int32_t
springsEightAtATime(const SbVec3f* positions, const SpringOffsets* springs,
                    const Length* restLengths, Length* lastLengths, SpringForce* out, int32_t k,
                    int32_t last, const SpringConstants& c) {
    const __m256d negKd = _mm256_set1_pd(-static_cast<double>(c.springDamping));
    const __m256d negKs = _mm256_set1_pd(-static_cast<double>(c.stiffness));
    const __m256d dt = _mm256_set1_pd(c.dt);
    for (; k + 8 <= last; k += 8, out += 8) {
        eightSprings(positions, springs, restLengths, lastLengths, out, k, negKd, negKs, dt);
    }
    return k;
}

/// (length - rest length)^2 of springs k to k + 7 added to the lanes of `sum`.
template <typename Length>
__attribute__((target("avx2"))) inline void
eightSquaredStretches(const SbVec3f* positions, const SpringOffsets* springs,
                      const Length* restLengths, int32_t k, __m256d& sum) {
    const __m256 d04 = offsetPair(positions, springs, k);
    const __m256 d15 = offsetPair(positions, springs, k + 1);
    const __m256 d26 = offsetPair(positions, springs, k + 2);
    const __m256 d37 = offsetPair(positions, springs, k + 3);
    const __m256 xy01 = _mm256_unpacklo_ps(d04, d15);
    const __m256 zw01 = _mm256_unpackhi_ps(d04, d15);
    const __m256 xy23 = _mm256_unpacklo_ps(d26, d37);
    const __m256 zw23 = _mm256_unpackhi_ps(d26, d37);
    const __m256 x = _mm256_shuffle_ps(xy01, xy23, 0x44);
    const __m256 y = _mm256_shuffle_ps(xy01, xy23, 0xee);
    const __m256 z = _mm256_shuffle_ps(zw01, zw23, 0x44);
    const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(y, y)), _mm256_mul_ps(z, z)));
    const __m256d low =
        _mm256_sub_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(length)), loadFour(restLengths + k));
    const __m256d high = _mm256_sub_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(length, 1)),
                                       loadFour(restLengths + k + 4));
    sum = _mm256_add_pd(sum, _mm256_add_pd(_mm256_mul_pd(low, low), _mm256_mul_pd(high, high)));
}

/// The squared stretches from k on, eight at a time while eight are left before `last`, added
/// to `sum`; returns the first spring left over.
template <typename Length>
__attribute__((target("avx2"))) int32_t
squaredStretchesEightAtATime(const SbVec3f* positions, const SpringOffsets* springs,
                             const Length* restLengths, int32_t k, int32_t last, double& sum) {
    __m256d lanes = _mm256_setzero_pd();
    for (; k + 8 <= last; k += 8) {
        eightSquaredStretches(positions, springs, restLengths, k, lanes);
    }
    alignas(32) double four[4];
    _mm256_store_pd(four, lanes);
    sum += (four[0] + four[1]) + (four[2] + four[3]);
    return k;
}

const bool hasAvx2 = __builtin_cpu_supports("avx2");

#endif

#endif

} // namespace

template <typename Length>
void computeSpringForces(const SbVec3f* positions, const SpringOffsets* springs,
                         SlotLengths<Length>& lengths, SpringForce* forces, int32_t first,
                         int32_t last, const SpringConstants& constants) {
    const Length* restLengths = lengths.rest.data();
    Length* lastLengths = lengths.last.data();
    int32_t k = first;
#if defined(__SSE2__)
#if defined(PLIMMERTON_AVX2)
    if (hasAvx2) {
        k = springsEightAtATime(positions, springs, restLengths, lastLengths, forces, k, last,
                                constants);
    }
#endif
    for (; k + 4 <= last; k += 4) {
        fourSprings(positions, springs, restLengths, lastLengths, forces + (k - first), k,
                    constants);
    }
#endif
    for (; k < last; ++k) {
        oneSpring(positions, springs, restLengths, lastLengths, forces + (k - first), k, constants);
    }
}

template void computeSpringForces(const SbVec3f*, const SpringOffsets*, SlotLengths<float>&,
                                  SpringForce*, int32_t, int32_t, const SpringConstants&);
template void computeSpringForces(const SbVec3f*, const SpringOffsets*, SlotLengths<double>&,
                                  SpringForce*, int32_t, int32_t, const SpringConstants&);

template <typename Length>
double sumOfSquaredStretches(const SbVec3f* positions, const SpringOffsets* springs,
                             const SlotLengths<Length>& lengths, int32_t first, int32_t last) {
    const Length* restLengths = lengths.rest.data();
    double sum = 0;
    int32_t k = first;
#if defined(__SSE2__)
#if defined(PLIMMERTON_AVX2)
    if (hasAvx2) {
        k = squaredStretchesEightAtATime(positions, springs, restLengths, k, last, sum);
    }
#endif
    __m128d low = _mm_setzero_pd();
    __m128d high = _mm_setzero_pd();
    for (; k + 4 <= last; k += 4) {
        fourSquaredStretches(positions, springs, restLengths, k, low, high);
    }
    alignas(16) double lanes[2];
    _mm_store_pd(lanes, _mm_add_pd(low, high));
    sum += lanes[0] + lanes[1];
#endif
    for (; k < last; ++k) {
        const SbVec3f d = pointAt(positions, springs[k].a) - pointAt(positions, springs[k].b);
        const double stretch =
            double(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2])) - restLengths[k];
        sum += stretch * stretch;
    }
    return sum;
}

template double sumOfSquaredStretches(const SbVec3f*, const SpringOffsets*,
                                      const SlotLengths<float>&, int32_t, int32_t);
template double sumOfSquaredStretches(const SbVec3f*, const SpringOffsets*,
                                      const SlotLengths<double>&, int32_t, int32_t);
