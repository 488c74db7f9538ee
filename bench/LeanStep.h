#pragma once

#include "mpsystem/BodyMesh.h"

#include <vector>

class MpSystem;

/// The yardstick for the program's step: the plain step written as lean as the body's rules
/// allow. Its four passes (gravity and the external forces, the springs, semi-implicit Euler,
/// clearing the external forces) run one after another on one thread, straight over arrays of
/// the body's own types, without the reference step's guards against coincident spring ends,
/// massless points and overflow. Where no guard would act (a sphere at the benchmarks'
/// settings) it gives the reference step's numbers bit for bit.
class LeanBody {
public:
    /// A copy of the body's state and constants.
    explicit LeanBody(const MpSystem& body);

    void step(float dt);

    /// True when the positions and velocities equal the body's, bit for bit.
    bool sameState(const MpSystem& body) const;

private:
    struct Vec3 {
        float x;
        float y;
        float z;
    };

    std::vector<Vec3> positions_;
    std::vector<Vec3> velocities_;
    std::vector<Vec3> forces_;
    std::vector<Vec3> externalForces_;
    std::vector<float> masses_;
    std::vector<SpringEnds> springs_;
    std::vector<double> restLengths_;
    std::vector<double> lastLengths_;
    float damping_;
    float stiffness_;
    float springDamping_;
};
