#include "generators/RoundedBox.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

/// Position of lattice step t along an axis of half size h, before rounding: the border steps
/// are spaced so that the rounded points lie at equal angles on the arc.
double latticeCoordinate(int t, int n, int flat, int round, double h, double r) {
    const double quarter = std::acos(-1.0) / 4;
    if (round > 0 && t < round) {
        return -h + r - r * std::tan(quarter * (round - t) / round);
    }
    if (round > 0 && t > n - round) {
        return h - r + r * std::tan(quarter * (t - (n - round)) / round);
    }
    return -(h - r) + 2 * (h - r) * (t - round) / flat;
}

} // namespace

TriangleMesh makeRoundedBox(const SbVec3f& halfSize, float cornerRadius, int flatSegments,
                            int roundSegments, const SbVec3f& centre, Bracing bracing) {
    const int flat = std::clamp(flatSegments, 1, 1024);
    double smallest =
        std::min({std::fabs(halfSize[0]), std::fabs(halfSize[1]), std::fabs(halfSize[2])});
    // Without border steps there is nothing to round: the corners stay sharp.
    int round = std::clamp(roundSegments, 0, 1024);
    const double r = round > 0 ? std::clamp(double(cornerRadius), 0.0, 0.9 * smallest) : 0.0;
    if (r <= 0) {
        round = 0;
    }
    const int n = flat + 2 * round;

    std::vector<double> coord[3];
    for (int a = 0; a < 3; ++a) {
        coord[a].resize(n + 1);
        for (int t = 0; t <= n; ++t) {
            coord[a][t] = latticeCoordinate(t, n, flat, round, std::fabs(halfSize[a]), r);
        }
    }

    // Lattice points on the cube's edges belong to two or three faces; the map gives each one
    // index, so the surface is closed.
    std::unordered_map<uint64_t, int32_t> index;
    index.reserve(size_t(6) * n * n + 2);
    auto latticeKey = [](int i, int j, int k) {
        return (uint64_t(i) << 40) | (uint64_t(j) << 20) | uint64_t(k);
    };
    std::vector<std::array<int, 3>> latticeOf;
    latticeOf.reserve(size_t(6) * n * n + 2);
    TriangleMesh mesh;
    mesh.points.reserve(size_t(6) * n * n + 2);
    mesh.triangles.reserve(size_t(12) * n * n);
    auto pointAt = [&](int i, int j, int k) {
        auto [slot, isNew] = index.emplace(latticeKey(i, j, k), int32_t(mesh.points.size()));
        if (isNew) {
            latticeOf.push_back({i, j, k});
            const int t[3] = {i, j, k};
            double p[3];
            double d[3];
            double len2 = 0;
            for (int a = 0; a < 3; ++a) {
                double c = coord[a][t[a]];
                double inner = std::fabs(halfSize[a]) - r;
                double core = std::clamp(c, -inner, inner);
                p[a] = core;
                d[a] = c - core;
                len2 += d[a] * d[a];
            }
            double scale = len2 > 0 ? r / std::sqrt(len2) : 0;
            mesh.points.emplace_back(float(centre[0] + p[0] + d[0] * scale),
                                     float(centre[1] + p[1] + d[1] * scale),
                                     float(centre[2] + p[2] + d[2] * scale));
        }
        return slot->second;
    };

    for (int a = 0; a < 3; ++a) {
        // The two in-face axes follow a cyclically, so (u, v) turns counter-clockwise about +a.
        const int u = (a + 1) % 3;
        const int v = (a + 2) % 3;
        for (int s : {0, n}) {
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n; ++j) {
                    int32_t quad[4];
                    const int cu[4] = {i, i + 1, i + 1, i};
                    const int cv[4] = {j, j, j + 1, j + 1};
                    for (int c = 0; c < 4; ++c) {
                        int t[3];
                        t[a] = s;
                        t[u] = cu[c];
                        t[v] = cv[c];
                        quad[c] = pointAt(t[0], t[1], t[2]);
                    }
                    if (s == n) {
                        mesh.triangles.push_back({quad[0], quad[1], quad[2]});
                        mesh.triangles.push_back({quad[0], quad[2], quad[3]});
                    } else {
                        mesh.triangles.push_back({quad[0], quad[2], quad[1]});
                        mesh.triangles.push_back({quad[0], quad[3], quad[2]});
                    }
                }
            }
        }
    }
    if (bracing == Bracing::ThroughCentre) {
        // The lattice coordinates mirror each other (step t and step n - t), so the mirror
        // image of a point through the centre is the point at the mirrored steps; a surface
        // point has a step 0 or n, so its mirror lies on the surface too.
        mesh.struts.reserve(mesh.points.size() / 2);
        for (int32_t p = 0; p < int32_t(latticeOf.size()); ++p) {
            const auto& [i, j, k] = latticeOf[p];
            auto opposite = index.find(latticeKey(n - i, n - j, n - k));
            if (opposite != index.end() && p < opposite->second) {
                mesh.struts.push_back({p, opposite->second});
            }
        }
    }
    return mesh;
}
