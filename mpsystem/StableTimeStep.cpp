#include "mpsystem/StableTimeStep.h"

#include "mpsystem/MpSystem.h"
#include "mpsystem/SpringEigenvalue.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

/// The bound on w^2 per unit of pressure (see the header): the largest, over the moving points,
/// of the point's row sum over its mass.
double pressureStiffnessOf(const MpSystem& body) {
    const double restVolume = std::fabs(body.restVolume());
    if (!body.pressureProblem().empty() || !(restVolume > 0.0)) {
        return 0.0;
    }
    const int n = body.numPoints();
    const SbVec3f* p = body.positions();
    std::vector<double> perimeters(static_cast<std::size_t>(n), 0.0);
    std::vector<SbVec3f> gradients(static_cast<std::size_t>(n), SbVec3f(0, 0, 0));
    const int32_t* faces = body.faceIndices();
    for (int k = 0; k + 2 < body.numFaceIndices(); k += 4) {
        const int32_t* c = faces + k;
        const SbVec3f& a = p[c[0]];
        const SbVec3f& b = p[c[1]];
        const SbVec3f& d = p[c[2]];
        const double perimeter = (b - a).length() + (d - b).length() + (a - d).length();
        const SbVec3f share = triangleCross(a, b, d) / 6.0f;
        for (int j = 0; j < 3; ++j) {
            perimeters[static_cast<std::size_t>(c[j])] += perimeter;
            gradients[static_cast<std::size_t>(c[j])] += share;
        }
    }
    double gradientSum = 0;
    for (const SbVec3f& g : gradients) {
        gradientSum += g.length();
    }
    double most = 0;
    for (int i = 0; i < n; ++i) {
        const double m = body.masses()[i];
        if (m > 0.0) {
            const double row =
                perimeters[static_cast<std::size_t>(i)] / 6.0 +
                gradients[static_cast<std::size_t>(i)].length() * gradientSum / restVolume;
            most = std::max(most, row / m);
        }
    }
    return most;
}

} // namespace

StableTimeStep::StableTimeStep(const MpSystem& body)
    : eigenvalue_(largestSpringEigenvalue(body)), pressureStiffness_(pressureStiffnessOf(body)),
      measuredMass_(body.pointMass()), springDamping_(body.springDamping()) {
    for (int i = 0; i < body.numPoints(); ++i) {
        const float m = body.masses()[i];
        if (m > 0.0f && (lightestMass_ == 0 || m < lightestMass_)) {
            lightestMass_ = m;
        }
    }
}

float StableTimeStep::bound(const MpSystem& body, float contactStiffness) const {
    return bound(body.stiffness(), body.damping(), body.pointMass(), contactStiffness,
                 body.pressure());
}

float StableTimeStep::bound(float stiffness, float damping, float pointMass, float contactStiffness,
                            float pressure) const {
    const float infinite = std::numeric_limits<float>::infinity();
    if (stiffness < 0.0f || damping < 0.0f) {
        return 0.0f;
    }
    const bool scalable = measuredMass_ > 0.0f;
    if (!hasMovingPoints() || (scalable && !(pointMass > 0.0f))) {
        return infinite;
    }
    // Every mass changes in proportion with the point mass.
    const double massScale = scalable ? double(pointMass) / measuredMass_ : 1.0;
    const double mu = eigenvalue_ / massScale;
    const double lightest = lightestMass_ * massScale;
    const double omegaSquared = stiffness * mu +
                                std::max(0.0f, pressure) * pressureStiffness_ / massScale +
                                std::max(0.0f, contactStiffness) / lightest;
    const double rate = springDamping_ * mu + damping / lightest;
    if (omegaSquared == 0.0 && rate == 0.0) {
        return infinite;
    }
    return static_cast<float>(4.0 / (rate + std::sqrt(rate * rate + 4.0 * omegaSquared)));
}
