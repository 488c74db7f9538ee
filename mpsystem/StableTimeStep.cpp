#include "mpsystem/StableTimeStep.h"

#include "mpsystem/MpSystem.h"
#include "mpsystem/SpringEigenvalue.h"

#include <algorithm>
#include <cmath>
#include <limits>

StableTimeStep::StableTimeStep(const MpSystem& body)
    : eigenvalue_(largestSpringEigenvalue(body)), measuredMass_(body.pointMass()),
      springDamping_(body.springDamping()) {
    for (int i = 0; i < body.numPoints(); ++i) {
        const float m = body.masses()[i];
        if (m > 0.0f && (lightestMass_ == 0 || m < lightestMass_)) {
            lightestMass_ = m;
        }
    }
}

float StableTimeStep::bound(const MpSystem& body, float contactStiffness) const {
    return bound(body.stiffness(), body.damping(), body.pointMass(), contactStiffness);
}

float StableTimeStep::bound(float stiffness, float damping, float pointMass,
                            float contactStiffness) const {
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
    const double omegaSquared = stiffness * mu + std::max(0.0f, contactStiffness) / lightest;
    const double rate = springDamping_ * mu + damping / lightest;
    if (omegaSquared == 0.0 && rate == 0.0) {
        return infinite;
    }
    return static_cast<float>(4.0 / (rate + std::sqrt(rate * rate + 4.0 * omegaSquared)));
}
