#pragma once

#include "mpsystem/surface/SurfaceNormals.h"

#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoSubNode.h>

class SoCoordinateElement;

/// The strip set that draws the body's surface. It is the library's indexed triangle strip set
/// in every respect but two that decide the frame rate of a large body, whose points all move
/// every frame: it draws from vertex arrays in a few calls instead of several calls per
/// vertex, and it computes the smooth normals by the library's crease-angle rule on all cores
/// (SurfaceNormals.h) instead of building them anew on one. Its bounding box is the library's
/// too, found without a call per corner.
///
/// It takes this way only for what the body's surface is: triangles of three points ending in
/// -1, normals left to be generated per vertex, one material, texture coordinates taken by
/// point index or none. In any other case it draws exactly as the library's node does.
class SurfaceStripSet : public SoIndexedTriangleStripSet {
    SO_NODE_HEADER(SurfaceStripSet);

public:
    /// Registers the node type; safe to call more than once, after SoDB::init().
    static void initClass();
    SurfaceStripSet();

    void GLRender(SoGLRenderAction* action) override;

    /// The normals as of the last frame drawn the fast way (for tests and benchmarks).
    const SurfaceNormals& normals() const { return normals_; }
    /// Brings normals() up to date with the state's coordinates and shape hints, as a frame
    /// drawn the fast way would; false when this node would draw the library's way instead.
    bool updateNormals(SoState* state);

protected:
    ~SurfaceStripSet() override;
    void computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center) override;
    void notify(SoNotList* list) override;

private:
    /// Whether the triangles fit the fast way over these coordinates (three-dimensional, none
    /// of the node's own), taking the index list anew after it changed.
    bool trianglesFit(const SoCoordinateElement* coordinates);
    bool textureFits(SoState* state) const;
    /// Draws the triangles grouped by kind, smooth ones first, unless `inListOrder`.
    void draw(SoState* state, bool sendNormals, bool sendTexture, bool inListOrder);
    /// Runs of smooth triangles from the arrays and runs of sharp ones one vertex at a time, in
    /// the list's order.
    void drawInListOrder(const SbVec3f* points, const SbVec2f* texCoords, bool sendNormals) const;
    /// Sends the corners of triangle t with their own normals, inside glBegin/glEnd; no
    /// texture coordinates when `texCoords` is null.
    void sendSharpTriangle(int t, const SbVec3f* points, const SbVec2f* texCoords,
                           bool sendNormals) const;

    SurfaceNormals normals_;
    bool indicesChanged_ = true;
    /// Point p is used by usedCount_[p] corners.
    std::vector<int32_t> usedCount_;
    /// What the normals were computed from: coordinate node id, crease angle, winding.
    SbUniqueId normalsCoordinates_ = 0;
    float normalsCrease_ = -1.0f;
    bool normalsCounterClockwise_ = true;
};
