#pragma once

#include <Inventor/SbVec3f.h>

#include <vector>

class BallSet;
class MpSystem;

/// A pillar for contacts: (x, radius, z), an infinite vertical cylinder about the line
/// through (x, z).
using PillarCircle = SbVec3f;

/// An axis-aligned square wall: exactly one non-zero component of `position` gives its normal
/// axis and signed coordinate w; a wall at w < 0 keeps things above w, at w > 0 below w.
struct Wall {
    SbVec3f position;
    float halfExtent;
};

/// Gathers every contact force of the arena once per tick as penalty forces, into the
/// accumulators that the body's and the balls' next steps consume.
class CollisionWorld {
public:
    static constexpr float bodyWallStiffness = 60;
    static constexpr float ballWallStiffness = 1000;
    static constexpr float bodyPillarStiffness = 200;
    static constexpr float ballPillarStiffness = 1000;
    static constexpr float bodyBallStiffness = 2000;
    static constexpr float ballBallStiffness = 60;

    void addBody(MpSystem* body) { bodies_.push_back(body); }
    void clearBodies() { bodies_.clear(); }
    void addPillar(const PillarCircle& pillar) { pillars_.push_back(pillar); }
    void addWall(const Wall& wall) { walls_.push_back(wall); }
    void setBalls(BallSet* balls) { balls_ = balls; }

    /// Adds the contact forces of the current positions to the points' and balls' accumulators.
    void accumulateContactForces();

    const std::vector<MpSystem*>& bodies() const { return bodies_; }
    const std::vector<PillarCircle>& pillars() const { return pillars_; }
    const std::vector<Wall>& walls() const { return walls_; }
    BallSet* balls() const { return balls_; }

private:
    std::vector<MpSystem*> bodies_;
    std::vector<PillarCircle> pillars_;
    std::vector<Wall> walls_;
    BallSet* balls_ = nullptr;
};
