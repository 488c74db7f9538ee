#pragma once

#include <Inventor/SbVec3f.h>

#include <cstddef>
#include <cstdint>
#include <vector>

/// The gas inside a body's closed surface, which holds the body up from inside: each tick the
/// volume V the surface encloses is measured, and each triangle pushes its three corners outward
/// along its normal with p (V0 / V) times its area, a third to each, where p is the pressure
/// and V0 the volume at rest. Squeezed, the gas pushes harder (the gas law); a surface turned
/// inside out, or squeezed below a tenth of its volume, is pushed as at a tenth.
///
/// Both the volume and the forces come from one cross product a triangle, (b - a) x (c - a)
/// for its corners a, b, c, computed in single precision: twice its area along its normal.
/// The volume is the sum of a . ((b - a) x (c - a)) / 6, in double precision, over the parts'
/// triangles in order, and the parts' sums in order; a point's force is the sum of its
/// triangles' cross products in triangle order, times p (V0 / V) / 6.
///
/// The points are taken in the order of a walk over the surface, and each triangle where the
/// walk first meets one of its corners, which keeps neighbours together in memory whatever
/// order the file gave. Parts of `partPoints` points of the walk (the body's own, the same
/// however many threads run) do their triangles and at once their points' sums, while the
/// triangles' products are cached; a triangle that two parts share is done by both, to the
/// same bits. Every thread count,
/// and the plain loops, give the same numbers to the bit.
class SurfacePressure {
public:
    static constexpr double mostCompression = 10;
    /// File-order triangles per block of volumeOf's sum.
    static constexpr int32_t blockSize = 2048;
    /// Points per part of the pass (see build).
    static constexpr std::size_t partPoints = 8192;

    /// Takes the triangles of `faceIndices` (three corners and -1 each, as the body keeps them)
    /// of a body of `numPoints` points. Triangles with a repeated corner have no area and are
    /// left out. Time and memory linear in the triangles.
    void build(const int32_t* faceIndices, std::size_t numFaceIndices, int32_t numPoints);
    int32_t numTriangles() const { return static_cast<int32_t>(corners_.size() / 3); }

    /// The volume the triangles of `faceIndices` enclose at `positions`, summed as above but in
    /// the file's order of the triangles: positive when they wind counter-clockwise seen from
    /// outside.
    static double volumeOf(const int32_t* faceIndices, std::size_t numFaceIndices,
                           const SbVec3f* positions);

    /// The area of the triangles of `faceIndices` at `positions`.
    static double areaOf(const int32_t* faceIndices, std::size_t numFaceIndices,
                         const SbVec3f* positions);

    /// p (V0 / V) / 6, turned so that it pushes out of a surface whose triangles wind the other
    /// way (V0 < 0); V0 / V is held to (0, mostCompression].
    static float forceScale(float pressure, double restVolume, double volume);

    /// Adds each point's pressure force to `forces` (a sum that would not be finite is left
    /// alone, as addExternalForce leaves it) and returns the volume measured: a pass over the
    /// triangles' blocks and one over the points', each spread over up to `workers` threads.
    double addForces(float pressure, double restVolume, const SbVec3f* positions, SbVec3f* forces,
                     int workers);
    /// The same with the plain loops on one thread: the triangles in order, each adding its
    /// cross product to its corners; the reference the threads must match.
    double addPlainForces(float pressure, double restVolume, const SbVec3f* positions,
                          SbVec3f* forces);

private:
    void sumPart(int32_t part, const SbVec3f* positions);
    void pushPart(int32_t part, float scale, SbVec3f* forces) const;

    int32_t numPoints_ = 0;
    /// The triangles' corners, three each, in the order the pass takes them.
    std::vector<int32_t> corners_;
    /// The order the forces are summed in, point by point (the sums themselves do not depend
    /// on it).
    std::vector<int32_t> pointOrder_;
    /// For the point at place k of the walk, its triangles in order: pointTriangles_[
    /// pointOffsets_[k] .. pointOffsets_[k + 1]).
    std::vector<int32_t> pointOffsets_;
    std::vector<int32_t> pointTriangles_;
    /// Where the walk's parts begin among the triangles (one more: where the last ends), and the
    /// first triangle each part needs.
    std::vector<int32_t> placedBefore_;
    std::vector<int32_t> neededFrom_;
    /// This tick's cross products, each in a vector register's width, part by part from
    /// partCrosses_[p]; each part's share of six times the volume; the points' sums in the
    /// walk's order.
    struct alignas(16) Cross {
        float x, y, z, unused;
    };
    std::vector<Cross> crosses_;
    std::vector<int32_t> partCrosses_;
    std::vector<double> partVolumes_;
    std::vector<Cross> sums_;
    /// The plain loops' products and sums.
    std::vector<SbVec3f> plainCrosses_;
    std::vector<SbVec3f> plainSums_;
};

/// Twice a triangle's area along its normal.
inline SbVec3f triangleCross(const SbVec3f& a, const SbVec3f& b, const SbVec3f& c) {
    return (b - a).cross(c - a);
}

/// Six times the volume of the tetrahedron of the triangle and the origin, from its first
/// corner and its cross product.
inline double volumeTerm(const SbVec3f& a, const SbVec3f& cross) {
    return double(a[0]) * cross[0] + double(a[1]) * cross[1] + double(a[2]) * cross[2];
}
