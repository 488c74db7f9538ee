#pragma once

#include "generators/TriangleMesh.h"

#include <cstdint>

/// Adds springs that resist the bending of a surface held up by the gas inside it rather than
/// by struts: across an edge shared by two triangles, a spring joins the two corners opposite
/// it, so that folding the pair along the edge stretches or squeezes it. A surface of edge
/// springs alone crumples where the floor presses it flat, and a gas pushes the crumples on;
/// these springs stop that. Each point is the end of at most one of them (each point is held,
/// at half a spring a point), taken greedily in the order of the triangles, so that they spread
/// over the whole surface; a pair already joined by a spring gets none. They go among the
/// struts (faces of two). Returns how many were added.
int64_t addBendingSprings(TriangleMesh& mesh);
