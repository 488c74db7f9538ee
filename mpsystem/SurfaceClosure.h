#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// Whether a body's triangles close around a space that a gas can fill: every edge is shared by
/// exactly two triangles that run along it in opposite directions, so that the surface has one
/// side facing in and one facing out. Triangles with a repeated corner have no area and are
/// left out.
struct SurfaceClosure {
    bool closed = false;
    /// Empty when closed, else what keeps the surface open, in the user's words: "the surface
    /// has 12 edges on one triangle only (holes)".
    std::string problem;
};

/// Looks at `triangles` triangles whose corners lie at corners[k * stride] .. +2 (a stride of 4
/// takes a surface's face indices with their -1 after each triangle). Time O(T log T) and
/// memory of two numbers a corner.
SurfaceClosure closureOf(const int32_t* corners, std::size_t triangles, int stride);
