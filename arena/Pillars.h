#pragma once

#include <Inventor/SbVec3f.h>

class CollisionWorld;
class SoSeparator;

/// A textured cylinder of the given radius spanning heights y - 7.5 to y + 7.5 around
/// `position`: a pillar's shaft.
SoSeparator* makePillarShaft(const SbVec3f& position, float radius);

/// A textured cylinder of the given radius spanning heights y - 0.3 to y + 0.3 around
/// `position`: the decorative ring near a pillar's top.
SoSeparator* makePillarCap(const SbVec3f& position, float radius);

/// Stands the pillars along the sides z = -15 and x = +15 (spacing drawn from the clock-seeded
/// standard generator), in the corner (15, 15) and at (-4, -4) and (0.3, -4). Each pillar adds
/// its shaft and its cap to `worldSeparator` and its circle to `collisionWorld`.
void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld);

/// The same layout, with the standard generator seeded by `seed`: equal seeds give equal pillars.
void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld, unsigned int seed);
