#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// Coarser versions of a large body's surface, made once when its surface is built, for views
/// that show the body with fewer pixels than it has triangles. The simplifier only drops
/// points, so each level is a triangle list over a subset of the body's own points: it draws
/// from the same coordinates and texture coordinates as the whole surface, and nothing is
/// interpolated. Each level is made from the one before, so a level's points hold all the
/// points of every coarser level.
class SurfaceLevels {
public:
    /// Surfaces of at most this many triangles keep only themselves: every bundled body and
    /// every body prepared with the default point budget is drawn whole, as it always was.
    static constexpr int largestWholeSurface = 65536;
    /// No level strays farther than this share of the surface's size from the whole surface,
    /// so that the coarsest still keeps the body's outline.
    static constexpr float largestError = 0.01f;
    /// How far a level drawn may stray from the whole surface on the screen, in pixels, by the
    /// simplifier's measure (Level::error).
    static constexpr float errorPixels = 0.5f;
    /// The most pixels a facing triangle of a level drawn may cover on average: about a
    /// square of two pixels a side, small enough that the shading and the texture between the
    /// corners come out as on the finer triangles.
    static constexpr float trianglePixels = 4.0f;

    struct Level {
        /// Three point indices per triangle followed by -1, as the whole surface's list. The
        /// slivers and the triangles turned inward that simplifying a regular surface leaves (a
        /// few in a hundred at the finest level of a generated ball) are cut anew or left out.
        std::vector<int32_t> faceIndices;
        /// The points of the level in increasing order: those its triangles use, and the few of
        /// triangles it left out (Level::faceIndices). Every coarser level's points are among
        /// them.
        std::vector<int32_t> points;
        /// How far the level strays from the whole surface as built, in world units, by the
        /// simplifier's measure (the root of its quadric error), summed over the levels it was
        /// made through. The farthest distance can be a few times more: on a sphere, where the
        /// coarse triangles' centres lie inside, 1.3 to 3 times.
        float error = 0.0f;
        int numTriangles() const { return static_cast<int>(faceIndices.size() / 4); }
    };

    /// Makes the levels of a surface given as "a b c -1" triangles over `points`: none for a
    /// surface of at most largestWholeSurface triangles, or for any other list.
    void build(const int32_t* faceIndices, int numFaceIndices, const SbVec3f* points,
               int numPoints);
    void clear();

    /// Level 0 is the whole surface itself; levels 1 .. numLevels() are coarser and coarser.
    int numLevels() const { return static_cast<int>(levels_.size()); }
    /// Level i of 1 .. numLevels().
    const Level& level(int i) const { return levels_[i - 1]; }
    int numTriangles(int i) const { return i == 0 ? wholeTriangles_ : level(i).numTriangles(); }

    /// The level to draw where the surface covers `screenArea` pixels (the rectangle round its
    /// outline) at `pixelsPerUnit` pixels per world unit: the coarsest that strays at most
    /// errorPixels from the whole surface and whose facing triangles, about half of them,
    /// cover at most trianglePixels each; 0 when none does or the sizes are no numbers.
    int chooseLevel(float screenArea, float pixelsPerUnit) const;

private:
    std::vector<Level> levels_;
    int wholeTriangles_ = 0;
};
