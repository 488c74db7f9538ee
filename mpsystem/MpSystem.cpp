#include "mpsystem/MpSystem.h"

#include "mpsystem/MeshReader.h"

#include <cmath>

namespace {

/// Gravity along -y, in scene units per second squared.
constexpr float gravity = 9.81f;

bool isFinite(const SbVec3f& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

/// Settings come from the command line unchecked; a value that is not a number would make every
/// later force undefined, so it counts as 0.
float finiteOrZero(float x) {
    return std::isfinite(x) ? x : 0.0f;
}

} // namespace

MpSystem::MpSystem(std::istream& mesh, float damping, float mass, float stiffness)
    : damping_(finiteOrZero(damping)), stiffness_(finiteOrZero(stiffness)) {
    MeshReader(mesh, *this).read(mass);
    prepareFastStep();
}

MpSystem::~MpSystem() = default;

void MpSystem::setDamping(float c) {
    damping_ = finiteOrZero(c);
}

void MpSystem::setStiffness(float ks) {
    stiffness_ = finiteOrZero(ks);
}

SbVec3f MpSystem::pointPosition(int i) const {
    if (i < 0 || i >= numPoints_) {
        return SbVec3f(0, 0, 0);
    }
    return positions_[i];
}

void MpSystem::addExternalForce(int i, const SbVec3f& f) {
    if (i < 0 || i >= numPoints_) {
        return;
    }
    const SbVec3f sum = externalForces_[i] + f;
    if (isFinite(sum)) {
        externalForces_[i] = sum;
    }
}

void MpSystem::stepSequential(float dt) {
    // A step that does not move time forward moves nothing. The external forces were meant for
    // this step and deliver no impulse over no time, so they are used up; the last lengths keep
    // measuring from the last step that moved the points, so the next real step still damps
    // the change of length it sees.
    if (dt > 0.0f && std::isfinite(dt)) {
        addGravityAndExternalForces();
        addSpringForces(dt);
        integrate(dt);
    }
    clearExternalForces();
}

// Each force pass rebuilds the accumulator from scratch, so forces gathered by the contact pass
// since the last step act exactly once.
void MpSystem::addGravityAndExternalForces() {
    for (int32_t i = 0; i < numPoints_; ++i) {
        forces_[i] = externalForces_[i] + SbVec3f(0.0f, -gravity * masses_[i], 0.0f);
    }
}

// Every spring is visited exactly once, because springForce advances its last length.
void MpSystem::addSpringForces(float dt) {
    for (int32_t s = 0; s < numSprings_; ++s) {
        const SbVec3f f = springForce(s, dt);
        forces_[springs_[s].a] += f;
        forces_[springs_[s].b] -= f;
    }
}

// Semi-implicit Euler: the position moves with the velocity just updated, which keeps the
// springs stable at the time steps the program offers.
void MpSystem::integrate(float dt) {
    const float c = damping_;
    for (int32_t i = 0; i < numPoints_; ++i) {
        const float m = masses_[i];
        // A massless (or negative) point would accelerate without bound: it stays where it is.
        if (!(m > 0.0f)) {
            continue;
        }
        const SbVec3f& f = forces_[i];
        const SbVec3f& v = velocities_[i];
        const SbVec3f& p = positions_[i];
        // Each component divided by the mass; the library's vector division multiplies by the
        // reciprocal, which rounds differently.
        const SbVec3f a((f[0] - c * v[0]) / m, (f[1] - c * v[1]) / m, (f[2] - c * v[2]) / m);
        const SbVec3f newVelocity = v + dt * a;
        const SbVec3f newPosition = p + dt * newVelocity;
        if (isFinite(newVelocity) && isFinite(newPosition)) {
            velocities_[i] = newVelocity;
            positions_[i] = newPosition;
        } else {
            // Forces beyond single precision (a diverging body, absurd settings): the point
            // stops where it is rather than carry infinity into the scene and the contacts.
            velocities_[i].setValue(0.0f, 0.0f, 0.0f);
        }
    }
}

void MpSystem::clearExternalForces() {
    for (int32_t i = 0; i < numPoints_; ++i) {
        externalForces_[i].setValue(0.0f, 0.0f, 0.0f);
    }
}

SbVec3f MpSystem::springForce(int s, float dt) {
    const SpringEnds ends = springs_[s];
    const SbVec3f d = positions_[ends.a] - positions_[ends.b];
    const float length = d.length();
    if (length == 0.0f) {
        // Coincident ends give the spring no direction to act in.
        lastLengths_[s] = 0.0;
        return SbVec3f(0.0f, 0.0f, 0.0f);
    }
    if (!std::isfinite(length)) {
        return SbVec3f(0.0f, 0.0f, 0.0f);
    }
    const double kd = springDamping_;
    const double ks = stiffness_;
    const double len = length;
    // The rate of change needs a time span; over none the spring has only its elastic part.
    const float fd =
        dt > 0.0f ? static_cast<float>(-kd * (len - lastLengths_[s]) / dt / len) : 0.0f;
    const float fs = static_cast<float>(-ks * (len - restLengths_[s]) / len);
    lastLengths_[s] = len;
    const SbVec3f f = d * (fs + fd);
    return isFinite(f) ? f : SbVec3f(0.0f, 0.0f, 0.0f);
}
