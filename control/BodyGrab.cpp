#include "control/BodyGrab.h"

#include "common/Gravity.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>

namespace {

// The body's radius: its points' largest distance from their centre.
float radiusOf(const MpSystem& body) {
    const int n = body.numPoints();
    SbVec3f centre(0, 0, 0);
    for (int i = 0; i < n; ++i) {
        centre += body.positions()[i];
    }
    centre /= static_cast<float>(n);
    float radius = 0;
    for (int i = 0; i < n; ++i) {
        radius = std::max(radius, (body.positions()[i] - centre).length());
    }
    return radius;
}

} // namespace

void BodyGrab::grab(const MpSystem& body, int point, const SbVec3f& target, const SbPlane& plane) {
    release();
    const int n = body.numPoints();
    if (point < 0 || point >= n) {
        return;
    }
    const SbVec3f* positions = body.positions();
    const SbVec3f picked = positions[point];
    // The points within the patch's reach, or the nearest few where the mesh is coarse.
    std::vector<std::pair<float, int32_t>> byDistance(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        byDistance[static_cast<size_t>(i)] = {(positions[i] - picked).length(), i};
    }
    std::sort(byDistance.begin(), byDistance.end());
    const float within = patchShare * radiusOf(body);
    for (const auto& [distance, i] : byDistance) {
        if (distance > within && static_cast<int>(patch_.size()) >= minPatchPoints) {
            break;
        }
        patch_.push_back(i);
    }
    float totalMass = 0;
    for (int i = 0; i < n; ++i) {
        totalMass += std::max(0.0f, body.masses()[i]);
    }
    for (int32_t i : patch_) {
        patchMass_ += std::max(0.0f, body.masses()[i]);
    }
    maxForce_ = liftWeights * totalMass * gravity;
    body_ = &body;
    point_ = point;
    target_ = target;
    plane_ = plane;
    centreOffset_ = patchCentre(body) - picked;
}

void BodyGrab::release() {
    body_ = nullptr;
    point_ = -1;
    patch_.clear();
    patchMass_ = 0;
    maxForce_ = 0;
}

SbVec3f BodyGrab::patchCentre(const MpSystem& body) const {
    SbVec3f centre(0, 0, 0);
    if (patchMass_ <= 0) {
        return centre;
    }
    for (int32_t i : patch_) {
        centre += body.positions()[i] * std::max(0.0f, body.masses()[i]);
    }
    return centre / patchMass_;
}

SbVec3f BodyGrab::force(const MpSystem& body, float dt) const {
    if (!holds(body) || !(patchMass_ > 0) || !(dt > 0) || !std::isfinite(dt)) {
        return SbVec3f(0, 0, 0);
    }
    SbVec3f momentum(0, 0, 0);
    for (int32_t i : patch_) {
        momentum += body.velocities()[i] * std::max(0.0f, body.masses()[i]);
    }
    const SbVec3f velocity = momentum / patchMass_;
    // The spring reaches the largest pull at `reach` from the target, and is critically damped
    // for the patch alone; both stay well inside what one explicit step of dt keeps stable for
    // the patch (stiffness dt^2 / mass and damping dt / mass below 2), whatever the time step.
    const float stiffness = std::min(maxForce_ / reach, 0.5f * patchMass_ / (dt * dt));
    const float damping = std::min(2 * std::sqrt(stiffness * patchMass_), 0.5f * patchMass_ / dt);
    SbVec3f pull = (centreTarget() - patchCentre(body)) * stiffness - velocity * damping;
    const float length = pull.length();
    if (!std::isfinite(length)) {
        return SbVec3f(0, 0, 0);
    }
    if (length > maxForce_) {
        pull *= maxForce_ / length;
    }
    return pull;
}

void BodyGrab::pull(MpSystem& body, float dt) const {
    const SbVec3f total = force(body, dt);
    if (total == SbVec3f(0, 0, 0)) {
        return;
    }
    for (int32_t i : patch_) {
        body.addExternalForce(i, total * (std::max(0.0f, body.masses()[i]) / patchMass_));
    }
}
