#pragma once

#include "generators/TriangleMesh.h"

/// A box with rounded edges and corners: every face is a grid of flatSegments steps across its
/// flat middle and roundSegments steps across each rounded border, so each side of the box has
/// n = flatSegments + 2 * roundSegments steps and the body 6 n^2 + 2 points. Half sizes count
/// by their absolute values. The corner radius is held to [0, 0.9 * the smallest half size] so
/// that no two points coincide; a radius of 0 or no border steps give a plain box with sharp
/// corners. Segment counts are held to 1 .. 1024 (0 .. 1024 for roundSegments). No texture
/// coordinates. The points are symmetric through the centre; with Bracing::ThroughCentre each
/// point and its mirror image are joined by a strut (lower index first, in the order of the
/// lower index).
TriangleMesh makeRoundedBox(const SbVec3f& halfSize, float cornerRadius, int flatSegments,
                            int roundSegments, const SbVec3f& centre,
                            Bracing bracing = Bracing::None);
