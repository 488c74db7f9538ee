#pragma once

#include "generators/TriangleMesh.h"

#include <cstdint>
#include <functional>

/// What the bracing added.
struct BracingCounts {
    int64_t struts = 0;
    /// The most springs (edges and struts) that meet at one point.
    int32_t mostSpringsAtAPoint = 0;
};

/// Springs per point beyond which the explicit step of a stiff body turns unstable: with
/// stiffness 120, a time step of 0.0182 and mass 0.3 a point stays stable only while its
/// springs add up to less than about 30 times one spring's stiffness.
constexpr int defaultMaxSpringsPerPoint = 18;

/// Adds struts that keep the body in shape: from every point, rays go into the body (and out
/// of it, for open and hollow parts) in a fan of directions, and each ray that meets the
/// surface ties the point to the nearest corner of the triangle it meets. A spring pushes back
/// with the stiffness times its change of length, whatever its rest length, so one long strut
/// across the body resists squashing as much as a chain of short springs of the same length
/// times their number: the longest struts are kept first, and no point gets more than
/// `maxSpringsPerPoint` springs in all. A few of each point's springs are kept for struts to
/// far points of the body, which hold thin limbs in place; last, separate parts of the surface
/// are tied to each other, so that the body is one piece. `progress`, when given, is told the
/// share of the work done, a hundred times along the way.
BracingCounts addBracing(TriangleMesh& mesh, int maxSpringsPerPoint = defaultMaxSpringsPerPoint,
                         const std::function<void(double)>& progress = nullptr);

/// Ties every separate part of the surface to the others with a few struts (as addBracing
/// does last), so that a body of several parts is one piece; returns how many it added. Points
/// are given struts while they have fewer than `maxSpringsPerPoint` springs where they can.
int64_t tieSeparateParts(TriangleMesh& mesh, int maxSpringsPerPoint = defaultMaxSpringsPerPoint);
