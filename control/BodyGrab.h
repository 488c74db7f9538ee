#pragma once

#include <Inventor/SbPlane.h>
#include <Inventor/SbVec3f.h>

class MpSystem;

/// A point of the body held by the mouse. While held, a damped spring pulls it toward a
/// target point: one force each tick, through addExternalForce, as the arrow keys push.
class BodyGrab {
public:
    /// Force per unit of distance between the point and its target.
    static constexpr float stiffness = 60;
    /// Force per unit of the point's speed, against it, so the held point does not swing.
    static constexpr float damping = 3;
    /// The largest pull, so that a target dragged far away cannot tear the point out of the
    /// body in one tick.
    static constexpr float maxForce = 600;

    /// Holds point `point` of `body` with its target at `target`, which moves in `plane`; an
    /// index outside the body holds nothing.
    void grab(const MpSystem& body, int point, const SbVec3f& target, const SbPlane& plane);
    void moveTarget(const SbVec3f& target) { target_ = target; }
    void release();

    /// Whether a point of `body` is held.
    bool holds(const MpSystem& body) const { return body_ == &body; }
    bool holdsAny() const { return body_ != nullptr; }
    int point() const { return point_; }
    const SbVec3f& target() const { return target_; }
    /// The plane the target moves in: through the point as grabbed, facing the camera.
    const SbPlane& plane() const { return plane_; }

    /// This tick's pull on the held point, added to `body`'s external forces; nothing when no
    /// point of `body` is held.
    void pull(MpSystem& body) const;
    /// The spring's force on a point at `position` moving with `velocity`.
    SbVec3f force(const SbVec3f& position, const SbVec3f& velocity) const;

private:
    const MpSystem* body_ = nullptr;
    int point_ = -1;
    SbVec3f target_{0, 0, 0};
    SbPlane plane_;
};
