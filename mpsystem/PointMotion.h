#pragma once

#include <Inventor/SbVec3f.h>

#include <atomic>
#include <cstdint>

/// The arrays of a body that moving its points reads and writes, each with a readable point
/// after the last: the vector registers load a point as four numbers.
struct PointArrays {
    SbVec3f* positions;
    SbVec3f* velocities;
    const SbVec3f* forces;
    const float* masses;
    /// Set when a point stops because its new state would leave single precision.
    std::atomic<bool>* stopped;
};

#if defined(__SSE2__)

/// Moves the listed points [first, last) by semi-implicit Euler under their forces, exactly as
/// the plain step's integration (MpSystem::movePoint) moves each one: the same single-precision
/// operations lane by lane, so bit for bit, with its guards (a point whose mass is not positive
/// stays, one whose new state would leave single precision stops where it is, and says so in
/// `stopped`). Two points at a
/// time where the processor has AVX2, else one.
void movePoints(const PointArrays& points, const int32_t* first, const int32_t* last, float damping,
                float dt);

#endif
