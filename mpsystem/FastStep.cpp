// The body step spread over the worker threads, with the results of the plain step.
//
// The plain step adds each spring's force to its two ends as it goes, so a point's force is a
// sum in increasing spring order. Here every spring's force is computed first, each by one
// thread, into a force per spring (which also advances the spring's last length exactly once);
// then every point adds its own springs' forces in that same order, from its list in
// pointSprings_, and moves at once. No point's sum is shared between threads, so the sums, and
// with them the positions, are the plain step's bit for bit, whatever the number of threads.

#include "mpsystem/MpSystem.h"

#include "mpsystem/SpringKernel.h"
#include "mpsystem/Workers.h"

#include <omp.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr float gravity = 9.81f;

bool isFinite(const SbVec3f& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

/// The part of [0, count) that worker `worker` of `workers` takes; springs are handed out in
/// groups of 64, the spring kernel's.
void share(int32_t count, int worker, int workers, int32_t granule, int32_t& first, int32_t& last) {
    const int64_t granules = (static_cast<int64_t>(count) + granule - 1) / granule;
    first = static_cast<int32_t>(std::min<int64_t>(count, granules * worker / workers * granule));
    last =
        static_cast<int32_t>(std::min<int64_t>(count, granules * (worker + 1) / workers * granule));
}

} // namespace

void MpSystem::prepareFastStep() {
    pointSprings_.build(numPoints_, springs_.data(), numSprings_);
    springForces_.assign(numSprings_, SbVec3f(0.0f, 0.0f, 0.0f));
    startWorkers();
}

void MpSystem::step(float dt) {
    if (!(dt > 0.0f && std::isfinite(dt))) {
        // As in the plain step: no time, no motion; the external forces are used up.
        clearExternalForces();
        return;
    }
    const SpringConstants constants{dt, stiffness_, springDamping_};
    const int workers = workersFor(static_cast<long long>(numSprings_) + numPoints_);
    // Every spring must be computed before any point moves: the barrier between the two loops
    // is the end of the first.
#pragma omp parallel num_threads(workers) if (workers > 1)
    {
        int32_t first = 0;
        int32_t last = 0;
        share(numSprings_, omp_get_thread_num(), workers, 64, first, last);
        computeSpringForces(positions_.data(), springs_.data(), restLengths_.data(),
                            lastLengths_.data(), springForces_.data(), first, last, constants);
#pragma omp barrier
        share(numPoints_, omp_get_thread_num(), workers, 16, first, last);
        gatherAndIntegrate(first, last, dt);
    }
}

void MpSystem::gatherAndIntegrate(int32_t first, int32_t last, float dt) {
    const uint32_t* entries = pointSprings_.entries();
    const SbVec3f* springForces = springForces_.data();
    const float c = damping_;
    for (int32_t i = first; i < last; ++i) {
        SbVec3f f = externalForces_[i] + SbVec3f(0.0f, -gravity * masses_[i], 0.0f);
        const int32_t end = pointSprings_.begin(i + 1);
        for (int32_t e = pointSprings_.begin(i); e < end; ++e) {
            // End b takes the negative; adding -F is subtracting F, exactly, and needs no
            // branch that the random mix of ends would keep mispredicting.
            const SbVec3f& spring = springForces[PointSprings::springOf(entries[e])];
            const float sign = PointSprings::isEndB(entries[e]) ? -1.0f : 1.0f;
            f += SbVec3f(sign * spring[0], sign * spring[1], sign * spring[2]);
        }
        forces_[i] = f;
        externalForces_[i].setValue(0.0f, 0.0f, 0.0f);

        const float m = masses_[i];
        if (!(m > 0.0f)) {
            continue;
        }
        const SbVec3f& v = velocities_[i];
        const SbVec3f& p = positions_[i];
        const SbVec3f a((f[0] - c * v[0]) / m, (f[1] - c * v[1]) / m, (f[2] - c * v[2]) / m);
        const SbVec3f newVelocity = v + dt * a;
        const SbVec3f newPosition = p + dt * newVelocity;
        if (isFinite(newVelocity) && isFinite(newPosition)) {
            velocities_[i] = newVelocity;
            positions_[i] = newPosition;
        } else {
            velocities_[i].setValue(0.0f, 0.0f, 0.0f);
        }
    }
}
