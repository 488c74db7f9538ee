#include "prepare/Bracing.h"

#include "prepare/RayCaster.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

/// A strut shorter than this many times the mean edge length at its point braces no more than
/// the surface around it does.
constexpr float shortestStrut = 1.5f;

uint64_t pairKey(int32_t a, int32_t b) {
    const uint32_t low = static_cast<uint32_t>(std::min(a, b));
    const uint32_t high = static_cast<uint32_t>(std::max(a, b));
    return (static_cast<uint64_t>(low) << 32) | high;
}

struct Candidate {
    float length;
    int32_t a;
    int32_t b;
};

/// The fan of ray directions at a point with outward normal n: straight in, two rings
/// leaning 40 and 70 degrees away from straight in, and a smaller fan outward, which finds the
/// other side of a hollow or open part. Each point's rings are turned by the golden angle
/// against the previous point's, so neighbours look in different directions.
std::vector<SbVec3f> rayDirections(const SbVec3f& n, int32_t point) {
    SbVec3f u = std::fabs(n[0]) < 0.6f ? SbVec3f(1, 0, 0).cross(n) : SbVec3f(0, 1, 0).cross(n);
    u.normalize();
    const SbVec3f w = n.cross(u);
    const float golden = 2.39996323f;
    const float turn = golden * static_cast<float>(point % 1024);
    std::vector<SbVec3f> directions;
    auto ring = [&](const SbVec3f& axis, float lean, int count) {
        for (int k = 0; k < count; ++k) {
            const float angle = turn + 6.28318531f * static_cast<float>(k) / count;
            directions.push_back(axis * std::cos(lean) +
                                 (u * std::cos(angle) + w * std::sin(angle)) * std::sin(lean));
        }
    };
    directions.push_back(-n);
    ring(-n, 0.70f, 6);
    ring(-n, 1.22f, 6);
    directions.push_back(n);
    ring(n, 0.79f, 4);
    return directions;
}

/// Struts the far bracing may give each point, out of its share of springs.
constexpr int farStrutsPerPoint = 4;

/// Struts from every point to a few far points of the body, in different directions, whether
/// or not the surface lies between them. A thin limb holds only short struts across itself,
/// and a chain of them bends as easily as one; tied to the far side of the body it keeps its
/// place as the body does. The partners are drawn from a fixed sequence, so a model always
/// gives the same body.
int64_t addFarStruts(TriangleMesh& mesh, std::vector<uint64_t>& edges,
                     std::vector<int32_t>& springs, int maxSpringsPerPoint) {
    const int32_t n = static_cast<int32_t>(mesh.points.size());
    const std::vector<SbVec3f>& p = mesh.points;
    if (n < 2) {
        return 0;
    }
    SbVec3f low = p[0];
    SbVec3f high = p[0];
    for (const SbVec3f& q : p) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], q[a]);
            high[a] = std::max(high[a], q[a]);
        }
    }
    const float far = 0.35f * (high - low).length();
    for (const auto& s : mesh.struts) {
        edges.push_back(pairKey(s[0], s[1]));
    }
    std::sort(edges.begin(), edges.end());
    std::mt19937 draw(12345);
    std::uniform_int_distribution<int32_t> anyPoint(0, n - 1);
    int64_t added = 0;
    constexpr int draws = 24;
    for (int32_t i = 0; i < n; ++i) {
        std::vector<SbVec3f> chosen;
        for (int k = 0; k < draws && springs[i] < maxSpringsPerPoint &&
                        static_cast<int>(chosen.size()) < farStrutsPerPoint;
             ++k) {
            const int32_t j = anyPoint(draw);
            SbVec3f d = p[j] - p[i];
            const float length = d.normalize();
            if (j == i || length < far || springs[j] >= maxSpringsPerPoint ||
                std::binary_search(edges.begin(), edges.end(), pairKey(i, j))) {
                continue;
            }
            // Struts along nearly the same line would brace the point in one direction only.
            bool apart = true;
            for (const SbVec3f& c : chosen) {
                apart = apart && d.dot(c) < 0.7f;
            }
            if (!apart) {
                continue;
            }
            chosen.push_back(d);
            mesh.struts.push_back({i, j});
            edges.insert(std::upper_bound(edges.begin(), edges.end(), pairKey(i, j)),
                         pairKey(i, j));
            ++springs[i];
            ++springs[j];
            ++added;
        }
    }
    return added;
}

