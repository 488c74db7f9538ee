#include "ArenaRun.h"

#include "arena/Pillars.h"
#include "balls/BallDynamics.h"
#include "balls/BallShots.h"
#include "generators/Icosphere.h"

#include <Inventor/nodes/SoSeparator.h>

#include <iostream>
#include <sstream>

std::string sphereMesh(int level, float radius, float x, float y, float z) {
    return meshText(makeIcosphere(level, radius, SbVec3f(x, y, z)), MeshForm::Off);
}

ArenaRun::ArenaRun(int level, bool fast) : fast_(fast) {
    world_ = new SoSeparator;
    world_->ref();
    std::istringstream mesh(sphereMesh(level, 3, -2, -11.5f, -2));
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    body_ = std::make_unique<MpSystem>(mesh, 0.02f, 1, 85);
    std::cerr.rdbuf(progress);
    layOutArena(world_, collisions_, 7);
    collisions_.addBody(body_.get());
    collisions_.addWall(Wall{SbVec3f(0, -15, 0), 15});
    collisions_.setBalls(&balls_);
    const SbVec3f still(0, 0, 0);
    shootBall(balls_, lights_, *world_, SbVec3f(1.8f, -11.5f, -2), still, 8);
    shootBall(balls_, lights_, *world_, SbVec3f(-2, -11.5f, 1.8f), still, 8);
    shootBall(balls_, lights_, *world_, SbVec3f(-2, -7.7f, -2), still, 8);
    shootBall(balls_, lights_, *world_, SbVec3f(-2, -11.5f, 10), SbVec3f(0, 0, -1), 8);
}

ArenaRun::~ArenaRun() {
    balls_.clear();
    lights_.clear();
    world_->unref();
}

void ArenaRun::tick(float dt) {
    if (fast_) {
        body_->step(dt);
    } else {
        body_->stepSequential(dt);
    }
    advanceBalls(balls_, lights_, *world_, dt);
    if (fast_) {
        collisions_.accumulateContactForces();
    } else {
        collisions_.accumulatePlainContactForces();
    }
}

bool ArenaRun::bodyUnderFloor() const {
    for (int i = 0; i < body_->numPoints(); ++i) {
        const SbVec3f p = body_->pointPosition(i);
        if (p[1] < -15 && p[0] > -15 && p[0] < 15 && p[2] > -15 && p[2] < 15) {
            return true;
        }
    }
    return false;
}

bool ArenaRun::bodyInPillar() const {
    for (const PillarCircle& pillar : collisions_.pillars()) {
        for (int i = 0; i < body_->numPoints(); ++i) {
            const SbVec3f p = body_->pointPosition(i);
            const float dx = p[0] - pillar[0];
            const float dz = p[2] - pillar[2];
            if (dx * dx + dz * dz < pillar[1] * pillar[1]) {
                return true;
            }
        }
    }
    return false;
}

bool ArenaRun::bodyInBall() const {
    for (int k = 0; k < balls_.size(); ++k) {
        for (int i = 0; i < body_->numPoints(); ++i) {
            if ((body_->pointPosition(i) - balls_.at(k).position()).sqrLength() < 1) {
                return true;
            }
        }
    }
    return false;
}
