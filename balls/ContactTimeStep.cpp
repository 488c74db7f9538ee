#include "balls/ContactTimeStep.h"

#include "balls/CollisionWorld.h"
#include "common/Gravity.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/StableTimeStep.h"

#include <algorithm>
#include <limits>

namespace {

/// The sink depth at which the floor's share of the bound falls to a half: measured (see the
/// header).
constexpr float halfShareDepth = 0.4f;

/// Pairs of another body's points that one point may press on at once: the corners of the
/// triangle it presses into.
constexpr float pointsPressedAtOnce = 3;

/// The bound with `extraStiffness` on any point besides the floor's and the pillars'.
float boundAmongContacts(const StableTimeStep& freeBody, const MpSystem& body,
                         const CollisionWorld& contacts, float extraStiffness) {
    const bool floor = !contacts.walls().empty();
    const bool pillars = !contacts.pillars().empty();
    const float contactStiffness = (floor ? CollisionWorld::bodyWallStiffness : 0.0f) +
                                   (pillars ? CollisionWorld::bodyPillarStiffness : 0.0f) +
                                   extraStiffness;
    const float linear = freeBody.bound(body, contactStiffness);
    if (!floor) {
        return linear;
    }
    const float sinkDepth = 1.5f * body.pointMass() * gravity / CollisionWorld::bodyWallStiffness;
    return linear / (1.0f + std::max(0.0f, sinkDepth) / halfShareDepth);
}

} // namespace

float contactTimeStep(const StableTimeStep& freeBody, const MpSystem& body,
                      const CollisionWorld& contacts) {
    return boundAmongContacts(freeBody, body, contacts, 0.0f);
}

float sceneTimeStep(const std::vector<const StableTimeStep*>& freeBodies,
                    const CollisionWorld& contacts) {
    const std::vector<MpSystem*>& bodies = contacts.bodies();
    const float pressing =
        bodies.size() > 1 ? 2 * pointsPressedAtOnce * CollisionWorld::bodyBodyStiffness : 0.0f;
    float smallest = std::numeric_limits<float>::infinity();
    for (size_t k = 0; k < bodies.size() && k < freeBodies.size(); ++k) {
        if (freeBodies[k] != nullptr) {
            smallest = std::min(smallest,
                                boundAmongContacts(*freeBodies[k], *bodies[k], contacts, pressing));
        }
    }
    return smallest;
}
