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

/// The body's energy as it stands: the velocities and positions after its last step, and each
/// spring at the length its forces in that step came from, which the step left behind (one
/// pass over arrays that the step has just walked, and no square root). `zeroHeight` is where
/// a point holds no height energy; the arena's floor, so that the sum stays positive.
BodyEnergy measureEnergy(const MpSystem& body, float zeroHeight);
