#pragma once

#include "tools/TriangleMesh.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

/// Every directed edge appears once and its reverse once: the surface is closed, each edge
/// joins exactly two triangles, and neighbouring triangles agree on their winding.
inline ::testing::AssertionResult isClosedAndConsistentlyWound(const TriangleMesh& mesh) {
    std::map<std::pair<int32_t, int32_t>, int> directed;
    for (const auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            if (t[k] < 0 || size_t(t[k]) >= mesh.points.size()) {
                return ::testing::AssertionFailure() << "index " << t[k] << " out of range";
            }
            ++directed[{t[k], t[(k + 1) % 3]}];
        }
    }
    for (const auto& [edge, count] : directed) {
        if (count != 1) {
            return ::testing::AssertionFailure() << "edge " << edge.first << "-" << edge.second
                                                 << " used " << count << " times in one direction";
        }
        if (directed.count({edge.second, edge.first}) != 1) {
            return ::testing::AssertionFailure()
                   << "edge " << edge.first << "-" << edge.second << " has no twin";
        }
    }
    return ::testing::AssertionSuccess();
}

/// For a body that is star-shaped about `inside`, every triangle's counter-clockwise normal
/// points away from it.
inline ::testing::AssertionResult isWoundOutward(const TriangleMesh& mesh, const SbVec3f& inside) {
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        const auto& t = mesh.triangles[i];
        const SbVec3f& a = mesh.points[t[0]];
        const SbVec3f& b = mesh.points[t[1]];
        const SbVec3f& c = mesh.points[t[2]];
        SbVec3f normal = (b - a).cross(c - a);
        SbVec3f centroid = (a + b + c) / 3.0f;
        if (normal.dot(centroid - inside) <= 0) {
            return ::testing::AssertionFailure() << "triangle " << i << " faces inward";
        }
    }
    return ::testing::AssertionSuccess();
}
