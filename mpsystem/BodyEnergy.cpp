#include "mpsystem/BodyEnergy.h"

#include "common/Gravity.h"
#include "mpsystem/MpSystem.h"

namespace {

// Each spring's length as the step measures it, in single precision, from the positions as
// they stand; the stretch and its square in double precision.
double squaredStretchOfPositions(const MpSystem& body) {
    const SbVec3f* positions = body.positions();
    const SpringEnds* springs = body.springs();
    const double* restLengths = body.restLengths();
    double sum = 0;
    for (int s = 0; s < body.numSprings(); ++s) {
        const float length = (positions[springs[s].a] - positions[springs[s].b]).length();
        const double stretch = double(length) - restLengths[s];
        sum += stretch * stretch;
    }
    return sum;
}

} // namespace

BodyEnergy measureEnergy(const MpSystem& body, float zeroHeight) {
    BodyEnergy energy;
    const SbVec3f* positions = body.positions();
    const SbVec3f* velocities = body.velocities();
    const float* masses = body.masses();
    double twiceKinetic = 0;
    double weightedHeight = 0;
    for (int i = 0; i < body.numPoints(); ++i) {
        const double m = masses[i] > 0.0f ? masses[i] : 0.0f;
        const SbVec3f& v = velocities[i];
        twiceKinetic += m * (double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
        weightedHeight += m * (double(positions[i][1]) - zeroHeight);
    }
    energy.kinetic = 0.5 * twiceKinetic;
    energy.spring = 0.5 * double(body.stiffness()) * squaredStretchOfPositions(body);
    energy.height = double(gravity) * weightedHeight;
    return energy;
}
