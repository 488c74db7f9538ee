#pragma once

class MpSystem;

/// The largest time step at which the body's step stays stable, for the body as it was
/// measured and any stiffness, damping and point mass.
///
/// The step is semi-implicit Euler. One vibration of the linearised body, of angular frequency
/// w and damping rate g, moves from (x, v) by v' = v - dt (w^2 x + g v), x' = x + dt v'; the
/// pair stays bounded while dt^2 w^2 + 2 dt g < 4 (the roots of its characteristic polynomial
/// z^2 - (2 - dt^2 w^2 - dt g) z + 1 - dt g inside the unit circle), that is while
/// dt < 4 / (g + sqrt(g^2 + 4 w^2)). The fastest vibration sets the bound: w^2 = ks * mu,
/// where mu is the largest eigenvalue of the springs at stiffness 1 over the masses
/// (SpringEigenvalue.h), which falls as 1 / m with the point mass m. Its damping comes from the
/// springs, whose damping force kd times the rate of change of length has the shape of their
/// stiffness (g = kd * mu), and from the points' damping c v, at most c over the lightest
/// point's mass. Without damping the
/// bound is the familiar 2 / w. It matches runs of the free bundled ball to a few per cent.
///
/// The gas inside a closed surface (SurfacePressure.h) adds a stiffness of its own in
/// proportion to its pressure p: a point's force turns and grows as its triangles do, by at
/// most p / 6 times their perimeters for a unit move, and the gas law ties every point to the
/// volume, by p |G_i| |G_j| / V0 (G_i is a point's share of the surface's area along its
/// normal, the volume's gradient). Their sums over the points, over the point's mass, bound
/// what the gas adds to w^2 (Gershgorin), at rest; a body squeezed well below its volume
/// stiffens beyond that.
///
/// Contacts are penalty springs that a point meets on top of the body's own: the floor pushes
/// with 60 per unit of depth along y, a pillar with 200 out from its axis. A point's contact
/// stiffness k adds at most k over the lightest mass to the fastest w^2 (the largest
/// eigenvalue of a sum is at most the sum of the largest ones), which `contactStiffness`
/// takes in. A pillar's push also turns with the point around the axis, a sideways stiffness
/// of 200 (r - d) / d at distance d that grows without limit near the axis: no time step is
/// stable for a point driven that deep, and the bound holds only while points stay nearer the
/// surface than the axis.
class StableTimeStep {
public:
    /// Nothing measured: every time step is stable.
    StableTimeStep() = default;
    /// Measures the body's springs and masses as they are now: a few dozen passes over the
    /// springs, once per body. A later change of point mass (MpSystem::setPointMass) scales
    /// the measurement.
    explicit StableTimeStep(const MpSystem& body);

    /// False when no point could move as measured (a body read with mass 0): measure again
    /// once its points have mass.
    bool hasMovingPoints() const { return lightestMass_ > 0; }

    /// The bound in seconds for the body's stiffness, damping and point mass now, with contact
    /// stiffness `contactStiffness` on any point; infinity when nothing limits it (no spring
    /// stiffness, contact or damping, or no point that moves), 0 when no time step is stable
    /// (a negative stiffness or damping drives the body away on its own).
    float bound(const MpSystem& body, float contactStiffness = 0.0f) const;
    /// The same for given values, as a panel previews them.
    float bound(float stiffness, float damping, float pointMass, float contactStiffness,
                float pressure = 0.0f) const;

private:
    /// mu (see above) and the lightest moving point's mass, at point mass measuredMass_ (0 for
    /// a body built in memory, whose masses are then taken as they are).
    double eigenvalue_ = 0;
    /// What the gas adds to w^2 per unit of pressure (see above); 0 for a surface that cannot
    /// hold one.
    double pressureStiffness_ = 0;
    double lightestMass_ = 0;
    float measuredMass_ = 0;
    float springDamping_ = 0;
};
