#include "prepare/Simplify.h"

#include <meshoptimizer.h>

#include <algorithm>

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

} // namespace

void simplifyToBudget(TriangleMesh& mesh, int maxPoints) {
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
    for (int attempt = 0; attempt < 24; ++attempt) {
        count = meshopt_simplify(simplified.data(), indexData(mesh), indexCount, positions,
                                 mesh.points.size(), sizeof(SbVec3f), target, 1.0f, 0, nullptr);
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

void orderForLocality(TriangleMesh& mesh) {
    unsigned int* indices = reinterpret_cast<unsigned int*>(mesh.triangles.data());
    const size_t indexCount = mesh.triangles.size() * 3;
    meshopt_optimizeVertexCache(indices, indices, indexCount, mesh.points.size());
    compact(mesh);
}
