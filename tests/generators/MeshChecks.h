#pragma once

#include "generators/TriangleMesh.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

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

/// Every point is the end of exactly one strut, and each strut's ends lie opposite each other
/// through `centre`.
inline ::testing::AssertionResult isBracedThroughCentre(const TriangleMesh& mesh,
                                                        const SbVec3f& centre) {
    std::vector<int> strutsAt(mesh.points.size(), 0);
    for (const auto& [a, b] : mesh.struts) {
        if (a < 0 || b < 0 || size_t(a) >= mesh.points.size() || size_t(b) >= mesh.points.size()) {
            return ::testing::AssertionFailure() << "strut " << a << "-" << b << " out of range";
        }
        if (a >= b) {
            return ::testing::AssertionFailure() << "strut " << a << "-" << b << " not ordered";
        }
        ++strutsAt[a];
        ++strutsAt[b];
        const SbVec3f middle = (mesh.points[a] + mesh.points[b]) / 2;
        if ((middle - centre).length() > 1e-5f) {
            return ::testing::AssertionFailure()
                   << "strut " << a << "-" << b << " misses the centre by "
                   << (middle - centre).length();
        }
    }
    for (size_t i = 0; i < strutsAt.size(); ++i) {
        if (strutsAt[i] != 1) {
            return ::testing::AssertionFailure()
                   << "point " << i << " ends " << strutsAt[i] << " struts";
        }
    }
    return ::testing::AssertionSuccess();
}
