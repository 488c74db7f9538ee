#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// Smooth normals of a triangle surface whose points move every frame, by the rule the scene
/// library applies to an indexed shape given no normals: the normal at a corner of a face is
/// the sum of that face's unit normal and the unit normals of the other faces at the corner's
/// point that lie within the crease angle of it, made unit length.
///
/// Most points of a body are smooth: all faces around them lie within the crease angle of each
/// other, so every corner at such a point gets the same normal and the surface can be drawn
/// from one normal per point. Only the corners at sharper points need normals of their own;
/// cornerNormal() computes those on demand.
///
/// All arrays are sized when the triangles are set, but for the sharp corners' normals, made
/// when the first sharp point appears; update() allocates nothing else and shares its passes
/// among the worker threads (Workers.h).
class SurfaceNormals {
public:
    /// Takes the index list of a surface made only of triangles, each written "a b c -1", with
    /// every index in 0 .. numPoints - 1. Returns false, and holds no triangles, for any other
    /// list (an empty one included).
    bool setTriangles(const int32_t* indices, int numIndices, int numPoints);
    /// Drops the triangles.
    void clear();

    int numPoints() const { return numPoints_; }
    int numTriangles() const { return static_cast<int>(faceNormals_.size()); }
    /// The corners' point indices, three per triangle in the list's order.
    const uint32_t* cornerPoints() const { return cornerPoints_.data(); }

    /// Recomputes every normal from `points` (numPoints() entries). The crease angle is held to
    /// 0 .. pi; `counterClockwise` says which winding faces the front.
    void update(const SbVec3f* points, float creaseAngle, bool counterClockwise);

    /// Whether all corners at every point take the point's normal (as of the last update).
    bool allSmooth() const { return numSharpPoints_ == 0; }
    /// Whether all corners at point p take pointNormal(p).
    bool isSmooth(int p) const { return smooth_[p] != 0; }
    /// The normal of a smooth point; meaningless for a sharp one.
    const SbVec3f* pointNormals() const { return pointNormals_.data(); }
    /// The unit normal of triangle t, or the zero vector for a triangle without area.
    const SbVec3f& faceNormal(int t) const { return faceNormals_[t]; }
    /// The normal at corner c (0, 1 or 2) of triangle t.
    SbVec3f cornerNormal(int t, int c) const;

    /// The triangles, in blocks of blockTriangles consecutive ones, split by update() into
    /// those whose three points are smooth and the rest (only when some point is sharp).
    static constexpr int blockTriangles = 8192;
    int numBlocks() const { return static_cast<int>(blockSmoothCount_.size()); }
    /// The corner points of block b's smooth triangles, three per triangle.
    const uint32_t* smoothCorners(int b) const;
    int numSmoothTriangles(int b) const;
    /// The indices of block b's triangles that touch a sharp point.
    const int32_t* sharpTriangles(int b) const;
    int numSharpTriangles(int b) const { return allSmooth() ? 0 : blockSharpCount_[b]; }
    /// The normals of the corners of block b's sharp triangles, three per triangle in the
    /// order of sharpTriangles(b): cornerNormal() of each, made on all cores by update().
    const SbVec3f* sharpCornerNormals(int b) const;

private:
    void updateFaceNormals(int block, const SbVec3f* points, bool counterClockwise);
    /// The normals of usedPoints_[first .. end); returns how many of them are sharp.
    int updatePointNormals(int first, int end, float threshold);
    void sortBlock(int block);

    int numPoints_ = 0;
    /// Faces count together when the dot product of their normals exceeds this.
    float threshold_ = 1.0f;
    /// A face whose dot product with the mean normal at a point exceeds this is within half the
    /// crease angle of it (2, beyond any dot product, when the angle is too small to tell).
    float nearMeanThreshold_ = 2.0f;
    int numSharpPoints_ = 0;
    std::vector<uint32_t> cornerPoints_;
    /// The faces at each point in increasing order, once for each corner they have there:
    /// faces of point p are pointFaces_[pointFaceStart_[p] .. pointFaceStart_[p + 1]).
    std::vector<int32_t> pointFaceStart_;
    std::vector<int32_t> pointFaces_;
    /// The points that some triangle uses, in increasing order.
    std::vector<int32_t> usedPoints_;
    /// Whether a face meets point p at two corners, so its own normal must not count twice.
    std::vector<uint8_t> repeatsFace_;
    std::vector<SbVec3f> faceNormals_;
    std::vector<SbVec3f> pointNormals_;
    std::vector<uint8_t> smooth_;
    std::vector<int> blockSharpPoints_;
    std::vector<uint32_t> smoothCorners_;
    std::vector<int32_t> sharpTriangles_;
    std::vector<SbVec3f> sharpNormals_;
    std::vector<int32_t> blockSmoothCount_;
    std::vector<int32_t> blockSharpCount_;
};
