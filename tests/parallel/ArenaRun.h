#pragma once

#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"

#include <memory>
#include <string>

class SoSeparator;

/// A sphere body with `level` subdivisions, radius 3, standing on the start-up floor against
/// the inner pillar at (-4, -4), with three balls resting against it and one more shot at it:
/// every kind of contact the body can have happens within the first ticks.
class ArenaRun {
public:
    /// `fast` runs the program's step and contact pass, else the plain ones.
    ArenaRun(int level, bool fast);
    ~ArenaRun();
    ArenaRun(const ArenaRun&) = delete;
    ArenaRun& operator=(const ArenaRun&) = delete;

    /// One timer tick: the body's step, the balls' step, the contact pass.
    void tick(float dt);

    /// Whether some point is now under the floor, inside a pillar, inside a ball.
    bool bodyUnderFloor() const;
    bool bodyInPillar() const;
    bool bodyInBall() const;

    MpSystem& body() const { return *body_; }
    const BallSet& balls() const { return balls_; }
    const CollisionWorld& collisions() const { return collisions_; }

private:
    bool fast_;
    SoSeparator* world_;
    std::unique_ptr<MpSystem> body_;
    CollisionWorld collisions_;
    BallSet balls_;
    BallLightSet lights_;
};

/// A sphere mesh as text, for bodies read by the tests.
std::string sphereMesh(int level, float radius, float x, float y, float z);
