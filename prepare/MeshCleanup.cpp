#include "prepare/MeshCleanup.h"

#include <meshoptimizer.h>

#include <algorithm>

namespace {

static_assert(sizeof(std::array<int32_t, 3>) == 3 * sizeof(unsigned int),
              "triangles are handed to the simplifier as a flat index list");

bool isDegenerate(const TriangleMesh& mesh, const std::array<int32_t, 3>& t) {
    if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0]) {
        return true;
    }
    const SbVec3f& a = mesh.points[t[0]];
    const SbVec3f area = (mesh.points[t[1]] - a).cross(mesh.points[t[2]] - a);
    return area.dot(area) == 0.0f;
}

/// Keeps the points that triangles use, in their order, and renumbers the triangles.
void dropUnusedPoints(TriangleMesh& mesh) {
    std::vector<int32_t> newIndex(mesh.points.size(), -1);
    int32_t used = 0;
    for (auto& t : mesh.triangles) {
        for (int32_t& corner : t) {
            if (newIndex[corner] < 0) {
                newIndex[corner] = used++;
            }
            corner = newIndex[corner];
        }
    }
    std::vector<SbVec3f> points(used);
    std::vector<SbVec2f> texCoords(mesh.texCoords.empty() ? 0 : used);
    for (size_t i = 0; i < newIndex.size(); ++i) {
        if (newIndex[i] >= 0) {
            points[newIndex[i]] = mesh.points[i];
            if (!texCoords.empty()) {
                texCoords[newIndex[i]] = mesh.texCoords[i];
            }
        }
    }
    mesh.points.swap(points);
    mesh.texCoords.swap(texCoords);
}

} // namespace

CleanupCounts weldAndClean(TriangleMesh& mesh) {
    CleanupCounts counts;
    const size_t n = mesh.points.size();
    std::vector<unsigned int> remap(n);
    // Welding looks at the positions only: corners that touch must become one point, or the
    // body would tear along every seam of the texture or of the normals.
    const size_t welded = meshopt_generateVertexRemap(remap.data(), nullptr, n, mesh.points.data(),
                                                      n, sizeof(SbVec3f));
    counts.weldedPoints = static_cast<int64_t>(n - welded);
    std::vector<int32_t> firstOf(welded, -1);
    for (size_t i = 0; i < n; ++i) {
        if (firstOf[remap[i]] < 0) {
            firstOf[remap[i]] = static_cast<int32_t>(i);
        }
    }
    for (auto& t : mesh.triangles) {
        for (int32_t& corner : t) {
            corner = firstOf[remap[corner]];
        }
    }

    std::vector<std::array<int32_t, 3>> kept;
    kept.reserve(mesh.triangles.size());
    std::vector<std::array<int32_t, 4>> sorted; // sorted corners and the triangle's number
    sorted.reserve(mesh.triangles.size());
    for (const auto& t : mesh.triangles) {
        if (isDegenerate(mesh, t)) {
            ++counts.degenerateTriangles;
            continue;
        }
        std::array<int32_t, 3> key = t;
        std::sort(key.begin(), key.end());
        sorted.push_back({key[0], key[1], key[2], static_cast<int32_t>(kept.size())});
        kept.push_back(t);
    }
    std::sort(sorted.begin(), sorted.end());
    std::vector<bool> duplicate(kept.size(), false);
    for (size_t k = 1; k < sorted.size(); ++k) {
        if (std::equal(sorted[k].begin(), sorted[k].begin() + 3, sorted[k - 1].begin())) {
            duplicate[sorted[k][3]] = true;
        }
    }
    mesh.triangles.clear();
    for (size_t k = 0; k < kept.size(); ++k) {
        if (duplicate[k]) {
            ++counts.duplicateTriangles;
        } else {
            mesh.triangles.push_back(kept[k]);
        }
    }
    dropUnusedPoints(mesh);
    return counts;
}
