#pragma once

#include "balls/BodyPatches.h"

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <memory>
#include <vector>

class MpSystem;

/// What the contacts between bodies and within one body know of a body, measured once from its
/// shape at rest (the shape it has when it joins the contacts, as read from its file).
///
/// Each point counts as a sphere of `radius`: half the median rest length of the edges of the
/// surface's triangles. The median, because it is the typical spacing of the points on the
/// surface whatever a few slivers or stretched triangles of a prepared model measure, and
/// because struts across the inside, which are not surface edges, play no part in it. Half of
/// it, so that the spheres of a surface just touch one another: two points of different bodies
/// push each other apart when their spheres overlap, and a point cannot slip between the
/// corners of another body's typical triangle, whose centre lies 0.58 springs from them, without
/// meeting them. Wider spheres hold better against a point pressed through (a spring's width let
/// one bundled ball set on another poke 6 of its points through, half a spring 150), but when
/// two bodies meet hard each point meets dozens of partners at once, and their summed
/// stiffness outruns the tick: the bodies blow up.
///
/// Two points of one body push each other apart only when they are closer than the contact
/// distance (twice the radius) and closer than they were at rest, so that the body at rest
/// feels no contact of its own, and never when they belong to the same stretch of the body's
/// fabric, which its springs hold: when their patches (BodyPatches.h) lie closer than the
/// fabric distance (three contact distances) at rest. So a spring and a contact never fight over
/// one pair, a second or third neighbour on an uneven mesh does not turn into a stiff spring
/// that only pushes, the points on either side of a crease may come together, and the search
/// for contacts need not look at any pair of neighbouring patches, which are always near. The
/// exception are the two sides of a thin part: points of neighbouring patches closer than the
/// fabric distance at rest whose surfaces face each other are listed here and push as the rule
/// says. Every other pair of the body lies in patches at least the fabric distance apart at rest
/// and so pushes at the contact distance, as points of two bodies do.
class BodyContactShape {
public:
    /// Measures `body` as it stands; it must not have moved since it was made.
    explicit BodyContactShape(const MpSystem& body);
    ~BodyContactShape();
    BodyContactShape(const BodyContactShape&) = delete;
    BodyContactShape& operator=(const BodyContactShape&) = delete;

    int numPoints() const { return static_cast<int>(restPositions_.size()); }
    /// The radius of each point's sphere, in scene units; 0 for a body with no springs.
    float radius() const { return radius_; }
    /// The distance below which two of the body's own points may touch: twice the radius.
    float contactDistance() const { return 2 * radius_; }
    /// Patches closer than this at rest are neighbours on one stretch of fabric.
    float fabricDistance() const { return 3 * contactDistance(); }
    /// The largest distance between two points at rest.
    float restDiameter() const { return restDiameter_; }
    const SbVec3f* restPositions() const { return restPositions_.data(); }
    const BodyPatches& patches() const { return *patches_; }

    /// The distance below which points i and j (different points of this body) push each
    /// other apart: 0 when they never do (fabric), else the smaller of the contact distance and
    /// their distance at rest (less a hundredth of the contact distance, which rounding in a
    /// body carried far from where it was read never makes up).
    float selfContactDistance(int i, int j) const;

    /// The listed partners of point i: points on the facing side of a thin part, closer than
    /// the fabric distance at rest, in increasing order.
    const int32_t* nearBegin(int i) const { return nearPartners_.data() + nearStart_[i]; }
    const int32_t* nearEnd(int i) const { return nearPartners_.data() + nearStart_[i + 1]; }
    /// The points that have listed partners, in increasing order.
    const std::vector<int32_t>& pointsWithNearPartners() const { return nearPoints_; }

private:
    void measureRadius(const MpSystem& body);
    void listNearPartners(const MpSystem& body);

    std::vector<SbVec3f> restPositions_;
    float radius_ = 0;
    float restDiameter_ = 0;
    std::unique_ptr<BodyPatches> patches_;
    std::vector<int32_t> nearStart_;
    std::vector<int32_t> nearPartners_;
    std::vector<int32_t> nearPoints_;
};

/// The squared distance of two points as every contact between body points measures it.
inline float squaredDistance(const SbVec3f& a, const SbVec3f& b) {
    const SbVec3f v = a - b;
    return v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
}
