#include "control/BodySource.h"

#include "control/ExactRotation.h"
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

void turnAsMade(MpSystem& body, const BodySource& source) {
    if (source.turn != SbVec4f(0, 0, 0, 1)) {
        body.turnBy(exactRotation(source.turn));
    }
}

int32_t pinAsMade(MpSystem& body, const BodySource& source) {
    int32_t beyond = -1;
    for (const int32_t i : source.pins) {
        if (i >= 0 && i < body.numPoints()) {
            body.setPinned(i, true);
        } else if (beyond < 0) {
            beyond = i;
        }
    }
    return beyond;
}

void forgetPose(BodySource& source) {
    source.turn = SbVec4f(0, 0, 0, 1);
    source.byOffset = false;
    source.offset = SbVec3f(0, 0, 0);
    source.pins.clear();
}
