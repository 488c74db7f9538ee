#include "generators/Icosphere.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

struct UnitPoint {
    double x, y, z;
};

UnitPoint normalised(double x, double y, double z) {
    double len = std::sqrt(x * x + y * y + z * z);
    return {x / len, y / len, z / len};
}

} // namespace

int64_t icospherePointCount(int level) {
    level = std::clamp(level, 0, 10);
    return 10 * (int64_t(1) << (2 * level)) + 2;
}

TriangleMesh makeIcosphere(int level, float radius, const SbVec3f& centre, Bracing bracing) {
    level = std::clamp(level, 0, 10);
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<UnitPoint> unit = {
        normalised(-1, t, 0), normalised(1, t, 0), normalised(-1, -t, 0), normalised(1, -t, 0),
        normalised(0, -1, t), normalised(0, 1, t), normalised(0, -1, -t), normalised(0, 1, -t),
        normalised(t, 0, -1), normalised(t, 0, 1), normalised(-t, 0, -1), normalised(-t, 0, 1),
    };
    std::vector<std::array<int32_t, 3>> triangles = {
        {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1},
    };

    // The icosahedron's corners come in opposite pairs, and the midpoint of an edge is
    // opposite the midpoint of the opposite edge, so each level keeps every point's antipode.
    std::vector<int32_t> antipode = {3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8};

    const int64_t finalPoints = icospherePointCount(level);
    unit.reserve(finalPoints);
    antipode.reserve(finalPoints);
    for (int l = 0; l < level; ++l) {
        // Each edge is shared by two triangles; the map gives both the same midpoint, so the
        // surface stays closed.
        std::unordered_map<uint64_t, int32_t> midpoints;
        midpoints.reserve(triangles.size() * 3 / 2);
        auto midpoint = [&](int32_t a, int32_t b) {
            uint64_t key = (uint64_t(uint32_t(std::min(a, b))) << 32) | uint32_t(std::max(a, b));
            auto found = midpoints.find(key);
            if (found != midpoints.end()) {
                return found->second;
            }
            const UnitPoint& p = unit[a];
            const UnitPoint& q = unit[b];
            unit.push_back(normalised(p.x + q.x, p.y + q.y, p.z + q.z));
            int32_t index = static_cast<int32_t>(unit.size() - 1);
            midpoints.emplace(key, index);
            return index;
        };
        std::vector<std::array<int32_t, 3>> finer;
        finer.reserve(triangles.size() * 4);
        for (const auto& tri : triangles) {
            int32_t ab = midpoint(tri[0], tri[1]);
            int32_t bc = midpoint(tri[1], tri[2]);
            int32_t ca = midpoint(tri[2], tri[0]);
            finer.push_back({tri[0], ab, ca});
            finer.push_back({tri[1], bc, ab});
            finer.push_back({tri[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        triangles.swap(finer);
        // A point whose antipode were missing would stay its own and get no strut.
        antipode.resize(unit.size());
        for (const auto& [key, index] : midpoints) {
            const int32_t a = antipode[int32_t(key >> 32)];
            const int32_t b = antipode[int32_t(key & 0xffffffffu)];
            auto opposite = midpoints.find((uint64_t(uint32_t(std::min(a, b))) << 32) |
                                           uint32_t(std::max(a, b)));
            antipode[index] = opposite != midpoints.end() ? opposite->second : index;
        }
    }

    TriangleMesh mesh;
    mesh.points.reserve(unit.size());
    mesh.texCoords.reserve(unit.size());
    const double pi = std::acos(-1.0);
    for (const UnitPoint& p : unit) {
        mesh.points.emplace_back(float(centre[0] + radius * p.x), float(centre[1] + radius * p.y),
                                 float(centre[2] + radius * p.z));
        double u = std::fabs(std::atan2(p.z, p.x)) / pi;
        double v = 0.5 + std::asin(std::clamp(p.y, -1.0, 1.0)) / pi;
        mesh.texCoords.emplace_back(float(u), float(v));
    }
    mesh.triangles = std::move(triangles);
    if (bracing == Bracing::ThroughCentre) {
        mesh.struts.reserve(unit.size() / 2);
        for (int32_t i = 0; i < int32_t(unit.size()); ++i) {
            if (i < antipode[i]) {
                mesh.struts.push_back({i, antipode[i]});
            }
        }
    }
    return mesh;
}
