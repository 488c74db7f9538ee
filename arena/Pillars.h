#pragma once

#include <Inventor/SbVec3f.h>

class CollisionWorld;
class SoSeparator;
class SoTexture2;

/// The texture node every shaft and cap of the arena shares (model MODULATE), with the picture
/// of "col.tga" from the working folder, else from the data folders (common/DataFiles.h),
/// decoded once for all of them. When that file is found nowhere or gives no picture, the node
/// has none (the pillars are drawn untextured) and one line on standard error says why.
SoTexture2* loadPillarTexture();

/// A cylinder wearing `texture`, of the given radius, spanning heights y - 7.5 to y + 7.5
/// around `position`: a pillar's shaft.
SoSeparator* makePillarShaft(const SbVec3f& position, float radius, SoTexture2* texture);

/// A cylinder wearing `texture`, of the given radius, spanning heights y - 0.3 to y + 0.3
/// around `position`: the decorative ring near a pillar's top.
SoSeparator* makePillarCap(const SbVec3f& position, float radius, SoTexture2* texture);

/// Stands the pillars along the sides z = -15 and x = +15 (spacing drawn from the clock-seeded
/// standard generator), in the corner (15, 15) and at (-4, -4) and (0.3, -4). Each pillar adds
/// its shaft and its cap, all wearing one loadPillarTexture(), to `worldSeparator` and its
/// circle to `collisionWorld`.
void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld);

/// The same layout, with the standard generator seeded by `seed`: equal seeds give equal
/// pillars. For the tools and tests that need the pillars' places but not their picture, the
/// pillars share a texture node without one, and no file is read.
void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld, unsigned int seed);

/// The seeded layout with the pillars wearing `texture`, as a window shows them.
void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld, unsigned int seed,
                 SoTexture2* texture);
