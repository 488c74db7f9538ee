#pragma once

#include "mpsystem/surface/SurfaceLevels.h"
#include "mpsystem/surface/SurfaceNormals.h"

#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSubNode.h>

#include <memory>

class SoCoordinateElement;

/// What brings the coordinates up to date for a level of the surface that they do not hold
/// yet, because the last copy brought only a coarser level's points.
class SurfacePointFeed {
public:
    /// Copies the current points of `level` (and so of every coarser level) into the
    /// coordinates without a notification, and tells the strip set (pointsCopied).
    virtual void feedLevel(int level) = 0;

protected:
    ~SurfacePointFeed() = default;
};

/// The strip set that draws the body's surface. It is the library's indexed triangle strip set
/// in every respect but three that decide the frame rate of a large body, whose points all move
/// every frame: it draws from vertex arrays in a few calls instead of several calls per
/// vertex; it computes the smooth normals by the library's crease-angle rule on all cores
/// (SurfaceNormals.h) instead of building them anew on one; and, given levels of the surface
/// (SurfaceLevels.h), it draws the coarsest one that the surface's size on the screen cannot
/// tell from the whole, with the normals, the bounding box and the picked triangles of that
/// level only. Its bounding box is the library's too, found without a call per corner.
///
/// It takes this way only for what the body's surface is: triangles of three points ending in
/// -1, normals left to be generated per vertex, one material, texture coordinates taken by
/// point index or none. In any other case it draws exactly as the library's node does, from
/// the whole index list.
class SurfaceStripSet : public SoIndexedTriangleStripSet {
    SO_NODE_HEADER(SurfaceStripSet);

public:
    /// Registers the node type; safe to call more than once, after SoDB::init().
    static void initClass();
    SurfaceStripSet();

    void GLRender(SoGLRenderAction* action) override;

    /// Draws from `levels`, made from this node's index list as it is now, and asks `feed`
    /// (which may be null) for the points of a level the coordinates do not hold. A change of
    /// the index list drops the levels.
    void setLevels(std::shared_ptr<const SurfaceLevels> levels, SurfacePointFeed* feed);
    /// Stops asking the feed set with the levels; the levels stay.
    void dropFeed() { feed_ = nullptr; }
    const SurfaceLevels* levels() const { return levels_.get(); }
    /// The level drawn last: 0, the whole surface, until a coarser one is drawn.
    int levelDrawn() const { return level_; }
    /// Tells the strip set that the coordinate node whose node id is now `coordinatesId` holds
    /// the current points of `level` and of every coarser level; the points of finer levels
    /// may be old. Any later change of the coordinates by others counts as all points current.
    void pointsCopied(int level, SbUniqueId coordinatesId);

    /// The normals of the level drawn last the fast way (for tests and benchmarks).
    const SurfaceNormals& normals() const { return normals_[level_].normals; }
    /// Chooses the level for the state's view as a frame would and brings its normals up to
    /// date with the state's coordinates and shape hints; false when this node would draw
    /// the library's way instead.
    bool updateNormals(SoState* state);

protected:
    ~SurfaceStripSet() override;
    void computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center) override;
    void generatePrimitives(SoAction* action) override;
    void notify(SoNotList* list) override;

private:
    /// The normals of one level and what they were computed from: coordinate node id, crease
    /// angle, winding.
    struct LevelNormals {
        SurfaceNormals normals;
        SbUniqueId coordinates = 0;
        float crease = -1.0f;
        bool counterClockwise = true;
    };

    /// Whether the triangles fit the fast way over these coordinates (three-dimensional, none
    /// of the node's own), taking the index list anew after it changed.
    bool trianglesFit(const SoCoordinateElement* coordinates);
    bool textureFits(SoState* state) const;
    /// The level that suits the surface's size in the state's view, with its points current.
    int chooseLevel(SoState* state, const SoCoordinateElement* coordinates);
    /// The finest level whose points the coordinates hold as they are now.
    int currentLevel(const SoCoordinateElement* coordinates) const;
    /// Whether a level other than the whole surface was drawn last and its points are current.
    bool drawsLevel(SoState* state) const;
    /// Draws the triangles grouped by kind, smooth ones first, unless `inListOrder`.
    void draw(SoState* state, const SurfaceNormals& normals, bool sendNormals, bool sendTexture,
              bool inListOrder);
    /// Gathers the points and texture coordinates (unless `texCoords` is null) of the sharp
    /// triangles' corners in the layout of SurfaceNormals::sharpCornerNormals.
    void gatherSharpCorners(const SurfaceNormals& normals, const SbVec3f* points,
                            const SbVec2f* texCoords);
    /// Runs of smooth triangles from the arrays and runs of sharp ones one vertex at a time, in
    /// the list's order.
    void drawInListOrder(const SurfaceNormals& normals, const SbVec3f* points,
                         const SbVec2f* texCoords, bool sendNormals) const;
    /// Sends the corners of triangle t with their own normals, inside glBegin/glEnd; no
    /// texture coordinates when `texCoords` is null.
    void sendSharpTriangle(const SurfaceNormals& normals, int t, const SbVec3f* points,
                           const SbVec2f* texCoords, bool sendNormals) const;
    void dropLevels();

    /// [0] is the whole surface, [i] level i of levels_, set up when first drawn.
    std::vector<LevelNormals> normals_;
    bool indicesChanged_ = true;
    /// Point p is used by usedCount_[p] corners of the whole surface.
    std::vector<int32_t> usedCount_;

    /// The corners of the sharp triangles drawn last, as gatherSharpCorners lays them out.
    std::vector<SbVec3f> sharpPoints_;
    std::vector<SbVec2f> sharpTexCoords_;

    std::shared_ptr<const SurfaceLevels> levels_;
    SurfacePointFeed* feed_ = nullptr;
    int level_ = 0;
    /// The coordinates with node id currentCoordinates_ hold the points of currentLevel_.
    int currentLevel_ = 0;
    SbUniqueId currentCoordinates_ = 0;
};
