#pragma once

#include "balls/BodyPlace.h"

#include <Inventor/SbVec3f.h>

#include <string>
#include <vector>

class CollisionWorld;
class MpSystem;

/// Where a body is put among others when it joins the scene: at a centre the user gives, or
/// clear above those already there.

/// The mean of the points: where a body is said to be. (0, 0, 0) for no points.
SbVec3f centreOf(const SbVec3f* points, int count);

/// How far a body lies clear above the others: a quarter of its own size (the largest side of
/// its box) between its lowest point and their highest. Far more than two points' contact
/// distance, little enough that it lands softly.
constexpr float clearanceShare = 0.25f;

/// The offset that puts a body of `points` above `others` as they stand: the middle of its box
/// over the middle of theirs, its lowest point clearanceShare of its size above their highest.
/// None when there are no others, or none of them has points.
SbVec3f offsetAbove(const SbVec3f* points, int count, const std::vector<MpSystem*>& others);

/// The box around the points of every one of `bodies` (empty when they have none).
PointBounds boundsOfBodies(const std::vector<MpSystem*>& bodies);

/// Whether the box `bounds` lies within the arena's reach (BodyPlace.h) and holds only finite
/// numbers: a body put there would not be taken for one that left the arena.
bool withinReach(const PointBounds& bounds, const PointBounds& reach);

/// Moves `body`, about to join `contacts` (before its first step), to its place there: its
/// centre to `centre` when one is given (not null), else clear above the bodies there
/// (offsetAbove). Returns why it cannot go there, empty when it went: a body that would reach
/// beyond the arena's reach, or beyond what single precision holds, is not moved.
/// `moved`, when given, takes the offset the body was moved by.
std::string placeBody(MpSystem& body, const SbVec3f* centre, const CollisionWorld& contacts,
                      SbVec3f* moved = nullptr);

/// Moves `body`, about to join `contacts`, by `offset`, as a scene file puts it. Returns why it
/// cannot go there, as placeBody does, empty when it went.
std::string placeBodyBy(MpSystem& body, const SbVec3f& offset, const CollisionWorld& contacts);
