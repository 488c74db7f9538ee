#pragma once

#include "mpsystem/surface/SurfaceStripSet.h"

#include <memory>

class MpSystem;
class SoCoordinate3;
class SoSeparator;

/// One body's surface in the scene: the nodes that draw the body, made from its points,
/// texture coordinates and triangles, and, for a body with more triangles than a view shows,
/// the coarser levels of its surface (SurfaceLevels.h), made once here. It reads the body and
/// holds its nodes while it lives; the scene holds them too once the surface is added.
class BodySurface final : public SurfacePointFeed {
public:
    /// Builds the surface of `body`, which must outlive it: shape hints, material, normal
    /// binding, texture coordinates, the picture of `textureFile` (none for an empty name; see
    /// loadTexture for the files taken), coordinates and the strip set, in this order. With
    /// `levels` false the surface is drawn whole whatever its size.
    BodySurface(const MpSystem& body, float red, float green, float blue, float transparency,
                const char* textureFile, bool levels);
    ~BodySurface();
    BodySurface(const BodySurface&) = delete;
    BodySurface& operator=(const BodySurface&) = delete;

    SoSeparator* root() const { return root_; }
    SoCoordinate3* coordinates() const { return coordinates_; }
    SurfaceStripSet* strips() const { return strips_; }
    const SurfaceLevels& levels() const { return *levels_; }

    /// Copies the body's positions into the coordinates: those of the level drawn last, all
    /// of them while the whole surface is drawn.
    void update();

    void feedLevel(int level) override;

    /// Whether surfaces are built with levels in this run: unless the environment variable
    /// PLIMMERTON_ALL_TRIANGLES is 1, which has every surface drawn whole, for comparing
    /// pictures or on graphics that draw every triangle at ease.
    static bool levelsWanted();

private:
    void copyPoints(int level);

    const MpSystem& body_;
    SoSeparator* root_ = nullptr;
    SoCoordinate3* coordinates_ = nullptr;
    SurfaceStripSet* strips_ = nullptr;
    std::shared_ptr<SurfaceLevels> levels_;
};
