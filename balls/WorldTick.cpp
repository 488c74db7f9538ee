#include "balls/WorldTick.h"

#include "balls/BallDynamics.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"

void runTick(const TickWorld& world, float dt) {
    for (MpSystem* body : world.contacts.bodies()) {
        if (body != world.paused) {
            body->step(dt);
        }
    }
    // The balls fly and collide on while a new body is being built.
    advanceBalls(world.balls, world.lights, world.ballGroup, dt);
    world.contacts.accumulateContactForces();
}
