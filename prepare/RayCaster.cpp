#include "prepare/RayCaster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int32_t leafSize = 4;

/// Distance along the ray to the triangle (a, b, c), seen from either side, or infinity
/// (the Moeller-Trumbore test).
float triangleDistance(const SbVec3f& origin, const SbVec3f& direction, const SbVec3f& a,
                       const SbVec3f& b, const SbVec3f& c) {
    const float none = std::numeric_limits<float>::infinity();
    const SbVec3f e1 = b - a;
    const SbVec3f e2 = c - a;
    const SbVec3f p = direction.cross(e2);
    const float det = e1.dot(p);
    if (std::fabs(det) < 1e-12f) {
        return none;
    }
    const float inverse = 1.0f / det;
    const SbVec3f s = origin - a;
    const float u = s.dot(p) * inverse;
    if (u < 0.0f || u > 1.0f) {
        return none;
    }
    const SbVec3f q = s.cross(e1);
    const float v = direction.dot(q) * inverse;
    if (v < 0.0f || u + v > 1.0f) {
        return none;
    }
    const float t = e2.dot(q) * inverse;
    return t > 0.0f ? t : none;
}

/// Distance at which the ray enters the box, or infinity when it misses it or enters beyond
/// `limit`.
float boxDistance(const SbVec3f& origin, const SbVec3f& inverse, const SbVec3f& low,
                  const SbVec3f& high, float limit) {
    float near = 0.0f;
    float far = limit;
    for (int a = 0; a < 3; ++a) {
        float t0 = (low[a] - origin[a]) * inverse[a];
        float t1 = (high[a] - origin[a]) * inverse[a];
        if (t0 > t1) {
            std::swap(t0, t1);
        }
        // A ray parallel to a slab gives 0 * infinity here: not a number, which the
        // comparisons below leave out.
        near = t0 > near ? t0 : near;
        far = t1 < far ? t1 : far;
        if (near > far) {
            return std::numeric_limits<float>::infinity();
        }
    }
    return near;
}

} // namespace

RayCaster::RayCaster(const TriangleMesh& mesh) : mesh_(mesh) {
    const int32_t n = static_cast<int32_t>(mesh.triangles.size());
    order_.resize(n);
    std::vector<SbVec3f> centres(n);
    for (int32_t t = 0; t < n; ++t) {
        order_[t] = t;
        const auto& tri = mesh.triangles[t];
        centres[t] = (mesh.points[tri[0]] + mesh.points[tri[1]] + mesh.points[tri[2]]) / 3.0f;
    }
    nodes_.reserve(4 * static_cast<size_t>(n / leafSize + 1));
    nodes_.push_back({});
    build(0, 0, n, centres);
}

void RayCaster::build(int32_t node, int32_t begin, int32_t end, std::vector<SbVec3f>& centres) {
    SbVec3f low(1e30f, 1e30f, 1e30f);
    SbVec3f high(-1e30f, -1e30f, -1e30f);
    SbVec3f centreLow = low;
    SbVec3f centreHigh = high;
    for (int32_t k = begin; k < end; ++k) {
        for (int32_t corner : mesh_.triangles[order_[k]]) {
            const SbVec3f& p = mesh_.points[corner];
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], p[a]);
                high[a] = std::max(high[a], p[a]);
            }
        }
        for (int a = 0; a < 3; ++a) {
            centreLow[a] = std::min(centreLow[a], centres[order_[k]][a]);
            centreHigh[a] = std::max(centreHigh[a], centres[order_[k]][a]);
        }
    }
    nodes_[node].low = low;
    nodes_[node].high = high;
    if (end - begin <= leafSize) {
        nodes_[node].first = begin;
        nodes_[node].count = end - begin;
        return;
    }
    // Halves by count along the widest spread of the centres: the tree stays balanced, so
    // its depth is the logarithm of the triangle count whatever the shape.
    const SbVec3f spread = centreHigh - centreLow;
    const int axis = spread[0] >= spread[1] && spread[0] >= spread[2] ? 0
                     : spread[1] >= spread[2]                         ? 1
                                                                      : 2;
    const int32_t middle = begin + (end - begin) / 2;
    std::nth_element(
        order_.begin() + begin, order_.begin() + middle, order_.begin() + end,
        [&centres, axis](int32_t a, int32_t b) { return centres[a][axis] < centres[b][axis]; });
    const int32_t child = static_cast<int32_t>(nodes_.size());
    nodes_.push_back({});
    nodes_.push_back({});
    nodes_[node].first = child;
    nodes_[node].count = 0;
    build(child, begin, middle, centres);
    build(child + 1, middle, end, centres);
}

int32_t RayCaster::firstHit(const SbVec3f& origin, const SbVec3f& direction, int32_t from,
                            float& distance) const {
    if (order_.empty()) {
        return -1;
    }
    const SbVec3f inverse(1.0f / direction[0], 1.0f / direction[1], 1.0f / direction[2]);
    int32_t best = -1;
    float bestDistance = std::numeric_limits<float>::infinity();
    // A balanced tree over at most 2^31 triangles is less than 32 levels deep, and each level
    // leaves at most one sibling waiting.
    int32_t stack[64];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const Node& node = nodes_[stack[--top]];
        if (!(boxDistance(origin, inverse, node.low, node.high, bestDistance) < bestDistance)) {
            continue;
        }
        if (node.count == 0) {
            stack[top++] = node.first;
            stack[top++] = node.first + 1;
            continue;
        }
        for (int32_t k = node.first; k < node.first + node.count; ++k) {
            const auto& t = mesh_.triangles[order_[k]];
            if (t[0] == from || t[1] == from || t[2] == from) {
                continue;
            }
            const float d = triangleDistance(origin, direction, mesh_.points[t[0]],
                                             mesh_.points[t[1]], mesh_.points[t[2]]);
            if (d < bestDistance) {
                bestDistance = d;
                best = order_[k];
            }
        }
    }
    distance = bestDistance;
    return best;
}
