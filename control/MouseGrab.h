#pragma once

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec2s.h>

#include <cstdint>
#include <vector>

class BodyGrab;
class MpSystem;

/// Grabbing the body with the mouse, in pixels of the viewer's viewport (origin lower left).

/// Picks the body where `pixel` shows it and holds the nearest corner of the triangle found
/// there, its target on that point. Returns false, holding nothing, when the body is not the
/// first thing under the pixel (or there is no body).
bool grabBodyAt(BodyGrab& grab, const SbVec2s& pixel);

/// Pins the patch of the body under `pixel` in place (pinPatch, around the nearest corner of the
/// triangle there), or, when a pinned point lies there already (within the longest edge of that
/// triangle), lets go of the pins around it (pinnedPatch). Returns false, changing nothing,
/// when the body is not the first thing under the pixel (or there is no body).
bool pinBodyAt(const SbVec2s& pixel);

/// The patch that a click pins around point `point`: the point and its neighbours on the
/// surface (the corners of its triangles), in increasing order; the point alone when it lies on
/// no triangle.
std::vector<int32_t> pinPatch(const MpSystem& body, int point);

/// The pinned points joined to pinned point `point` through pinned neighbours on the surface,
/// it among them, in increasing order; none when `point` is not pinned.
std::vector<int32_t> pinnedPatch(const MpSystem& body, int point);

/// Moves the held point's target to where the line of sight through `pixel` meets the plane
/// through the point as it was grabbed: upright, facing the camera, so that the cursor moved up
/// the screen lifts the body straight up.
void dragBodyTo(BodyGrab& grab, const SbVec2s& pixel);

/// Lets go of the held point.
void releaseBody(BodyGrab& grab);

/// The pull shown over the view while a part of the body is held: from the picked point where
/// it is now to the target, in pixels of the viewport. False when nothing is held.
bool grabLine(const BodyGrab& grab, SbVec2f& from, SbVec2f& to);
