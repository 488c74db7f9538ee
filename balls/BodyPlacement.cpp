#include "balls/BodyPlacement.h"

#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <sstream>

SbVec3f centreOf(const SbVec3f* points, int count) {
    // Summed in double precision: a large body's single-precision sum would lose its last
    // points' share.
    double sum[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        for (int a = 0; a < 3; ++a) {
            sum[a] += points[i][a];
        }
    }
    if (count == 0) {
        return SbVec3f(0, 0, 0);
    }
    return SbVec3f(static_cast<float>(sum[0] / count), static_cast<float>(sum[1] / count),
                   static_cast<float>(sum[2] / count));
}

PointBounds boundsOfBodies(const std::vector<MpSystem*>& bodies) {
    PointBounds all = boundsOf(nullptr, 0);
    for (const MpSystem* body : bodies) {
        const PointBounds own = boundsOf(body->positions(), body->numPoints());
        for (int a = 0; a < 3; ++a) {
            all.min[a] = std::min(all.min[a], own.min[a]);
            all.max[a] = std::max(all.max[a], own.max[a]);
        }
    }
    return all;
}

SbVec3f offsetAbove(const SbVec3f* points, int count, const std::vector<MpSystem*>& others) {
    const PointBounds below = boundsOfBodies(others);
    const PointBounds own = boundsOf(points, count);
    if (count == 0 || !(below.min[1] <= below.max[1])) {
        return SbVec3f(0, 0, 0);
    }
    const SbVec3f size = own.max - own.min;
    const float clearance = clearanceShare * std::max({size[0], size[1], size[2]});
    const auto middle = [](const PointBounds& box, int a) {
        return 0.5f * (box.min[a] + box.max[a]);
    };
    return SbVec3f(middle(below, 0) - middle(own, 0), below.max[1] + clearance - own.min[1],
                   middle(below, 2) - middle(own, 2));
}

bool withinReach(const PointBounds& bounds, const PointBounds& reach) {
    for (int a = 0; a < 3; ++a) {
        // Written so that a number that is none fails too.
        if (!(bounds.min[a] >= reach.min[a] && bounds.max[a] <= reach.max[a])) {
            return false;
        }
    }
    return true;
}

std::string placeBodyBy(MpSystem& body, const SbVec3f& offset, const CollisionWorld& contacts) {
    const SbVec3f* points = body.positions();
    const int count = body.numPoints();
    PointBounds placed = boundsOf(points, count);
    placed.min += offset;
    placed.max += offset;
    PointBounds reach{SbVec3f(-FLT_MAX, -FLT_MAX, -FLT_MAX), SbVec3f(FLT_MAX, FLT_MAX, FLT_MAX)};
    const bool arena = arenaReachOf(contacts, reach);
    if (count > 0 && !withinReach(placed, reach)) {
        const SbVec3f where = centreOf(points, count) + offset;
        std::ostringstream why;
        why << "its centre at (" << where[0] << ", " << where[1] << ", " << where[2]
            << ") puts it beyond " << (arena ? "the arena's reach" : "what the simulation holds");
        return why.str();
    }
    body.moveBy(offset);
    return "";
}

std::string placeBody(MpSystem& body, const SbVec3f* centre, const CollisionWorld& contacts,
                      SbVec3f* moved) {
    const SbVec3f* points = body.positions();
    const int count = body.numPoints();
    const SbVec3f offset = centre != nullptr ? *centre - centreOf(points, count)
                                             : offsetAbove(points, count, contacts.bodies());
    std::string why = placeBodyBy(body, offset, contacts);
    if (why.empty() && moved != nullptr) {
        *moved = offset;
    }
    return why;
}
