#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

struct SpringEnds;

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
/// forces[k - first], and advances the springs' last lengths, exactly as MpSystem::springForce does
/// for each of them: the same single- and double-precision operations in the same order, so the
/// results are identical bit for bit. Several springs are done at once in vector registers: each
/// spring needs one square root and three double-precision divisions.
template <typename Length>
void computeSpringForces(const SbVec3f* positions, const SpringEnds* springs,
                         SlotLengths<Length>& lengths, SpringForce* forces, int32_t first,
                         int32_t last, const SpringConstants& constants);
