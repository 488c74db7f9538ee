// The body step spread over the worker threads, with the plain step's results bit for bit.
//
// The plain step makes four passes over the whole body, so a large body streams its arrays
// through memory four times. Here the springs are visited in chunks, and each point's force is
// gathered and the point moved while its data is still in the cache (StepPlan.h says when);
// every force is added with the same operation, in the same order, as the plain step adds it.

#include "mpsystem/MpSystem.h"

#include "common/Check.h"
#include "common/Finite.h"
#include "common/Gravity.h"
#include "common/Workers.h"
#include "mpsystem/PointMotion.h"
#include "mpsystem/SpringKernel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)

/// Adds (or with `subtract`, takes away) a spring's force to a point's accumulator, each
/// component rounded as SbVec3f's operators round it.
template <bool subtract> inline void accumulate(SbVec3f& sum, const SpringForce& force) {
    float* x = &sum[0];
    const __m128 f = _mm_load_ps(&force.x);
    const __m128 xy = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(x));
    const __m128 z = _mm_load_ss(x + 2);
    const __m128 fz = _mm_movehl_ps(f, f);
    _mm_storel_pi(reinterpret_cast<__m64*>(x), subtract ? _mm_sub_ps(xy, f) : _mm_add_ps(xy, f));
    _mm_store_ss(x + 2, subtract ? _mm_sub_ss(z, fz) : _mm_add_ss(z, fz));
}

#else

template <bool subtract> inline void accumulate(SbVec3f& sum, const SpringForce& force) {
    const SbVec3f f(force.x, force.y, force.z);
    if (subtract) {
        sum -= f;
    } else {
        sum += f;
    }
}

#endif

} // namespace

void MpSystem::step(float dt) {
    stoppedPoints_.store(false, std::memory_order_relaxed);
    if (!(dt > 0.0f && std::isfinite(dt))) {
        // As in the plain step: no time, no motion; the external forces are used up.
        clearExternalForces();
        return;
    }
    // The gas pushes from where the points are before any of them moves; its forces join the
    // external ones, which each point takes in when it starts.
    if (pressure_ > 0.0f) {
        gas_.addForces(pressure_, restVolume_, positions_.data(), externalForces_.data(),
                       std::min(gasWorkers_, workerCount()));
    }
    const SpringConstants constants{dt, stiffness_, springDamping_};
    const int parts = stepPlan_.parts();
    const int workers = std::min(parts, workerCount());
    // The parts may run in any order; the boundary points wait for all of them.
    if (singleLengths_) {
        forEachItem(parts, workers,
                    [&](int part) { stepPart(part, constants, singleSlotLengths_); });
    } else {
        forEachItem(parts, workers,
                    [&](int part) { stepPart(part, constants, doubleSlotLengths_); });
    }
    forEachItem(parts, workers, [&](int part) {
        finishBoundaryPoints(stepPlan_.firstBoundary(part), stepPlan_.firstBoundary(part + 1), dt);
    });
    holdPinnedPoints();
}

void MpSystem::finishBoundaryPoints(int32_t begin, int32_t end, float dt) {
    for (int32_t k = begin; k < end; ++k) {
        addDeferredForces(k);
    }
    finishPoints(stepPlan_.boundaryPoints() + begin, stepPlan_.boundaryPoints() + end, dt);
}

// A chunk's springs take long enough for the memory to deliver the data of the points it
// finishes, and of those that the next chunk starts, which lie anywhere in the arrays (the
// struts' far ends, at the end of a part, most of all).
void MpSystem::prefetchPoints(int32_t c, bool nextChunk) const {
    for (const int32_t* i = stepPlan_.finishesBegin(c); i != stepPlan_.finishesEnd(c); ++i) {
        __builtin_prefetch(&velocities_[*i]);
        __builtin_prefetch(&positions_[*i]);
        __builtin_prefetch(&masses_[*i]);
        __builtin_prefetch(&forces_[*i]);
    }
    if (nextChunk) {
        for (const int32_t* i = stepPlan_.startsBegin(c + 1); i != stepPlan_.startsEnd(c + 1);
             ++i) {
            __builtin_prefetch(&externalForces_[*i]);
            __builtin_prefetch(&masses_[*i]);
            __builtin_prefetch(&forces_[*i]);
        }
    }
}

