#include "prepare/Placement.h"

#include "mpsystem/SphericalTexCoords.h"

#include <algorithm>
#include <cmath>

namespace {

struct Bounds {
    SbVec3f low;
    SbVec3f high;
};

Bounds bounds(const std::vector<SbVec3f>& points) {
    Bounds b{points.front(), points.front()};
    for (const SbVec3f& p : points) {
        for (int a = 0; a < 3; ++a) {
            b.low[a] = std::min(b.low[a], p[a]);
            b.high[a] = std::max(b.high[a], p[a]);
        }
    }
    return b;
}

void swapPoints(TriangleMesh& mesh, int32_t a, int32_t b) {
    if (a == b) {
        return;
    }
    std::swap(mesh.points[a], mesh.points[b]);
    if (!mesh.texCoords.empty()) {
        std::swap(mesh.texCoords[a], mesh.texCoords[b]);
    }
    for (auto& t : mesh.triangles) {
        for (int32_t& corner : t) {
            corner = corner == a ? b : corner == b ? a : corner;
        }
    }
    for (auto& s : mesh.struts) {
        for (int32_t& end : s) {
            end = end == a ? b : end == b ? a : end;
        }
    }
}

} // namespace

void turnUp(TriangleMesh& mesh, UpAxis up) {
    if (up == UpAxis::Z) {
        for (SbVec3f& p : mesh.points) {
            p.setValue(p[0], p[2], -p[1]);
        }
    }
}

float placeOnStand(TriangleMesh& mesh, const Stand& stand) {
    if (mesh.points.empty()) {
        return 0.0f;
    }
    const Bounds b = bounds(mesh.points);
    const SbVec3f extent = b.high - b.low;
    const float largest = std::max({extent[0], extent[1], extent[2]});
    const float scale = stand.size / largest;
    if (!(largest > 0.0f) || !std::isfinite(scale) || !(scale > 0.0f)) {
        return 0.0f;
    }
    const SbVec3f centre = (b.low + b.high) * 0.5f;
    for (SbVec3f& p : mesh.points) {
        p = stand.centre + (p - centre) * scale;
    }
    return scale;
}

void assignSphericalTexCoords(TriangleMesh& mesh) {
    mesh.texCoords = sphericalTexCoords(mesh.points);
}

void chooseKeyPoints(TriangleMesh& mesh) {
    const int32_t n = static_cast<int32_t>(mesh.points.size());
    if (n < 7) {
        return;
    }
    const int32_t slots[] = {0, 1, 2, 5, 6};
    const SbVec3f directions[] = {SbVec3f(0, 1, 0), SbVec3f(1, 0, 0), SbVec3f(-1, 0, 0),
                                  SbVec3f(0, 0, 1), SbVec3f(0, 0, -1)};
    for (int k = 0; k < 5; ++k) {
        // Slots already filled keep their points; a small body may have one point outermost
        // in two directions, and then the next best is taken.
        int32_t best = -1;
        for (int32_t i = 0; i < n; ++i) {
            bool taken = false;
            for (int j = 0; j < k; ++j) {
                taken = taken || slots[j] == i;
            }
            if (!taken && (best < 0 || mesh.points[i].dot(directions[k]) >
                                           mesh.points[best].dot(directions[k]))) {
                best = i;
            }
        }
        swapPoints(mesh, slots[k], best);
    }
}
