#pragma once

#include <Inventor/SbVec3f.h>

#include <array>

/// The spread of a cloud of points along its own axes, whatever way it lies: the square roots
/// of the eigenvalues of the points' covariance, largest first. A body that keeps its shape
/// keeps these while it falls, rolls or topples.
std::array<double, 3> principalExtents(const SbVec3f* points, int count);
