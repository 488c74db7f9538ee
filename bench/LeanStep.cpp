#include "LeanStep.h"

#include "common/Gravity.h"
#include "mpsystem/MpSystem.h"

#include <cmath>
#include <cstring>

namespace {

template <typename T, typename From> std::vector<T> copyOf(const From* values, int count) {
    static_assert(sizeof(T) == sizeof(From), "the same layout");
    std::vector<T> copy(static_cast<size_t>(count));
    std::memcpy(copy.data(), values, copy.size() * sizeof(T));
    return copy;
}

} // namespace

LeanBody::LeanBody(const MpSystem& body)
    : positions_(copyOf<Vec3>(body.positions(), body.numPoints())),
      velocities_(copyOf<Vec3>(body.velocities(), body.numPoints())),
      forces_(copyOf<Vec3>(body.forces(), body.numPoints())),
      externalForces_(copyOf<Vec3>(body.externalForces(), body.numPoints())),
      masses_(copyOf<float>(body.masses(), body.numPoints())),
      springs_(copyOf<SpringEnds>(body.springs(), body.numSprings())),
      restLengths_(copyOf<double>(body.restLengths(), body.numSprings())),
      lastLengths_(static_cast<size_t>(body.numSprings())), damping_(body.damping()),
      stiffness_(body.stiffness()), springDamping_(body.springDamping()) {
    for (int s = 0; s < body.numSprings(); ++s) {
        lastLengths_[s] = body.lastLength(s);
    }
}

// The arithmetic is the reference step's, operation for operation, so that the two agree to the
// bit; only its checks are gone.
void LeanBody::step(float dt) {
    const size_t n = positions_.size();
    Vec3* f = forces_.data();
    Vec3* p = positions_.data();
    Vec3* v = velocities_.data();
    Vec3* external = externalForces_.data();
    const float* m = masses_.data();

    for (size_t i = 0; i < n; ++i) {
        f[i] = {external[i].x + 0.0f, external[i].y + -gravity * m[i], external[i].z + 0.0f};
    }

    const double kd = springDamping_;
    const double ks = stiffness_;
    const size_t springCount = springs_.size();
    for (size_t s = 0; s < springCount; ++s) {
        const SpringEnds ends = springs_[s];
        const Vec3 d = {p[ends.a].x - p[ends.b].x, p[ends.a].y - p[ends.b].y,
                        p[ends.a].z - p[ends.b].z};
        const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        const double len = length;
        const float fd = static_cast<float>(-kd * (len - lastLengths_[s]) / dt / len);
        const float fs = static_cast<float>(-ks * (len - restLengths_[s]) / len);
        lastLengths_[s] = len;
        const float scale = fs + fd;
        const Vec3 force = {d.x * scale, d.y * scale, d.z * scale};
        f[ends.a] = {f[ends.a].x + force.x, f[ends.a].y + force.y, f[ends.a].z + force.z};
        f[ends.b] = {f[ends.b].x - force.x, f[ends.b].y - force.y, f[ends.b].z - force.z};
    }

    const float c = damping_;
    for (size_t i = 0; i < n; ++i) {
        const Vec3 a = {(f[i].x - c * v[i].x) / m[i], (f[i].y - c * v[i].y) / m[i],
                        (f[i].z - c * v[i].z) / m[i]};
        v[i] = {v[i].x + dt * a.x, v[i].y + dt * a.y, v[i].z + dt * a.z};
        p[i] = {p[i].x + dt * v[i].x, p[i].y + dt * v[i].y, p[i].z + dt * v[i].z};
    }

    for (size_t i = 0; i < n; ++i) {
        external[i] = {0.0f, 0.0f, 0.0f};
    }
}

bool LeanBody::sameState(const MpSystem& body) const {
    const size_t bytes = positions_.size() * sizeof(Vec3);
    return std::memcmp(positions_.data(), body.positions(), bytes) == 0 &&
           std::memcmp(velocities_.data(), body.velocities(), bytes) == 0;
}
