#include "balls/BodyPlace.h"

#include "balls/CollisionWorld.h"
#include "common/Finite.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

bool floorSquareOf(const CollisionWorld& contacts, FloorSquare& floor) {
    for (const Wall& wall : contacts.walls()) {
        const SbVec3f& p = wall.position;
        if (p[0] == 0 && p[2] == 0 && p[1] < 0) {
            floor = FloorSquare{wall.halfExtent, p[1]};
            return true;
        }
    }
    return false;
}

PointBounds arenaReach(const FloorSquare& floor) {
    const float side = floor.halfWidth * (1 + reachBeyondArena);
    const float depth = floor.halfWidth * reachBeyondArena;
    return PointBounds{SbVec3f(-side, floor.height - depth, -side),
                       SbVec3f(side, floor.height + 2 * floor.halfWidth + depth, side)};
}

bool arenaReachOf(const CollisionWorld& contacts, PointBounds& reach) {
    FloorSquare floor{};
    if (!floorSquareOf(contacts, floor)) {
        return false;
    }
    reach = arenaReach(floor);
    return true;
}

BodyPlace placeOf(const PointBounds& bounds, float restSize, const FloorSquare* floor) {
    if (bounds.min[0] > bounds.max[0]) {
        return BodyPlace::inArena;
    }
    if (!isFinite(bounds.min) || !isFinite(bounds.max)) {
        return BodyPlace::blownUp;
    }
    const SbVec3f side = bounds.max - bounds.min;
    if (restSize > 0 && std::max(side[0], std::max(side[1], side[2])) > blowUpGrowth * restSize) {
        return BodyPlace::blownUp;
    }
    if (floor == nullptr) {
        return BodyPlace::inArena;
    }
    const PointBounds reach = arenaReach(*floor);
    for (int axis = 0; axis < 3; ++axis) {
        if (bounds.min[axis] < reach.min[axis] || bounds.max[axis] > reach.max[axis]) {
            return BodyPlace::outOfReach;
        }
    }
    const float edge = floor->halfWidth + restSize;
    for (int axis : {0, 2}) {
        if (bounds.min[axis] > edge || bounds.max[axis] < -edge) {
            return BodyPlace::outOfArena;
        }
    }
    return bounds.max[1] < floor->height - restSize ? BodyPlace::belowFloor : BodyPlace::inArena;
}

PointBounds boundsOf(const SbVec3f* points, int count) {
    PointBounds bounds{SbVec3f(FLT_MAX, FLT_MAX, FLT_MAX), SbVec3f(-FLT_MAX, -FLT_MAX, -FLT_MAX)};
    bool finite = true;
    for (int i = 0; i < count; ++i) {
        finite = finite && isFinite(points[i]);
        for (int axis = 0; axis < 3; ++axis) {
            bounds.min[axis] = std::min(bounds.min[axis], points[i][axis]);
            bounds.max[axis] = std::max(bounds.max[axis], points[i][axis]);
        }
    }
    // A point that is not a number slips past the comparisons: an infinite corner says so.
    if (!finite) {
        bounds.max[0] = HUGE_VALF;
    }
    return bounds;
}
