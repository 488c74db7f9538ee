#pragma once

#include <Inventor/SbBox3f.h>
#include <Inventor/SbVec2f.h>

class SoCamera;

/// How far the near plane must stay from the eye at the least, as a share of the far plane's
/// distance: what the examiner viewer's default strategy (a varying near plane at 0.6 of 24
/// depth bits) keeps, so that the depth buffer tells near surfaces apart.
constexpr float nearPlaneShare = 1.0f / 512;
/// The room the viewer leaves around what it sees, as a share of each plane's distance.
constexpr float clippingSlack = 0.001f;

/// The near and far distances `nearFar` that the viewer chose for `camera` around the whole
/// scene, held to the box `limit`: kept while they are numbers that reach no farther than the
/// far side of `limit`; else the planes around `limit`, as the viewer would set them around a
/// scene that filled it. So a body blown up to the ends of single precision, or not a number,
/// cannot push the near plane past everything else: the near plane goes with the far one.
SbVec2f clippingPlanesWithin(const SbVec2f& nearFar, const SbBox3f& limit, const SoCamera& camera);
