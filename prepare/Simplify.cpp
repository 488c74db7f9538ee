#include "prepare/Simplify.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

const unsigned int* indexData(const TriangleMesh& mesh) {
    return reinterpret_cast<const unsigned int*>(mesh.triangles.data());
}

size_t usedPoints(const std::vector<unsigned int>& indices, size_t count, size_t pointCount) {
    std::vector<bool> used(pointCount, false);
    size_t n = 0;
    for (size_t k = 0; k < count; ++k) {
        if (!used[indices[k]]) {
            used[indices[k]] = true;
            ++n;
        }
    }
    return n;
}

/// Renumbers the points in the order the triangles first use them, dropping the unused ones.
void compact(TriangleMesh& mesh) {
    const size_t indexCount = mesh.triangles.size() * 3;
    unsigned int* indices = reinterpret_cast<unsigned int*>(mesh.triangles.data());
    std::vector<unsigned int> remap(mesh.points.size());
    const size_t kept =
        meshopt_optimizeVertexFetchRemap(remap.data(), indices, indexCount, mesh.points.size());
    std::vector<SbVec3f> points(kept);
    std::vector<SbVec2f> texCoords(mesh.texCoords.empty() ? 0 : kept);
    for (size_t i = 0; i < remap.size(); ++i) {
        if (remap[i] != ~0u) {
            points[remap[i]] = mesh.points[i];
            if (!texCoords.empty()) {
                texCoords[remap[i]] = mesh.texCoords[i];
            }
        }
    }
    meshopt_remapIndexBuffer(indices, indices, indexCount, remap.data());
    mesh.points.swap(points);
    mesh.texCoords.swap(texCoords);
}

int32_t midpointOf(const std::unordered_map<uint64_t, int32_t>& midpoints, int32_t a, int32_t b) {
    const uint64_t key = (uint64_t(uint32_t(std::min(a, b))) << 32) | uint32_t(std::max(a, b));
    const auto found = midpoints.find(key);
    return found != midpoints.end() ? found->second : -1;
}

/// Replaces each triangle by the triangles its split edges make, wound the same way, so that
/// neighbours that share a split edge share its midpoint and the surface stays closed.
void splitTriangles(TriangleMesh& mesh, const std::unordered_map<uint64_t, int32_t>& midpoints) {
    std::vector<std::array<int32_t, 3>> finer;
    finer.reserve(mesh.triangles.size() + 3 * midpoints.size());
    const std::vector<SbVec3f>& p = mesh.points;
    for (const auto& t : mesh.triangles) {
        int32_t m[3];
        int splits = 0;
        for (int k = 0; k < 3; ++k) {
            m[k] = midpointOf(midpoints, t[k], t[(k + 1) % 3]);
            splits += m[k] >= 0 ? 1 : 0;
        }
        // Turned so that the pattern starts at corner r: with one split it is edge r's, with
        // two the edge before corner r is the whole one.
        int r = 0;
        for (int k = 0; k < 3; ++k) {
            if ((splits == 1 && m[k] >= 0) || (splits == 2 && m[(k + 2) % 3] < 0)) {
                r = k;
            }
        }
        const int32_t a = t[r];
        const int32_t b = t[(r + 1) % 3];
        const int32_t c = t[(r + 2) % 3];
        const int32_t ab = m[r];
        const int32_t bc = m[(r + 1) % 3];
        const int32_t ca = m[(r + 2) % 3];
        if (splits == 0) {
            finer.push_back(t);
        } else if (splits == 1) {
            finer.push_back({a, ab, c});
            finer.push_back({ab, b, c});
        } else if (splits == 2) {
            finer.push_back({ab, b, bc});
            // The quadrangle left over is cut along its shorter diagonal.
            if ((p[a] - p[bc]).length() < (p[ab] - p[c]).length()) {
                finer.push_back({a, ab, bc});
                finer.push_back({a, bc, c});
            } else {
                finer.push_back({a, ab, c});
                finer.push_back({ab, bc, c});
            }
        } else {
            finer.push_back({a, ab, ca});
            finer.push_back({ab, b, bc});
            finer.push_back({ca, bc, c});
            finer.push_back({ab, bc, ca});
        }
    }
    mesh.triangles.swap(finer);
}

} // namespace

