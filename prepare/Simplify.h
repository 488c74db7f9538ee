#pragma once

#include "generators/TriangleMesh.h"

#include <functional>

/// Collapses edges of the surface until at most `maxPoints` points remain, choosing the
/// collapses that change the shape least; a surface already within the budget stays as it is.
/// The points that remain keep their positions and texture coordinates. `progress`, when given,
/// is told a rising share of the work done after each try of the simplifier, which may take
/// many on a large model.
void simplifyToBudget(TriangleMesh& mesh, int maxPoints,
                      const std::function<void(double)>& progress = nullptr);

/// Splits the longest edges at their midpoints, longest first, until the surface has
/// `maxPoints` points: the simplifier leaves flat parts with a few large triangles, and a body
/// rests on the floor with only the points it touches it with, so a flat sole of three points
/// would sink deep into the floor. Texture coordinates of new points lie halfway as well.
void evenOutDetail(TriangleMesh& mesh, int maxPoints);

/// Orders the triangles so that neighbours follow each other, then numbers the points in the
/// order the triangles first use them: the step then finds a spring's two ends, and the
/// drawing a triangle's corners, close together in memory.
void orderForLocality(TriangleMesh& mesh);