// The external force is used up as soon as it is read, while its line is cached.
inline void MpSystem::startPoint(int32_t i) {
    forces_[i] = externalForces_[i] + SbVec3f(0.0f, -gravity * masses_[i], 0.0f);
    externalForces_[i].setValue(0.0f, 0.0f, 0.0f);
}

// The plain step's integration of points under their finished forces.
inline void MpSystem::finishPoints(const int32_t* first, const int32_t* last, float dt) {
#if defined(__SSE2__)
    const PointArrays points{positions_.data(), velocities_.data(), forces_.data(), masses_.data(),
                             &stoppedPoints_};
    movePoints(points, first, last, damping_, dt);
#else
    for (; first != last; ++first) {
        const float m = masses_[*first];
        if (m > 0.0f) {
            movePoint(*first, forces_[*first], m, dt);
        }
    }
#endif
}

template <typename Length>
void MpSystem::stepPart(int part, const SpringConstants& constants, SlotLengths<Length>& lengths) {
    SpringForce chunkForces[StepPlan::chunkSize];
    const uint32_t* deferredEnds = stepPlan_.deferredEnds();
    int32_t deferred = stepPlan_.firstDeferred(part);
    const int32_t deferredEnd = stepPlan_.firstDeferred(part + 1);
    for (int32_t c = stepPlan_.firstChunk(part); c < stepPlan_.firstChunk(part + 1); ++c) {
        for (const int32_t* i = stepPlan_.startsBegin(c); i != stepPlan_.startsEnd(c); ++i) {
            startPoint(*i);
        }
        prefetchPoints(c, c + 1 < stepPlan_.firstChunk(part + 1));
        const int32_t first = stepPlan_.chunkBegin(c);
        const int32_t last = stepPlan_.chunkBegin(c + 1);
        computeSpringForces(positions_.data(), slotEnds_.data(), lengths, chunkForces, first, last,
                            constants);
        // The plain step's additions, each point's in spring order; an end whose force is
        // deferred is kept aside for the boundary pass instead.
        const uint32_t chunkKeysEnd = 2 * static_cast<uint32_t>(last);
        if (deferred == deferredEnd || deferredEnds[deferred] >= chunkKeysEnd) {
            SbVec3f* forces = forces_.data();
            const SpringOffsets* springs = slotEnds_.data() + first;
            for (int32_t j = 0; j < last - first; ++j) {
                accumulate<false>(pointAt(forces, springs[j].a), chunkForces[j]);
                accumulate<true>(pointAt(forces, springs[j].b), chunkForces[j]);
            }
        } else {
            for (int32_t s = first; s < last; ++s) {
                const SpringForce& force = chunkForces[s - first];
                const SbVec3f f(force.x, force.y, force.z);
                const uint32_t key = 2 * static_cast<uint32_t>(s);
                if (deferred < deferredEnd && deferredEnds[deferred] == key) {
                    deferredForces_[deferred++] = f;
                } else {
                    pointAt(forces_.data(), slotEnds_[s].a) += f;
                }
                if (deferred < deferredEnd && deferredEnds[deferred] == key + 1) {
                    deferredForces_[deferred++] = f;
                } else {
                    pointAt(forces_.data(), slotEnds_[s].b) -= f;
                }
            }
        }
        finishPoints(stepPlan_.finishesBegin(c), stepPlan_.finishesEnd(c), constants.dt);
    }
    // A slot left unfilled would hand a boundary point last tick's force.
    PLIMMERTON_CHECK(deferred == deferredEnd, "the part fills each of its deferred slots once");
}

void MpSystem::addDeferredForces(int32_t k) {
    const int32_t i = stepPlan_.boundaryPoint(k);
    SbVec3f f = forces_[i];
    for (const int32_t* slot = stepPlan_.boundarySlotsBegin(k);
         slot != stepPlan_.boundarySlotsEnd(k); ++slot) {
        if ((stepPlan_.deferredEnds()[*slot] & 1) != 0) {
            f -= deferredForces_[*slot];
        } else {
            f += deferredForces_[*slot];
        }
    }
    forces_[i] = f;
}
