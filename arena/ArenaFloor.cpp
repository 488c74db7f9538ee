#include "arena/ArenaFloor.h"

#include "balls/CollisionWorld.h"

void addArenaFloor(CollisionWorld& collisionWorld) {
    collisionWorld.addWall(Wall{SbVec3f(0, arenaFloorHeight, 0), arenaHalfWidth});
}
