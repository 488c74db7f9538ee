#include "mpsystem/SphericalTexCoords.h"

#include <algorithm>
#include <cmath>

std::vector<SbVec2f> sphericalTexCoords(const std::vector<SbVec3f>& points) {
    double centre[3] = {0, 0, 0};
    for (const SbVec3f& q : points) {
        for (int k = 0; k < 3; ++k) {
            centre[k] += q[k];
        }
    }
    for (double& c : centre) {
        c /= std::max<std::size_t>(points.size(), 1);
    }
    const double pi = 3.14159265358979323846;
    std::vector<SbVec2f> texCoords;
    texCoords.reserve(points.size());
    for (const SbVec3f& q : points) {
        const double dx = q[0] - centre[0];
        const double dy = q[1] - centre[1];
        const double dz = q[2] - centre[2];
        const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double u = 0.5 + std::atan2(dz, dx) / (2 * pi);
        const double v = r > 0 ? 0.5 + std::asin(std::clamp(dy / r, -1.0, 1.0)) / pi : 0.5;
        texCoords.emplace_back(static_cast<float>(u), static_cast<float>(v));
    }
    return texCoords;
}
