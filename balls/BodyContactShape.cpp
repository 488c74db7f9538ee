#include "balls/BodyContactShape.h"

#include "balls/PointColumns.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>

namespace {

/// The lower middle of `values` (reordered), or 0 when there are none.
double median(std::vector<double>& values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>((values.size() - 1) / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

/// Each point's normal at rest: the sum of the area-weighted normals of its triangles, as
/// they are wound, not made unit length (a point on no triangle has none).
std::vector<SbVec3f> restNormals(const MpSystem& body) {
    std::vector<SbVec3f> normals(static_cast<size_t>(body.numPoints()), SbVec3f(0, 0, 0));
    const int32_t* faces = body.faceIndices();
    const SbVec3f* rest = body.positions();
    for (int k = 0; k + 2 < body.numFaceIndices(); k += 4) {
        const int32_t a = faces[k];
        const int32_t b = faces[k + 1];
        const int32_t c = faces[k + 2];
        const SbVec3f n = (rest[b] - rest[a]).cross(rest[c] - rest[a]);
        normals[a] += n;
        normals[b] += n;
        normals[c] += n;
    }
    return normals;
}

/// Whether two points close at rest lie on facing sides of a thin part rather than on one
/// stretch of the surface: their normals point more than 120 degrees apart, and each lies
/// behind the other's surface.
bool facing(const SbVec3f& p, const SbVec3f& np, const SbVec3f& q, const SbVec3f& nq) {
    const float lengths = np.length() * nq.length();
    return lengths > 0 && np.dot(nq) < -0.5f * lengths && (q - p).dot(np) < 0 &&
           (p - q).dot(nq) < 0;
}

} // namespace

BodyContactShape::BodyContactShape(const MpSystem& body)
    : restPositions_(body.positions(), body.positions() + body.numPoints()) {
    SbVec3f low(0, 0, 0);
    SbVec3f high(0, 0, 0);
    for (int i = 0; i < numPoints(); ++i) {
        for (int a = 0; a < 3; ++a) {
            low[a] = i == 0 ? restPositions_[i][a] : std::min(low[a], restPositions_[i][a]);
            high[a] = i == 0 ? restPositions_[i][a] : std::max(high[a], restPositions_[i][a]);
        }
    }
    restDiameter_ = (high - low).length();
    measureRadius(body);
    patches_ = std::make_unique<BodyPatches>(restPositions_.data(), numPoints(), fabricDistance());
    listNearPartners(body);
}

void BodyContactShape::measureRadius(const MpSystem& body) {
    std::vector<double> lengths;
    const int32_t* faces = body.faceIndices();
    lengths.reserve(static_cast<size_t>(body.numFaceIndices()));
    for (int k = 0; k + 2 < body.numFaceIndices(); k += 4) {
        for (int e = 0; e < 3; ++e) {
            const SbVec3f& a = restPositions_[faces[k + e]];
            const SbVec3f& b = restPositions_[faces[k + (e + 1) % 3]];
            const double length = std::sqrt(double(a[0] - b[0]) * (a[0] - b[0]) +
                                            double(a[1] - b[1]) * (a[1] - b[1]) +
                                            double(a[2] - b[2]) * (a[2] - b[2]));
            if (length > 0) {
                lengths.push_back(length);
            }
        }
    }
    // A body without triangles has only springs to tell its spacing.
    if (lengths.empty()) {
        for (int s = 0; s < body.numSprings(); ++s) {
            if (body.restLengths()[s] > 0) {
                lengths.push_back(body.restLengths()[s]);
            }
        }
    }
    radius_ = static_cast<float>(0.5 * median(lengths));
    if (!std::isfinite(radius_)) {
        radius_ = 0;
    }
}

void BodyContactShape::listNearPartners(const MpSystem& body) {
    const int n = numPoints();
    nearStart_.assign(static_cast<size_t>(n) + 1, 0);
    const float fabric = fabricDistance();
    if (!(fabric > 0) || body.numFaceIndices() == 0) {
        return;
    }
    const std::vector<SbVec3f> normals = restNormals(body);
    PointColumns columns;
    columns.build(restPositions_.data(), n, fabric);
    const float fabricSquared = fabric * fabric;
    std::vector<std::pair<int32_t, int32_t>> pairs;
    columns.visitColumns(
        0, columns.numColumns(),
        [&](int e, int from, int to) {
            const int i = columns.sortedPoint(e);
            const SbVec3f& p = restPositions_[i];
            for (int f = from; f < to; ++f) {
                const int j = columns.sortedPoint(f);
                if (j > i && squaredDistance(p, restPositions_[j]) < fabricSquared &&
                    facing(p, normals[i], restPositions_[j], normals[j])) {
                    pairs.emplace_back(i, j);
                }
            }
        },
        [](int) {});
    for (const auto& pair : pairs) {
        ++nearStart_[pair.first + 1];
        ++nearStart_[pair.second + 1];
    }
    for (int i = 0; i < n; ++i) {
        nearStart_[i + 1] += nearStart_[i];
        if (nearStart_[i + 1] > nearStart_[i]) {
            nearPoints_.push_back(i);
        }
    }
    nearPartners_.resize(pairs.size() * 2);
    std::vector<int32_t> cursor(nearStart_.begin(), nearStart_.end() - 1);
    for (const auto& pair : pairs) {
        nearPartners_[cursor[pair.first]++] = pair.second;
        nearPartners_[cursor[pair.second]++] = pair.first;
    }
    for (int i = 0; i < n; ++i) {
        std::sort(nearPartners_.begin() + nearStart_[i], nearPartners_.begin() + nearStart_[i + 1]);
    }
}

BodyContactShape::~BodyContactShape() = default;

float BodyContactShape::selfContactDistance(int i, int j) const {
    const float contact = contactDistance();
    if (!patches_->areNeighbours(patches_->patchOf(i), patches_->patchOf(j))) {
        return contact;
    }
    if (!std::binary_search(nearBegin(i), nearEnd(i), j)) {
        return 0;
    }
    // A hundredth of the contact distance closer than at rest: the rounding of a body carried
    // far from where it was read shifts its points by far less, and must not make it push.
    const float rest = std::sqrt(squaredDistance(restPositions_[i], restPositions_[j]));
    return std::max(0.0f, std::min(contact, rest - 0.01f * contact));
}
