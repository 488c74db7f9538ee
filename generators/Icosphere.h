#pragma once

#include "generators/TriangleMesh.h"

/// Number of points of an icosphere of the given subdivision level: 10 * 4^level + 2.
int64_t icospherePointCount(int level);

/// A sphere made by splitting each triangle of an icosahedron into four, `level` times, and
/// pushing every point out to the radius. Level 0 is the icosahedron itself; levels outside
/// 0 .. 10 are held to that range (level 10 already has over ten million points).
/// Texture coordinates are spherical: v runs from the south pole (0) to the north pole (1)
/// along +y, and u runs with the longitude from +x (0) to -x (1) on both sides, because a point
/// carries only one texture coordinate and a longitude that wrapped from 1 back to 0 would
/// smear the whole texture across the triangles along the wrap.
/// Every point has its antipode among the points; with Bracing::ThroughCentre each such pair
/// is joined by a strut through the centre (one strut per pair, lower index first, in the
/// order of the lower index).
TriangleMesh makeIcosphere(int level, float radius, const SbVec3f& centre,
                           Bracing bracing = Bracing::None);
