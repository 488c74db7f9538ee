#include "mpsystem/SurfaceClosure.h"

#include <algorithm>
#include <vector>

namespace {

/// An edge as its ends, the smaller first, with the direction the triangle ran along it.
struct DirectedEdge {
    uint64_t ends;
    bool forward;
    bool operator<(const DirectedEdge& other) const {
        return ends < other.ends || (ends == other.ends && forward < other.forward);
    }
};

std::string count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

SurfaceClosure closureOf(const int32_t* corners, std::size_t triangles, int stride) {
    std::vector<DirectedEdge> edges;
    edges.reserve(3 * triangles);
    for (std::size_t t = 0; t < triangles; ++t) {
        const int32_t* c = corners + t * static_cast<std::size_t>(stride);
        if (c[0] == c[1] || c[1] == c[2] || c[2] == c[0]) {
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = static_cast<uint32_t>(c[k]);
            const uint32_t b = static_cast<uint32_t>(c[(k + 1) % 3]);
            edges.push_back({a < b ? (uint64_t(a) << 32 | b) : (uint64_t(b) << 32 | a), a < b});
        }
    }
    SurfaceClosure closure;
    if (edges.empty()) {
        closure.problem = "the body has no triangles";
        return closure;
    }
    std::sort(edges.begin(), edges.end());
    std::size_t open = 0;
    std::size_t crowded = 0;
    std::size_t turned = 0;
    for (std::size_t k = 0; k < edges.size();) {
        std::size_t end = k + 1;
        while (end < edges.size() && edges[end].ends == edges[k].ends) {
            ++end;
        }
        const std::size_t shared = end - k;
        if (shared == 1) {
            ++open;
        } else if (shared > 2) {
            ++crowded;
        } else if (edges[k].forward == edges[k + 1].forward) {
            ++turned;
        }
        k = end;
    }
    if (open > 0) {
        closure.problem =
            "the surface has " + count(open, "edge", "edges") + " on one triangle only (holes)";
    } else if (crowded > 0) {
        closure.problem = "the surface has " + count(crowded, "edge", "edges") +
                          " shared by more than two triangles";
    } else if (turned > 0) {
        closure.problem = "the surface has " + count(turned, "edge", "edges") +
                          " between triangles that face opposite ways";
    } else {
        closure.closed = true;
    }
    return closure;
}
