#include "control/BodyGrab.h"

#include "mpsystem/MpSystem.h"

void BodyGrab::grab(const MpSystem& body, int point, const SbVec3f& target, const SbPlane& plane) {
    if (point < 0 || point >= body.numPoints()) {
        release();
        return;
    }
    body_ = &body;
    point_ = point;
    target_ = target;
    plane_ = plane;
}

void BodyGrab::release() {
    body_ = nullptr;
    point_ = -1;
}

SbVec3f BodyGrab::force(const SbVec3f& position, const SbVec3f& velocity) const {
    SbVec3f pull = (target_ - position) * stiffness - velocity * damping;
    const float length = pull.length();
    if (length > maxForce) {
        pull *= maxForce / length;
    }
    return pull;
}

void BodyGrab::pull(MpSystem& body) const {
    if (!holds(body)) {
        return;
    }
    body.addExternalForce(point_, force(body.positions()[point_], body.velocities()[point_]));
}
