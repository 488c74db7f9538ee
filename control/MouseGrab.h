#pragma once

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec2s.h>
#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

class BodyGrab;
class MpSystem;
class SceneBodies;

/// Picking and grabbing the bodies with the mouse, in pixels of the viewer's viewport (origin
/// lower left).

/// A body of the scene as the line of sight through a pixel first meets it: the corner of the
/// triangle hit that lies nearest to where it was hit.
struct PickedBody {
    /// Null when no body is the first thing under the pixel.
    MpSystem* body = nullptr;
    int point = -1;
    SbVec3f position{0, 0, 0};
    /// Where the line of sight met the surface, and the longest edge of the triangle there: how
    /// far "under the cursor" reaches.
    SbVec3f hit{0, 0, 0};
    float reach = 0;
};

/// The body of `bodies` that `pixel` shows, if it is the first thing under it.
PickedBody pickBodyAt(const SceneBodies& bodies, const SbVec2s& pixel);

/// Selects the body that `pixel` shows (a click on it); returns false, changing nothing, when
/// no body is the first thing under the pixel.
bool selectBodyAt(SceneBodies& bodies, const SbVec2s& pixel);

/// Picks the body where `pixel` shows it, selects it and holds the nearest corner of the
/// triangle found there, its target on that point. Returns false, holding nothing, when no body
/// is the first thing under the pixel.
bool grabBodyAt(BodyGrab& grab, SceneBodies& bodies, const SbVec2s& pixel);

/// Pins the patch of the body under `pixel` in place (pinPatch, around the nearest corner of the
/// triangle there), or, when a pinned point lies there already (within the longest edge of that
/// triangle), lets go of the pins around it (pinnedPatch); the body is selected. Returns false,
/// changing nothing, when no body is the first thing under the pixel.
bool pinBodyAt(SceneBodies& bodies, const SbVec2s& pixel);

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

/// The pull shown over the view while a part of a body is held: from the picked point where
/// it is now to the target, in pixels of the viewport. False when nothing is held.
bool grabLine(const BodyGrab& grab, SbVec2f& from, SbVec2f& to);
