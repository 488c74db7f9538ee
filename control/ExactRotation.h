#pragma once

#include <Inventor/SbRotation.h>
#include <Inventor/SbVec4f.h>

/// Rotations as a scene file keeps them, the four numbers of the quaternion (x, y, z, w).
///
/// SbRotation normalises the numbers it is given, and normalising a quaternion of length 1 once
/// more changes its last bit now and then: a rotation written and read back through it would
/// not be the one that was running. These keep the bits.

/// The quaternion of `rotation`, as it holds it.
SbVec4f quaternionOf(const SbRotation& rotation);

/// The rotation of quaternion `q`: its very numbers when they are of length 1 to within rounding
/// (as every quaternion this program writes is), else `q` normalised.
SbRotation exactRotation(const SbVec4f& q);
