#pragma once

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec3f.h>

#include <vector>

/// Texture coordinates for a body whose file gives none: the image wrapped once around the
/// points' centroid, like a map around a globe (u the longitude about y, v the latitude). It
/// suits the round bodies the program is used with: the texture stays continuous everywhere but
/// one seam and the poles, whereas a flat projection would smear it into stripes along the
/// sides. One coordinate per point, in point order.
std::vector<SbVec2f> sphericalTexCoords(const std::vector<SbVec3f>& points);
