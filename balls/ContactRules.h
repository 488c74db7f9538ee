#pragma once

// The contact laws of the arena, point by point: used by the plain contact pass and the fast
// one alike, so that both compute every force with the same operations.

#include "balls/Ball.h"
#include "balls/CollisionWorld.h"

#include <cmath>

/// The wall's normal axis: the index of its one non-zero component, or -1 when it has none or
/// more than one (such a wall pushes nothing).
inline int wallAxis(const Wall& wall) {
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
inline bool isOverWall(const SbVec3f& p, int axis, float halfExtent) {
    for (int a = 0; a < 3; ++a) {
        if (a != axis && !(-halfExtent < p[a] && p[a] < halfExtent)) {
            return false;
        }
    }
    return true;
}

inline SbVec3f alongAxis(int axis, float value) {
    SbVec3f v(0, 0, 0);
    v[axis] = value;
    return v;
}

/// The push of a wall with normal axis `axis` (0 .. 2) on a body point at p; false when the
/// point is not behind the wall.
inline bool pointWallForce(const SbVec3f& p, const Wall& wall, int axis, SbVec3f& force) {
    if (!isOverWall(p, axis, wall.halfExtent)) {
        return false;
    }
    const float w = wall.position[axis];
    if ((w < 0 && p[axis] < w) || (w > 0 && p[axis] > w)) {
        force = alongAxis(axis, (w - p[axis]) * CollisionWorld::bodyWallStiffness);
        return true;
    }
    return false;
}

/// The push of a pillar on a body point at p, out from its axis along the ground; false when
/// the point is outside the pillar, or on its axis, which has no way out to be pushed along.
inline bool pointPillarForce(const SbVec3f& p, const PillarCircle& pillar, SbVec3f& force) {
    const float radius = pillar[1];
    const float dx = p[0] - pillar[0];
    const float dz = p[2] - pillar[2];
    const float q = dx * dx + dz * dz;
    if (radius * radius > q && q > 0) {
        const float d = std::sqrt(q);
        const float s = (radius - d) * CollisionWorld::bodyPillarStiffness / d;
        force = SbVec3f(dx * s, 0, dz * s);
        return true;
    }
    return false;
}

/// The whole push f between a body point at p and a ball centred at c, which the two share
/// unequally; false when the point is outside the ball, or at its centre, which has no way
/// out to be pushed along.
inline bool pointBallForce(const SbVec3f& p, const SbVec3f& c, SbVec3f& f) {
    const SbVec3f v = p - c;
    const float q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    if (Ball::radius * Ball::radius > q && q > 0) {
        const float d = std::sqrt(q);
        const float s = (Ball::radius - d) * CollisionWorld::bodyBallStiffness / d;
        f = v * s;
        return true;
    }
    return false;
}

/// Share of the point-ball push that the point takes: not equal and opposite, the point gets
/// 60 % of f and the ball 40 % the other way.
constexpr float pointShareOfBallForce = 0.6f;
constexpr float ballShareOfBallForce = -0.4f;

/// The push on a body point at `lo` from a body point at `hi` (of another body, or of its own)
/// whose contact distance is `contactDistance`; `hi` takes -f. False when they are that far
/// apart or further, or at one place, which has no way out to be pushed along.
inline bool pointPairForce(const SbVec3f& lo, const SbVec3f& hi, float contactDistance,
                           SbVec3f& f) {
    const SbVec3f v = lo - hi;
    const float q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    if (contactDistance * contactDistance > q && q > 0) {
        const float d = std::sqrt(q);
        const float s = (contactDistance - d) * CollisionWorld::bodyBodyStiffness / d;
        f = v * s;
        return true;
    }
    return false;
}
