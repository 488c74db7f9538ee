#pragma once

class MpSystem;

/// The square of the body's fastest angular frequency per unit of spring stiffness, in 1/s^2:
/// the largest eigenvalue of M^-1 G, where G is the stiffness matrix of the body's springs at
/// stiffness 1, linearised about the current positions (each spring acting along its current
/// direction), and M holds the points' masses. Points whose mass is not positive never move
/// and are held where they are. 0 for a body that has no spring between moving points.
///
/// Found by the Lanczos iteration, which reaches the largest of eigenvalues that lie close
/// together in far fewer passes over the springs than power iteration (about thirty at 163,842
/// points for two parts in a thousand, where power iteration needs a hundred for six). Like any
/// Ritz value the answer never exceeds the true eigenvalue. Time linear in points + springs per
/// pass, memory of three vectors of the points and one direction per spring; called once per
/// body, not per tick.
double largestSpringEigenvalue(const MpSystem& body);