int32_t findRoot(std::vector<int32_t>& parent, int32_t i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

/// Ties every separate part of the surface (an eye, a tooth, a wheel of a model of several
/// objects) to the parts already tied, largest first, so that the body is one piece and no
/// part falls off: each of a part's outermost points along the six axis directions gets a
/// strut to the nearest point already tied that has room for another spring.
int64_t tieParts(TriangleMesh& mesh, std::vector<int32_t>& springs, int maxSpringsPerPoint) {
    const int32_t n = static_cast<int32_t>(mesh.points.size());
    const std::vector<SbVec3f>& p = mesh.points;
    std::vector<int32_t> parent(n);
    for (int32_t i = 0; i < n; ++i) {
        parent[i] = i;
    }
    auto join = [&parent](int32_t a, int32_t b) {
        parent[findRoot(parent, a)] = findRoot(parent, b);
    };
    for (const auto& t : mesh.triangles) {
        join(t[0], t[1]);
        join(t[1], t[2]);
    }
    for (const auto& s : mesh.struts) {
        join(s[0], s[1]);
    }
    std::vector<std::vector<int32_t>> parts;
    std::vector<int32_t> partOfRoot(n, -1);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t root = findRoot(parent, i);
        if (partOfRoot[root] < 0) {
            partOfRoot[root] = static_cast<int32_t>(parts.size());
            parts.emplace_back();
        }
        parts[partOfRoot[root]].push_back(i);
    }
    if (parts.size() < 2) {
        return 0;
    }
    std::stable_sort(parts.begin(), parts.end(),
                     [](const auto& x, const auto& y) { return x.size() > y.size(); });
    std::vector<bool> tied(n, false);
    for (int32_t i : parts[0]) {
        tied[i] = true;
    }
    int64_t added = 0;
    const SbVec3f axes[] = {SbVec3f(1, 0, 0),  SbVec3f(-1, 0, 0), SbVec3f(0, 1, 0),
                            SbVec3f(0, -1, 0), SbVec3f(0, 0, 1),  SbVec3f(0, 0, -1)};
    for (size_t k = 1; k < parts.size(); ++k) {
        std::vector<int32_t> anchors;
        for (const SbVec3f& axis : axes) {
            int32_t best = parts[k].front();
            for (int32_t i : parts[k]) {
                best = p[i].dot(axis) > p[best].dot(axis) ? i : best;
            }
            if (std::find(anchors.begin(), anchors.end(), best) == anchors.end()) {
                anchors.push_back(best);
            }
        }
        for (int32_t a : anchors) {
            // A point with room is preferred; a part must be tied even where every point
            // near it is full.
            int32_t nearest = -1;
            float nearestDistance = std::numeric_limits<float>::infinity();
            bool nearestHasRoom = false;
            for (int32_t j = 0; j < n; ++j) {
                if (!tied[j]) {
                    continue;
                }
                const bool room = springs[j] < maxSpringsPerPoint;
                const float d = (p[j] - p[a]).length();
                if ((room && !nearestHasRoom) || (room == nearestHasRoom && d < nearestDistance)) {
                    nearest = j;
                    nearestDistance = d;
                    nearestHasRoom = room;
                }
            }
            mesh.struts.push_back({a, nearest});
            ++springs[a];
            ++springs[nearest];
            ++added;
        }
        for (int32_t i : parts[k]) {
            tied[i] = true;
        }
    }
    return added;
}

} // namespace

int64_t tieSeparateParts(TriangleMesh& mesh, int maxSpringsPerPoint) {
    std::vector<int32_t> springs(mesh.points.size(), 0);
    std::vector<uint64_t> edges;
    for (const auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            edges.push_back(pairKey(t[k], t[(k + 1) % 3]));
        }
    }
    for (const auto& s : mesh.struts) {
        edges.push_back(pairKey(s[0], s[1]));
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (uint64_t key : edges) {
        ++springs[static_cast<std::size_t>(key >> 32)];
        ++springs[static_cast<std::size_t>(key & 0xffffffffu)];
    }
    return tieParts(mesh, springs, maxSpringsPerPoint);
}

