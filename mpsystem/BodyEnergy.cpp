#include "mpsystem/BodyEnergy.h"

#include "common/Gravity.h"
#include "mpsystem/MpSystem.h"

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
    energy.spring = 0.5 * double(body.stiffness()) * body.squaredStretch();
    energy.height = double(gravity) * weightedHeight;
    return energy;
}
