#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// The two ends of a spring as byte offsets into an array of points (twelve times their
/// indices), which an address takes without a multiplication.
struct SpringOffsets {
    uint32_t a;
    uint32_t b;
};

/// The point at byte offset `offset` of `points`.
inline const SbVec3f& pointAt(const SbVec3f* points, uint32_t offset) {
    return *reinterpret_cast<const SbVec3f*>(reinterpret_cast<const char*>(points) + offset);
}

inline SbVec3f& pointAt(SbVec3f* points, uint32_t offset) {
    return *reinterpret_cast<SbVec3f*>(reinterpret_cast<char*>(points) + offset);
}

/// What the spring forces of one step need besides the arrays: the step's dt (positive and
/// finite), the stiffness ks and the spring damping kd.
struct SpringConstants {
    float dt;
    float stiffness;
    float springDamping;
};

/// The force of a spring on its end a (end b takes the negative), with a fourth lane of 0, so
/// that it fills a vector register.
struct alignas(16) SpringForce {
    float x;
    float y;
    float z;
    float zero;
};

/// The rest and last lengths of springs, in single or in double precision; the arithmetic is
/// double precision either way.
template <typename Length> struct SlotLengths {
    std::vector<Length> rest;
    std::vector<Length> last;
};

/// Computes the force on end a of every spring k in [first, last) of `springs` into
/// forces[k - first], and advances the springs' last lengths, exactly as MpSystem::springForce
/// does for each of them: the same single- and double-precision operations in the same order,
/// so the results are identical bit for bit. Several springs are done at once in vector
/// registers: each spring needs one square root and three double-precision divisions.
/// `positions` holds a readable point after the last one a spring joins.
template <typename Length>
void computeSpringForces(const SbVec3f* positions, const SpringOffsets* springs,
                         SlotLengths<Length>& lengths, SpringForce* forces, int32_t first,
                         int32_t last, const SpringConstants& constants);

/// The sum over the springs k in [first, last) of (length - rest length)^2, each length
/// measured from `positions` as computeSpringForces measures it, the rest in double precision.
/// Eight or four springs at a time in vector registers; the last lengths are not touched.
template <typename Length>
double sumOfSquaredStretches(const SbVec3f* positions, const SpringOffsets* springs,
                             const SlotLengths<Length>& lengths, int32_t first, int32_t last);
