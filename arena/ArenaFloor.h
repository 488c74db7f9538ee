#pragma once

class CollisionWorld;

/// Half width of the arena's floor square around the origin, and the height of the floor.
constexpr float arenaHalfWidth = 15.0f;
constexpr float arenaFloorHeight = -15.0f;

/// Adds the floor to the contacts: a square wall at y = -15 of half width 15, which holds the
/// body's points and the balls above it.
void addArenaFloor(CollisionWorld& collisionWorld);
