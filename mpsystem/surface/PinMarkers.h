#pragma once

#include <Inventor/SbVec3f.h>

#include <vector>

class SoCoordinate3;
class SoSeparator;

/// The marker over a body's pinned points: a red dot on each, drawn unlit and a few pixels wide
/// so that it shows at any distance, and left out of picking, so that a click on it reaches the
/// surface under it. Returns the marker's separator; `coordinates` is its coordinate node, which
/// showPins fills.
SoSeparator* buildPinMarkers(SoCoordinate3*& coordinates);

/// Puts the marker's dots on `pinned`.
void showPins(SoCoordinate3& coordinates, const std::vector<SbVec3f>& pinned);