BracingCounts addBracing(TriangleMesh& mesh, int maxSpringsPerPoint,
                         const std::function<void(double)>& progress) {
    const int32_t n = static_cast<int32_t>(mesh.points.size());
    const std::vector<SbVec3f>& p = mesh.points;

    std::vector<uint64_t> edges;
    edges.reserve(mesh.triangles.size() * 3 + mesh.struts.size());
    for (const auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            edges.push_back(pairKey(t[k], t[(k + 1) % 3]));
        }
    }
    for (const auto& s : mesh.struts) {
        edges.push_back(pairKey(s[0], s[1]));
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::vector<int32_t> springs(n, 0);
    std::vector<float> edgeLengthSum(n, 0.0f);
    for (uint64_t key : edges) {
        const int32_t a = static_cast<int32_t>(key >> 32);
        const int32_t b = static_cast<int32_t>(key & 0xffffffffu);
        const float length = (p[a] - p[b]).length();
        for (int32_t end : {a, b}) {
            ++springs[end];
            edgeLengthSum[end] += length;
        }
    }

    // Area-weighted normals; a point whose triangles cancel out looks away from the centroid.
    SbVec3f centroid(0, 0, 0);
    for (const SbVec3f& q : p) {
        centroid += q / static_cast<float>(std::max(n, 1));
    }
    std::vector<SbVec3f> normals(n, SbVec3f(0, 0, 0));
    for (const auto& t : mesh.triangles) {
        const SbVec3f area = (p[t[1]] - p[t[0]]).cross(p[t[2]] - p[t[0]]);
        for (int32_t corner : t) {
            normals[corner] += area;
        }
    }

    const RayCaster caster(mesh);
    std::vector<Candidate> candidates;
    // The rays take nearly all of the time.
    const int32_t progressStep = std::max<int32_t>(n / 100, 1);
    for (int32_t i = 0; i < n; ++i) {
        if (progress && i % progressStep == 0) {
            progress(0.95 * i / n);
        }
        SbVec3f normal = normals[i];
        if (normal.length() < 1e-20f) {
            normal = p[i] - centroid;
        }
        if (normal.length() < 1e-20f) {
            normal.setValue(0, 1, 0);
        }
        normal.normalize();
        const float meanEdge = springs[i] > 0 ? edgeLengthSum[i] / springs[i] : 0.0f;
        for (const SbVec3f& direction : rayDirections(normal, i)) {
            float distance = 0;
            const int32_t hit = caster.firstHit(p[i], direction, i, distance);
            if (hit < 0) {
                continue;
            }
            const SbVec3f meeting = p[i] + direction * distance;
            int32_t nearest = -1;
            float nearestDistance = std::numeric_limits<float>::infinity();
            for (int32_t corner : mesh.triangles[hit]) {
                const float d = (p[corner] - meeting).length();
                if (corner != i && d < nearestDistance) {
                    nearest = corner;
                    nearestDistance = d;
                }
            }
            const float length = (p[nearest] - p[i]).length();
            if (length > shortestStrut * meanEdge) {
                candidates.push_back({length, i, nearest});
            }
        }
    }

    std::sort(candidates.begin(), candidates.end(), [](const Candidate& x, const Candidate& y) {
        return x.length != y.length ? x.length > y.length : pairKey(x.a, x.b) < pairKey(y.a, y.b);
    });
    // Both ends of a pair may find each other; the two have the same length, so they are
    // neighbours in this order.
    candidates.erase(std::unique(candidates.begin(), candidates.end(),
                                 [](const Candidate& x, const Candidate& y) {
                                     return pairKey(x.a, x.b) == pairKey(y.a, y.b);
                                 }),
                     candidates.end());
    BracingCounts counts;
    const int rayLimit = maxSpringsPerPoint - farStrutsPerPoint;
    for (const Candidate& c : candidates) {
        if (springs[c.a] >= rayLimit || springs[c.b] >= rayLimit ||
            std::binary_search(edges.begin(), edges.end(), pairKey(c.a, c.b))) {
            continue;
        }
        mesh.struts.push_back({c.a, c.b});
        ++springs[c.a];
        ++springs[c.b];
        ++counts.struts;
    }
    counts.struts += addFarStruts(mesh, edges, springs, maxSpringsPerPoint);
    counts.struts += tieParts(mesh, springs, maxSpringsPerPoint);
    counts.mostSpringsAtAPoint = n > 0 ? *std::max_element(springs.begin(), springs.end()) : 0;
    return counts;
}
