#include "control/BodySource.h"

#include "mpsystem/MpSystem.h"

BodyMaterial materialOf(const MpSystem& body) {
    return BodyMaterial{body.stiffness(), body.damping(), body.pointMass(), body.pressure()};
}

bool giveMaterial(MpSystem& body, const BodyMaterial& material) {
    body.setStiffness(material.stiffness);
    body.setDamping(material.damping);
    body.setPointMass(material.pointMass);
    return body.setPressure(material.pressure);
}

std::string pressureRefusal(const MpSystem& body, const BodyMaterial& material) {
    return material.pressure > 0.0f && body.pressure() == 0.0f ? body.pressureRefusal() : "";
}
