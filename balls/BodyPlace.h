#pragma once

#include <Inventor/SbVec3f.h>

class CollisionWorld;

/// The box around a set of points, corner by corner.
struct PointBounds {
    SbVec3f min;
    SbVec3f max;
};

/// The arena as the contacts know it: the floor's square, |x|, |z| < halfWidth at y = height.
struct FloorSquare {
    float halfWidth;
    float height;
};

/// Where a body is, against the arena, from the box around its points and its own size (the
/// largest side of its box as it was made).
enum class BodyPlace {
    /// Over the floor's square, or beside or below it by less than its own size.
    inArena,
    /// Its top lies below the floor by more than its own size, under the floor's square.
    belowFloor,
    /// It lies beside the floor's square by more than its own size, at any height.
    outOfArena,
    /// A point has left the arena's reach (arenaReach): nothing brings it back by itself.
    outOfReach,
    /// A point is no longer a finite number, or the body has grown to blowUpGrowth times its
    /// own size: its springs no longer hold it together.
    blownUp,
};

/// How far the arena's reach goes past the floor's square, in half widths of it, on every
/// side: a ball falls out of play 30 below the floor, the camera stands 65 from the arena's
/// middle; ten half widths leave room for all that and for a body thrown about.
constexpr float reachBeyondArena = 10.0f;
/// How many times its own size a body may grow before it counts as blown up: squashed on the
/// floor or pulled by the mouse, a body held by its springs stays within twice its size.
constexpr float blowUpGrowth = 5.0f;

/// The floor of `contacts` (its first wall below, facing up); false when it has none.
bool floorSquareOf(const CollisionWorld& contacts, FloorSquare& floor);

/// The box that holds everything in play: the floor's square grown by reachBeyondArena half
/// widths on every side, from that far below the floor to as far above it.
PointBounds arenaReach(const FloorSquare& floor);

/// The reach of the arena of `contacts`; false when it has no floor, and so no arena.
bool arenaReachOf(const CollisionWorld& contacts, PointBounds& reach);

/// Where a body whose points lie in `bounds`, of size `restSize`, is: without a floor (`floor`
/// null) only whether it blew up.
BodyPlace placeOf(const PointBounds& bounds, float restSize, const FloorSquare* floor);

/// The box around `count` points (empty when there are none: min above max).
PointBounds boundsOf(const SbVec3f* points, int count);
