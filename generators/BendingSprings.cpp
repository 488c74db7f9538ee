#include "generators/BendingSprings.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

uint64_t pairKey(int32_t a, int32_t b) {
    const uint32_t low = static_cast<uint32_t>(std::min(a, b));
    const uint32_t high = static_cast<uint32_t>(std::max(a, b));
    return (uint64_t(high) << 32) | low;
}

/// A triangle's edge, its ends as one key, with the corner opposite it and where it was met.
struct EdgeCorner {
    uint64_t ends;
    int32_t opposite;
    int64_t order;
    bool operator<(const EdgeCorner& other) const {
        return ends < other.ends || (ends == other.ends && order < other.order);
    }
};

} // namespace

int64_t addBendingSprings(TriangleMesh& mesh) {
    std::vector<uint64_t> springs;
    std::vector<EdgeCorner> corners;
    corners.reserve(3 * mesh.triangles.size());
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& c = mesh.triangles[t];
        for (int k = 0; k < 3; ++k) {
            const uint64_t ends = pairKey(c[k], c[(k + 1) % 3]);
            corners.push_back({ends, c[(k + 2) % 3], static_cast<int64_t>(3 * t + k)});
            springs.push_back(ends);
        }
    }
    for (const auto& s : mesh.struts) {
        springs.push_back(pairKey(s[0], s[1]));
    }
    std::sort(springs.begin(), springs.end());
    std::sort(corners.begin(), corners.end());
    // The pairs across each edge of exactly two triangles, in the order their edge was first met.
    std::vector<std::pair<int64_t, std::array<int32_t, 2>>> flaps;
    for (std::size_t k = 0; k + 1 < corners.size();) {
        std::size_t end = k + 1;
        while (end < corners.size() && corners[end].ends == corners[k].ends) {
            ++end;
        }
        const int32_t a = corners[k].opposite;
        const int32_t b = corners[k + 1].opposite;
        if (end - k == 2 && a != b &&
            !std::binary_search(springs.begin(), springs.end(), pairKey(a, b))) {
            flaps.push_back({corners[k].order, {a, b}});
        }
        k = end;
    }
    std::sort(flaps.begin(), flaps.end());
    std::vector<bool> held(mesh.points.size(), false);
    int64_t added = 0;
    for (const auto& [order, ends] : flaps) {
        if (!held[static_cast<std::size_t>(ends[0])] && !held[static_cast<std::size_t>(ends[1])]) {
            held[static_cast<std::size_t>(ends[0])] = true;
            held[static_cast<std::size_t>(ends[1])] = true;
            mesh.struts.push_back(ends);
            ++added;
        }
    }
    return added;
}
