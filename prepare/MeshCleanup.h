#pragma once

#include "generators/TriangleMesh.h"

#include <cstdint>

/// What the clean-up of an imported mesh changed.
struct CleanupCounts {
    /// Points merged into another at the same position.
    int64_t weldedPoints = 0;
    /// Triangles dropped because two corners coincide or the three lie on a line.
    int64_t degenerateTriangles = 0;
    /// Triangles dropped because another has the same three corners, in either winding.
    int64_t duplicateTriangles = 0;
};

/// Welds the points that share a position (the texture coordinate of the first one stays), so
/// that triangles which touch share their corners and the body holds together; drops the
/// degenerate and duplicate triangles and every point no triangle uses.
CleanupCounts weldAndClean(TriangleMesh& mesh);
