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

/// Where the forces of a run of springs go: the three components of spring s's force on end a
/// at x[s - first], y[s - first] and z[s - first].
struct SpringForceLanes {
    float* x;
    float* y;
    float* z;
};

/// The rest and last lengths of springs, in single or in double precision; the arithmetic is
/// double precision either way.
template <typename Length> struct SlotLengths {
    std::vector<Length> rest;
    std::vector<Length> last;
};

/// Computes the force on end a of every spring k in [first, last) of `springs` into `forces`,
/// and advances the springs' last lengths, exactly as MpSystem::springForce does for each of
/// them: the same single- and double-precision operations in the same order, so the results
/// are identical bit for bit. Several springs are done at once in vector registers: each
/// spring needs one square root and three double-precision divisions.
template <typename Length>
void computeSpringForces(const SbVec3f* positions, const SpringEnds* springs,
                         SlotLengths<Length>& lengths, const SpringForceLanes& forces,
                         int32_t first, int32_t last, const SpringConstants& constants);
