#pragma once

#include "generators/TriangleMesh.h"

#include <cstdint>
#include <vector>

/// Finds where rays first meet a triangle surface, through a bounding-volume tree: each ray
/// visits the few boxes along its way instead of every triangle.
class RayCaster {
public:
    /// Keeps a reference to the mesh, which must outlive the caster and not change.
    explicit RayCaster(const TriangleMesh& mesh);

    /// The first triangle hit by the ray from `origin` along the unit vector `direction`,
    /// leaving out the triangles that have point `from` as a corner (the ray starts there);
    /// -1 when none is hit. `distance` receives the distance to the hit.
    int32_t firstHit(const SbVec3f& origin, const SbVec3f& direction, int32_t from,
                     float& distance) const;

private:
    struct Node {
        SbVec3f low;
        SbVec3f high;
        /// Leaf: its triangles are order_[first, first + count). Inner node: count is 0 and
        /// its children are nodes first and first + 1.
        int32_t first;
        int32_t count;
    };

    /// Fills node `node` with the triangles order_[begin, end), splitting it while it is large.
    void build(int32_t node, int32_t begin, int32_t end, std::vector<SbVec3f>& centres);

    const TriangleMesh& mesh_;
    std::vector<Node> nodes_;
    std::vector<int32_t> order_;
};
