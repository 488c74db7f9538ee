#pragma once

#include <Inventor/SbVec3f.h>

#include <string>

class MpSystem;

/// What a run's report measures of its bodies against each other.

/// The axis-aligned extent of a body's points; none for a body without points.
SbVec3f extentOf(const MpSystem& body);

/// Whether p lies inside the closed surface of `body` as it stands: the triangles' solid
/// angles seen from p add up to a whole sphere inside and to nothing outside.
bool isInside(const MpSystem& body, const SbVec3f& p);

/// How many points of `inner` lie inside the closed surface of `outer` (only those within its
/// box are tested).
int pointsInside(const MpSystem& outer, const MpSystem& inner);

/// Where body k (from 1) of a run is written when the first goes to `first`: the first there,
/// body k beside it with "-k" before the extension ("out.toff": "out-2.toff"; "out": "out-2").
std::string numberedOutput(const std::string& first, int k);