void simplifyToBudget(TriangleMesh& mesh, int maxPoints,
                      const std::function<void(double)>& progress) {
    const size_t budget = static_cast<size_t>(std::max(maxPoints, 4));
    const size_t indexCount = mesh.triangles.size() * 3;
    if (mesh.points.size() <= budget) {
        return;
    }
    std::vector<unsigned int> simplified(indexCount);
    const float* positions = &mesh.points[0][0];
    // A closed surface has about two triangles per point. The simplifier counts triangles, not
    // points, and stops early where the surface's borders or shape forbid a collapse, so the
    // target shrinks until the points fit; where it cannot get there, the sloppy simplifier,
    // which ignores the surface's connections, takes over.
    size_t target = std::min(indexCount, budget * 6);
    size_t count = indexCount;
    // How many tries it takes is not known beforehand.
    double left = 1.0;
    auto tried = [&progress, &left] {
        left *= 0.85;
        if (progress) {
            progress(1.0 - left);
        }
    };
    for (int attempt = 0; attempt < 24; ++attempt) {
        count = meshopt_simplify(simplified.data(), indexData(mesh), indexCount, positions,
                                 mesh.points.size(), sizeof(SbVec3f), target, 1.0f, 0, nullptr);
        tried();
        if (usedPoints(simplified, count, mesh.points.size()) <= budget) {
            break;
        }
        target = target * 9 / 10;
    }
    if (usedPoints(simplified, count, mesh.points.size()) > budget) {
        target = std::min(indexCount, budget * 6);
        for (int attempt = 0; attempt < 16; ++attempt) {
            count =
                meshopt_simplifySloppy(simplified.data(), indexData(mesh), indexCount, positions,
                                       mesh.points.size(), sizeof(SbVec3f), target, 1.0f, nullptr);
            tried();
            if (usedPoints(simplified, count, mesh.points.size()) <= budget) {
                break;
            }
            target = target * 3 / 4;
        }
    }
    mesh.triangles.resize(count / 3);
    std::copy(simplified.begin(), simplified.begin() + count,
              reinterpret_cast<unsigned int*>(mesh.triangles.data()));
    compact(mesh);
}

void evenOutDetail(TriangleMesh& mesh, int maxPoints) {
    // Rounds of splits: each splits the edges within 0.7 of the longest, so that a round never
    // makes a triangle much finer than its neighbours, and the rounds stop at the budget.
    for (int round = 0; round < 64; ++round) {
        const int64_t room = static_cast<int64_t>(maxPoints) - mesh.points.size();
        if (room <= 0) {
            return;
        }
        std::vector<std::pair<float, uint64_t>> edges;
        edges.reserve(mesh.triangles.size() * 3);
        for (const auto& t : mesh.triangles) {
            for (int k = 0; k < 3; ++k) {
                const int32_t a = t[k];
                const int32_t b = t[(k + 1) % 3];
                if (a < b) {
                    edges.emplace_back((mesh.points[a] - mesh.points[b]).length(),
                                       (uint64_t(uint32_t(a)) << 32) | uint32_t(b));
                } else {
                    // An edge on the surface's border has one triangle; counted from either end.
                    edges.emplace_back((mesh.points[a] - mesh.points[b]).length(),
                                       (uint64_t(uint32_t(b)) << 32) | uint32_t(a));
                }
            }
        }
        std::sort(edges.begin(), edges.end(), std::greater<>());
        edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
        if (edges.empty() || !(edges.front().first > 0.0f)) {
            return;
        }
        const float threshold = 0.7f * edges.front().first;
        std::unordered_map<uint64_t, int32_t> midpoints;
        for (const auto& [length, key] : edges) {
            if (length < threshold || static_cast<int64_t>(midpoints.size()) >= room) {
                break;
            }
            const int32_t a = static_cast<int32_t>(key >> 32);
            const int32_t b = static_cast<int32_t>(key & 0xffffffffu);
            midpoints.emplace(key, static_cast<int32_t>(mesh.points.size()));
            mesh.points.push_back((mesh.points[a] + mesh.points[b]) * 0.5f);
            if (!mesh.texCoords.empty()) {
                mesh.texCoords.push_back((mesh.texCoords[a] + mesh.texCoords[b]) * 0.5f);
            }
        }
        splitTriangles(mesh, midpoints);
    }
}

void orderForLocality(TriangleMesh& mesh) {
    unsigned int* indices = reinterpret_cast<unsigned int*>(mesh.triangles.data());
    const size_t indexCount = mesh.triangles.size() * 3;
    meshopt_optimizeVertexCache(indices, indices, indexCount, mesh.points.size());
    compact(mesh);
}
