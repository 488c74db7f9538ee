#include "balls/CollisionWorld.h"

#include "balls/BallSet.h"
#include "balls/ContactRules.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>

void CollisionWorld::removeBody(const MpSystem* body) {
    const auto found = std::find(bodies_.begin(), bodies_.end(), body);
    if (found == bodies_.end()) {
        return;
    }
    const auto k = found - bodies_.begin();
    bodyContacts_.remove(static_cast<int>(k));
    bodyBounds_.erase(bodyBounds_.begin() + k);
    bodies_.erase(found);
}

void CollisionWorld::clearBodies() {
    bodies_.clear();
    bodyBounds_.clear();
    bodyContacts_.clear();
}

void CollisionWorld::accumulateContactForces() {
    accumulateArenaContactForces();
    bodyContacts_.accumulate(bodies_);
}

void CollisionWorld::accumulatePlainContactForces() {
    accumulatePlainArenaContactForces();
    bodyContacts_.accumulatePlain(bodies_);
}

void CollisionWorld::accumulatePlainArenaContactForces() {
    for (MpSystem* body : bodies_) {
        accumulatePlainBodyForces(*body);
    }
    if (balls_ != nullptr) {
        accumulateBallForces();
    }
}

void CollisionWorld::accumulatePlainBodyForces(MpSystem& body) const {
    const SbVec3f* positions = body.positions();
    const int numPoints = body.numPoints();
    const int numBalls = balls_ != nullptr ? balls_->size() : 0;
    for (int i = 0; i < numPoints; ++i) {
        const SbVec3f p = positions[i];
        SbVec3f f;
        for (const Wall& wall : walls_) {
            const int axis = wallAxis(wall);
            if (axis >= 0 && pointWallForce(p, wall, axis, f)) {
                body.addExternalForce(i, f);
            }
        }
        for (const PillarCircle& pillar : pillars_) {
            if (pointPillarForce(p, pillar, f)) {
                body.addExternalForce(i, f);
            }
        }
        for (int k = 0; k < numBalls; ++k) {
            Ball& ball = balls_->at(k);
            if (pointBallForce(p, ball.position(), f)) {
                body.addExternalForce(i, pointShareOfBallForce * f);
                ball.addForce(ballShareOfBallForce * f);
            }
        }
    }
}

void CollisionWorld::accumulateBallForces() const {
    const int numBalls = balls_->size();
    for (int j = 0; j < numBalls; ++j) {
        Ball& ball = balls_->at(j);
        const SbVec3f c = ball.position();

        for (const Wall& wall : walls_) {
            const int axis = wallAxis(wall);
            if (axis < 0 || !isOverWall(c, axis, wall.halfExtent)) {
                continue;
            }
            const float w = wall.position[axis];
            if (w < 0 && c[axis] - Ball::radius < w) {
                ball.addForce(alongAxis(axis, (w - c[axis] + Ball::radius) * ballWallStiffness));
            } else if (w > 0 && c[axis] + Ball::radius > w) {
                ball.addForce(alongAxis(axis, (w - c[axis] - Ball::radius) * ballWallStiffness));
            }
        }

        for (const PillarCircle& pillar : pillars_) {
            const float radius = pillar[1];
            const float dx = c[0] - pillar[0];
            const float dz = c[2] - pillar[2];
            const float e = std::sqrt(dx * dx + dz * dz) - Ball::radius;
            // The offset is scaled rather than its unit vector, so e = 0 (the centre exactly a
            // ball radius from the axis) would divide by zero: that contact is skipped.
            if (radius > e && e != 0) {
                const float s = (radius - e) * ballPillarStiffness / e;
                ball.addForce(SbVec3f(dx * s, 0, dz * s));
            }
        }

        for (int k = 0; k < numBalls; ++k) {
            Ball& other = balls_->at(k);
            const SbVec3f c2 = other.position();
            // This also keeps a ball from meeting itself.
            if (c2 == c) {
                continue;
            }
            const SbVec3f v = c2 - c;
            const float q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
            const float contactDistance = 2 * Ball::radius;
            if (contactDistance * contactDistance > q) {
                const float d = std::sqrt(q);
                const float s = (contactDistance - d) * ballBallStiffness / 2;
                const SbVec3f f = v * s;
                // Each pair is met from both sides, so each ball ends up with the whole of f.
                other.addForce(0.5f * f);
                ball.addForce(-0.5f * f);
            }
        }
    }
}
