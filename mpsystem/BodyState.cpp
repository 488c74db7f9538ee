#include "mpsystem/BodyState.h"

#include "mpsystem/MpSystem.h"

BodyState::BodyState(const MpSystem& body)
    : positions(body.numPoints()), velocities(body.numPoints()), externalForces(body.numPoints()),
      masses(body.numPoints()), pinned(body.numPoints()) {
    if (body.hasSingleLengths()) {
        singleLastLengths.resize(body.numSprings());
    } else {
        doubleLastLengths.resize(body.numSprings());
    }
}
