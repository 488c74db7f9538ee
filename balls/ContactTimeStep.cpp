#include "balls/ContactTimeStep.h"

#include "balls/CollisionWorld.h"
#include "common/Gravity.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/StableTimeStep.h"

#include <algorithm>

namespace {

/// The sink depth at which the floor's share of the bound falls to a half: measured (see the
/// header).
constexpr float halfShareDepth = 0.4f;

} // namespace

float contactTimeStep(const StableTimeStep& freeBody, const MpSystem& body,
                      const CollisionWorld& contacts) {
    const bool floor = !contacts.walls().empty();
    const bool pillars = !contacts.pillars().empty();
    const float contactStiffness = (floor ? CollisionWorld::bodyWallStiffness : 0.0f) +
                                   (pillars ? CollisionWorld::bodyPillarStiffness : 0.0f);
    const float linear = freeBody.bound(body, contactStiffness);
    if (!floor) {
        return linear;
    }
    const float sinkDepth = 1.5f * body.pointMass() * gravity / CollisionWorld::bodyWallStiffness;
    return linear / (1.0f + std::max(0.0f, sinkDepth) / halfShareDepth);
}
