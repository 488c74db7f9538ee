#pragma once

#include "tools/TriangleMesh.h"

/// Which axis of the model's file points up.
enum class UpAxis { Y, Z };

/// Where the bundled ball stands: its largest extent, the centre of its bounds across the
/// floor and the height of its lowest point. Bodies placed alike start clear of the pillars and
/// fall as far to the floor.
struct Stand {
    float size = 8.0f;
    float centreX = 0.0f;
    float centreZ = 3.0f;
    float bottom = -4.0f;
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
