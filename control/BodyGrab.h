#pragma once

#include <Inventor/SbPlane.h>
#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

class MpSystem;

/// A part of a body held by the mouse: a patch of points around the one picked, pulled
/// together toward a target that the cursor moves. The pull, one force each tick through
/// addExternalForce as the arrow keys push, is a damped spring on the patch's centre, shared
/// among its points by their masses: strong enough to lift the whole body and carry it, never
/// more than a few times its weight, so that the body can be picked up, carried and thrown
/// (letting go leaves every point its velocity).
class BodyGrab {
public:
    /// The largest pull, in weights of the whole body.
    static constexpr float liftWeights = 3;
    /// The distance from the target, in units, at which the pull reaches its largest.
    static constexpr float reach = 2;
    /// The patch reaches this share of the body's radius (its points' largest distance from
    /// their centre) from the point picked: enough springs around it to carry the body without
    /// tearing the patch out.
    static constexpr float patchShare = 0.5f;
    /// The fewest points a patch holds, however fine the body's mesh.
    static constexpr int minPatchPoints = 4;

    /// Holds the patch around point `point` of `body`, with the target at `target` (where the
    /// point is when grabbed) moving in `plane`; an index outside the body holds nothing.
    void grab(const MpSystem& body, int point, const SbVec3f& target, const SbPlane& plane);
    void moveTarget(const SbVec3f& target) { target_ = target; }
    void release();

    /// Whether a part of `body` is held.
    bool holds(const MpSystem& body) const { return body_ == &body; }
    bool holdsAny() const { return body_ != nullptr; }
    /// The body a part of which is held; null when none is.
    const MpSystem* heldBody() const { return body_; }
    /// The point picked.
    int point() const { return point_; }
    /// The points held, the picked one among them.
    const std::vector<int32_t>& patch() const { return patch_; }
    const SbVec3f& target() const { return target_; }
    /// The plane the target moves in: through the point as grabbed, upright, facing the camera.
    const SbPlane& plane() const { return plane_; }
    /// Where the target holds the patch's centre: the target, offset as the centre lay from
    /// the picked point when grabbed.
    SbVec3f centreTarget() const { return target_ + centreOffset_; }
    /// The centre of the held points, weighted by their masses, in `body` as it is now.
    SbVec3f patchCentre(const MpSystem& body) const;
    /// The largest pull: liftWeights times the body's weight.
    float maxForce() const { return maxForce_; }

    /// This tick's pull on the held points, for a step of `dt` seconds, added to `body`'s
    /// external forces; nothing when no part of `body` is held. Its stiffness and damping stay
    /// within what a step of `dt` integrates stably for the patch alone.
    void pull(MpSystem& body, float dt) const;
    /// The whole pull on the patch, before it is shared among its points.
    SbVec3f force(const MpSystem& body, float dt) const;

private:
    const MpSystem* body_ = nullptr;
    int point_ = -1;
    std::vector<int32_t> patch_;
    float patchMass_ = 0;
    float maxForce_ = 0;
    SbVec3f centreOffset_{0, 0, 0};
    SbVec3f target_{0, 0, 0};
    SbPlane plane_;
};
