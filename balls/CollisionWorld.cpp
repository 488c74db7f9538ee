#include "balls/CollisionWorld.h"

#include "balls/BallSet.h"
#include "mpsystem/MpSystem.h"

#include <cmath>

namespace {

/// The wall's normal axis: the index of its one non-zero component, or -1 when it has none or
/// more than one (such a wall pushes nothing).
int wallAxis(const Wall& wall) {
    int axis = -1;
    for (int a = 0; a < 3; ++a) {
        if (wall.position[a] != 0) {
            if (axis >= 0) {
                return -1;
            }
            axis = a;
        }
    }
    return axis;
}

/// Whether the two coordinates of p across the wall's normal axis lie strictly inside its
/// square.
bool isOverWall(const SbVec3f& p, int axis, float halfExtent) {
    for (int a = 0; a < 3; ++a) {
        if (a != axis && !(-halfExtent < p[a] && p[a] < halfExtent)) {
            return false;
        }
    }
    return true;
}

SbVec3f alongAxis(int axis, float value) {
    SbVec3f v(0, 0, 0);
    v[axis] = value;
    return v;
}

} // namespace

void CollisionWorld::accumulateContactForces() {
    for (MpSystem* body : bodies_) {
        accumulateBodyForces(*body);
    }
    if (balls_ != nullptr) {
        accumulateBallForces();
    }
}

void CollisionWorld::accumulateBodyForces(MpSystem& body) const {
    const SbVec3f* positions = body.positions();
    const int numPoints = body.numPoints();
    const int numBalls = balls_ != nullptr ? balls_->size() : 0;
    for (int i = 0; i < numPoints; ++i) {
        const SbVec3f p = positions[i];

        for (const Wall& wall : walls_) {
            const int axis = wallAxis(wall);
            if (axis < 0 || !isOverWall(p, axis, wall.halfExtent)) {
                continue;
            }
            const float w = wall.position[axis];
            if ((w < 0 && p[axis] < w) || (w > 0 && p[axis] > w)) {
                body.addExternalForce(i, alongAxis(axis, (w - p[axis]) * bodyWallStiffness));
            }
        }

        for (const PillarCircle& pillar : pillars_) {
            const float radius = pillar[1];
            const float dx = p[0] - pillar[0];
            const float dz = p[2] - pillar[2];
            const float q = dx * dx + dz * dz;
            // A point on the axis has no way out to be pushed along.
            if (radius * radius > q && q > 0) {
                const float d = std::sqrt(q);
                const float s = (radius - d) * bodyPillarStiffness / d;
                body.addExternalForce(i, SbVec3f(dx * s, 0, dz * s));
            }
        }

        for (int k = 0; k < numBalls; ++k) {
            Ball& ball = balls_->at(k);
            const SbVec3f v = p - ball.position();
            const float q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
            // A point at the ball's centre has no way out to be pushed along.
            if (Ball::radius * Ball::radius > q && q > 0) {
                const float d = std::sqrt(q);
                const float s = (Ball::radius - d) * bodyBallStiffness / d;
                const SbVec3f f = v * s;
                // Not equal and opposite: the point takes 60 % of f, the ball 40 %.
                body.addExternalForce(i, 0.6f * f);
                ball.addForce(-0.4f * f);
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
