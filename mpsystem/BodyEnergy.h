#pragma once

class MpSystem;

/// Where the body's energy is after a step, in units of mass times length squared over time
/// squared. Points whose mass is not positive never move and hold none.
struct BodyEnergy {
    /// Half of m v squared, summed over the points.
    double kinetic = 0;
    /// Half of ks (L - L0) squared, summed over the springs.
    double spring = 0;
    /// m g (y - zeroHeight), summed over the points.
    double height = 0;

    double total() const { return kinetic + spring + height; }
};

/// The body's energy as it stands, every term from one instant: the velocities and positions
/// after its last step, each spring's length measured from those positions (a square root a
/// spring, and a pass over the points and the springs: a sample costs about what the springs'
/// part of a step does, so it is taken only when asked for). `zeroHeight` is where a point
/// holds no height energy; the arena's floor, so that the sum stays positive.
BodyEnergy measureEnergy(const MpSystem& body, float zeroHeight);
