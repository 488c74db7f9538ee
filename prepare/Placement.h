#pragma once

#include "generators/TriangleMesh.h"

/// Which axis of the model's file points up.
enum class UpAxis { Y, Z };

/// Where the bundled ball stands: its largest extent and the centre of its bounds. Bodies
/// placed alike start clear of the pillars, at the height the ball starts from; and, as the
/// program gives the points below y = 0 half as much mass again, they weigh like the ball: about
/// half of a body's points lie below its centre.
struct Stand {
    float size = 8.0f;
    SbVec3f centre = SbVec3f(0, 0, 3);
};

/// Turns a z-up model so that its z axis points up the program's y axis, keeping the winding.
void turnUp(TriangleMesh& mesh, UpAxis up);

/// Scales the mesh uniformly so that its largest extent is `stand.size` and moves it onto the
/// stand; returns the scale factor, or 0 when the mesh has no extent (then nothing changes).
float placeOnStand(TriangleMesh& mesh, const Stand& stand);

/// Gives each point the texture coordinate an OFF body gets from the program: the image
/// wrapped once around the centroid, like a map around a globe.
void assignSphericalTexCoords(TriangleMesh& mesh);

/// Renumbers the points so that point 0 (the headcam's) is the highest and points 1, 2, 5 and
/// 6 (the ones the arrow and End keys push) are the outermost toward +x, -x, +z and -z: spread
/// around the body, on its surface. Needs at least seven points.
void chooseKeyPoints(TriangleMesh& mesh);
