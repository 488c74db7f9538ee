#include "control/ArenaLayout.h"

#include "appstate/Globals.h"
#include "arena/Cloud.h"
#include "arena/Pillars.h"
#include "balls/CollisionWorld.h"
#include "common/Check.h"
#include "control/Cannon.h"

#include <Inventor/nodes/SoSeparator.h>

SoSeparator* buildArenaGround(unsigned seed) {
    return buildGround(SbVec3f(0, -14.4f, 0), 16.5f, 1, 1, 1, 0, 40, 40, seed);
}

// The world's children keep their order (balls first, the ground, the cannon, two children of
// each pillar, the bodies last), so the arena's nodes are found around the cannon's root.
void layOutArenaAgain(unsigned seed) {
    const int cannonPlace = worldSeparator->findChild(cannon->root());
    const int pillarChildren = 2 * static_cast<int>(collisionWorld.pillars().size());
    PLIMMERTON_CHECK(cannonPlace >= 1 &&
                         cannonPlace + pillarChildren < worldSeparator->getNumChildren(),
                     "the ground lies ahead of the cannon and the pillars after it");
    for (int k = 0; k < pillarChildren; ++k) {
        worldSeparator->removeChild(cannonPlace + 1);
    }
    worldSeparator->replaceChild(cannonPlace - 1, buildArenaGround(seed));
    collisionWorld.clearPillars();
    SoSeparator* pillars = new SoSeparator;
    pillars->ref();
    layOutArena(pillars, collisionWorld, seed, loadPillarTexture());
    for (int k = 0; k < pillars->getNumChildren(); ++k) {
        worldSeparator->insertChild(pillars->getChild(k), cannonPlace + 1 + k);
    }
    pillars->unref();
}
