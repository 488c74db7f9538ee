#include "balls/SceneEnergy.h"

BodyEnergy measureEnergy(const std::vector<MpSystem*>& bodies, float zeroHeight) {
    BodyEnergy sum;
    for (const MpSystem* body : bodies) {
        const BodyEnergy energy = measureEnergy(*body, zeroHeight);
        sum.kinetic += energy.kinetic;
        sum.spring += energy.spring;
        sum.height += energy.height;
    }
    return sum;
}
