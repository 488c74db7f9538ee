#include "mpsystem/surface/SurfaceStripSet.h"

#include "common/Check.h"
#include "common/Workers.h"

#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/bundles/SoMaterialBundle.h>
#include <Inventor/bundles/SoTextureCoordinateBundle.h>
#include <Inventor/details/SoFaceDetail.h>
#include <Inventor/details/SoPointDetail.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoCreaseAngleElement.h>
#include <Inventor/elements/SoDrawStyleElement.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/elements/SoMaterialBindingElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoMultiTextureCoordinateElement.h>
#include <Inventor/elements/SoMultiTextureEnabledElement.h>
#include <Inventor/elements/SoNormalBindingElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/elements/SoShapeHintsElement.h>
#include <Inventor/elements/SoShapeStyleElement.h>
#include <Inventor/elements/SoTextureCoordinateBindingElement.h>
#include <Inventor/elements/SoViewVolumeElement.h>
#include <Inventor/elements/SoViewportRegionElement.h>
#include <Inventor/misc/SoNotification.h>
#include <Inventor/system/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>

SO_NODE_SOURCE(SurfaceStripSet);

namespace {

/// Where triangles overlap on screen without one hiding the other, blended or drawn as lines
/// or points that share edges and corners with different normals, the one drawn last shows;
/// the library draws them in the list's order.
bool drawingOrderShows(SoState* state) {
    const unsigned int transparent =
        SoShapeStyleElement::TRANSP_MATERIAL | SoShapeStyleElement::TRANSP_TEXTURE;
    return (SoShapeStyleElement::get(state)->getFlags() & transparent) != 0 ||
           SoDrawStyleElement::get(state) != SoDrawStyleElement::FILLED;
}

/// The size in pixels of the rectangle round `box` (in the shape's own coordinates) on the
/// state's viewport; false when part of the box lies at or behind the eye, where the box has
/// no such rectangle and the surface fills the view.
bool screenRectangle(SoState* state, const SbBox3f& box, SbVec2f& size) {
    const SbMatrix& model = SoModelMatrixElement::get(state);
    const SbViewVolume& volume = SoViewVolumeElement::get(state);
    const SbVec2s viewport = SoViewportRegionElement::get(state).getViewportSizePixels();
    const bool perspective = volume.getProjectionType() == SbViewVolume::PERSPECTIVE;
    const SbVec3f& low = box.getMin();
    const SbVec3f& high = box.getMax();
    float left = std::numeric_limits<float>::max();
    float bottom = left;
    float right = -left;
    float top = -left;
    for (int corner = 0; corner < 8; ++corner) {
        const SbVec3f local((corner & 1) ? high[0] : low[0], (corner & 2) ? high[1] : low[1],
                            (corner & 4) ? high[2] : low[2]);
        SbVec3f world;
        model.multVecMatrix(local, world);
        const float depth =
            (world - volume.getProjectionPoint()).dot(volume.getProjectionDirection());
        if (perspective && !(depth > 0.0f)) {
            return false;
        }
        SbVec3f screen;
        volume.projectToScreen(world, screen);
        left = std::min(left, screen[0]);
        right = std::max(right, screen[0]);
        bottom = std::min(bottom, screen[1]);
        top = std::max(top, screen[1]);
    }
    size.setValue((right - left) * viewport[0], (top - bottom) * viewport[1]);
    return std::isfinite(size[0]) && std::isfinite(size[1]);
}

/// Sends point p as the corner of a triangle inside glBegin/glEnd, with its texture coordinate
/// unless `texCoords` is null and with `normal` unless that is null.
void sendCorner(uint32_t p, const SbVec3f* points, const SbVec2f* texCoords,
                const SbVec3f* normal) {
    if (normal != nullptr) {
        glNormal3fv(normal->getValue());
    }
    if (texCoords != nullptr) {
        glTexCoord2fv(texCoords[p].getValue());
    }
    glVertex3fv(points[p].getValue());
}

} // namespace

void SurfaceStripSet::initClass() {
    if (getClassTypeId() == SoType::badType()) {
        SO_NODE_INIT_CLASS(SurfaceStripSet, SoIndexedTriangleStripSet, "IndexedTriangleStripSet");
    }
}

SurfaceStripSet::SurfaceStripSet() : normals_(1) {
    SO_NODE_CONSTRUCTOR(SurfaceStripSet);
}

SurfaceStripSet::~SurfaceStripSet() = default;

void SurfaceStripSet::notify(SoNotList* list) {
    indicesChanged_ = true;
    if (list->getLastField() == &coordIndex) {
        dropLevels();
    }
    SoIndexedTriangleStripSet::notify(list);
}

void SurfaceStripSet::setLevels(std::shared_ptr<const SurfaceLevels> levels,
                                SurfacePointFeed* feed) {
    dropLevels();
    if (levels == nullptr || levels->numLevels() == 0 ||
        levels->numTriangles(0) * 4 != coordIndex.getNum()) {
        return;
    }
    levels_ = std::move(levels);
    feed_ = feed;
    normals_.resize(levels_->numLevels() + 1);
}

void SurfaceStripSet::dropLevels() {
    levels_.reset();
    feed_ = nullptr;
    normals_.resize(1);
    level_ = 0;
    currentLevel_ = 0;
    currentCoordinates_ = 0;
}

void SurfaceStripSet::pointsCopied(int level, SbUniqueId coordinatesId) {
    currentLevel_ = level;
    currentCoordinates_ = coordinatesId;
}

int SurfaceStripSet::currentLevel(const SoCoordinateElement* coordinates) const {
    return coordinates->getNodeId() == currentCoordinates_ ? currentLevel_ : 0;
}

bool SurfaceStripSet::drawsLevel(SoState* state) const {
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    return level_ > 0 && levels_ != nullptr && !indicesChanged_ &&
           normals_[0].normals.numTriangles() > 0 && vertexProperty.getValue() == nullptr &&
           coordinates->is3D() && normals_[0].normals.numPoints() <= coordinates->getNum() &&
           currentLevel(coordinates) <= level_;
}

int SurfaceStripSet::chooseLevel(SoState* state, const SoCoordinateElement* coordinates) {
    if (levels_ == nullptr) {
        return 0;
    }
    // Every level holds the coarsest one's points, which are therefore always current: their
    // box is the body's size on the screen.
    const SbVec3f* points = coordinates->getArrayPtr3();
    SbBox3f box;
    for (int32_t p : levels_->level(levels_->numLevels()).points) {
        box.extendBy(points[p]);
    }
    float width = 0.0f;
    float height = 0.0f;
    float depth = 0.0f;
    box.getSize(width, height, depth);
    const float size = std::max({width, height, depth});
    SbVec2f screen;
    int level = 0;
    if (size > 0.0f && screenRectangle(state, box, screen)) {
        const float area = screen[0] * screen[1];
        const float pixelsPerUnit = std::max(screen[0], screen[1]) / size;
        level = levels_->chooseLevel(area, pixelsPerUnit);
        if (level > level_) {
            // Coarser only as far as a tenth larger would still allow: a body whose size
            // wavers about a limit does not change levels with every frame.
            level = std::max(level_, levels_->chooseLevel(1.21f * area, 1.1f * pixelsPerUnit));
        }
    }
    const int current = currentLevel(coordinates);
    if (level < current) {
        if (feed_ != nullptr) {
            // The feed changes points without a new node id, under every level's normals.
            feed_->feedLevel(level);
            for (LevelNormals& normals : normals_) {
                normals.coordinates = 0;
            }
        } else {
            level = current;
        }
    }
    return level;
}

bool SurfaceStripSet::trianglesFit(const SoCoordinateElement* coordinates) {
    if (vertexProperty.getValue() != nullptr || !coordinates->is3D()) {
        return false;
    }
    SurfaceNormals& whole = normals_[0].normals;
    if (indicesChanged_) {
        indicesChanged_ = false;
        normals_[0].coordinates = 0;
        usedCount_.clear();
        const int numIndices = coordIndex.getNum();
        const int32_t* indices = coordIndex.getValues(0);
        const int32_t largest =
            numIndices > 0 ? *std::max_element(indices, indices + numIndices) : -1;
        if (!whole.setTriangles(indices, numIndices, largest + 1)) {
            return false;
        }
        usedCount_.assign(largest + 1, 0);
        for (int i = 0; i < 3 * whole.numTriangles(); ++i) {
            ++usedCount_[whole.cornerPoints()[i]];
        }
    }
    return whole.numTriangles() > 0 && whole.numPoints() <= coordinates->getNum();
}

bool SurfaceStripSet::updateNormals(SoState* state) {
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    if (!trianglesFit(coordinates)) {
        return false;
    }
    const SoNormalBindingElement::Binding binding = SoNormalBindingElement::get(state);
    if (SoNormalElement::getInstance(state)->getNum() > 0 ||
        (binding != SoNormalBindingElement::PER_VERTEX &&
         binding != SoNormalBindingElement::PER_VERTEX_INDEXED)) {
        return false;
    }
    level_ = chooseLevel(state, coordinates);
    LevelNormals& drawn = normals_[level_];
    if (level_ > 0 && drawn.normals.numTriangles() == 0) {
        const SurfaceLevels::Level& level = levels_->level(level_);
        const bool made = drawn.normals.setTriangles(level.faceIndices.data(),
                                                     static_cast<int>(level.faceIndices.size()),
                                                     normals_[0].normals.numPoints());
        PLIMMERTON_CHECK(made, "a level of the surface is triangles of its points");
        drawn.coordinates = 0;
    }
    const float crease = SoCreaseAngleElement::get(state);
    const bool counterClockwise =
        SoShapeHintsElement::getVertexOrdering(state) != SoShapeHintsElement::CLOCKWISE;
    if (coordinates->getNodeId() != drawn.coordinates || crease != drawn.crease ||
        counterClockwise != drawn.counterClockwise) {
        drawn.normals.update(coordinates->getArrayPtr3(), crease, counterClockwise);
        drawn.coordinates = coordinates->getNodeId();
        drawn.crease = crease;
        drawn.counterClockwise = counterClockwise;
    }
    return true;
}

bool SurfaceStripSet::textureFits(SoState* state) const {
    int lastUnit = -1;
    SoMultiTextureEnabledElement::getEnabledUnits(state, lastUnit);
    const SoMultiTextureCoordinateElement* texture =
        SoMultiTextureCoordinateElement::getInstance(state);
    // The field's default, a single -1, means "none" as an empty list does.
    const bool hasTextureIndices =
        textureCoordIndex.getNum() > 0 && textureCoordIndex.getValues(0)[0] >= 0;
    return lastUnit <= 0 && !hasTextureIndices &&
           SoTextureCoordinateBindingElement::get(state) ==
               SoTextureCoordinateBindingElement::PER_VERTEX_INDEXED &&
           texture->getType(0) == SoMultiTextureCoordinateElement::EXPLICIT &&
           texture->getDimension(0) == 2 && texture->getNum(0) >= normals_[0].normals.numPoints();
}

void SurfaceStripSet::GLRender(SoGLRenderAction* action) {
    SoState* state = action->getState();
    const bool fits = SoMaterialBindingElement::get(state) == SoMaterialBindingElement::OVERALL &&
                      updateNormals(state);
    bool drawn = false;
    if (fits) {
        if (!shouldGLRender(action)) {
            return;
        }
        SoMaterialBundle material(action);
        SoTextureCoordinateBundle texture(action, TRUE, FALSE);
        const bool sendTexture = texture.needCoordinates();
        if (!sendTexture || (!texture.isFunction() && textureFits(state))) {
            material.sendFirst();
            draw(state, normals(), !material.isColorOnly(), sendTexture, drawingOrderShows(state));
            drawn = true;
        }
    }
    if (!drawn) {
        // The library draws the whole index list, whose points must all be current.
        level_ = 0;
        const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
        if (feed_ != nullptr && currentLevel(coordinates) > 0) {
            feed_->feedLevel(0);
        }
        SoIndexedTriangleStripSet::GLRender(action);
        return;
    }
    // The points move between frames: a display list of them would be out of date at once.
    SoGLCacheContextElement::shouldAutoCache(state, SoGLCacheContextElement::DONT_AUTO_CACHE);
}

void SurfaceStripSet::draw(SoState* state, const SurfaceNormals& normals, bool sendNormals,
                           bool sendTexture, bool inListOrder) {
    const SbVec3f* points = SoCoordinateElement::getInstance(state)->getArrayPtr3();
    const SbVec2f* texCoords =
        sendTexture ? SoMultiTextureCoordinateElement::getInstance(state)->getArrayPtr2(0)
                    : nullptr;

    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, points);
    if (sendNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normals.pointNormals());
    }
    if (sendTexture) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    }
    if (normals.allSmooth()) {
        glDrawElements(GL_TRIANGLES, 3 * normals.numTriangles(), GL_UNSIGNED_INT,
                       normals.cornerPoints());
    } else if (inListOrder) {
        drawInListOrder(normals, points, texCoords, sendNormals);
    } else {
        for (int b = 0; b < normals.numBlocks(); ++b) {
            glDrawElements(GL_TRIANGLES, 3 * normals.numSmoothTriangles(b), GL_UNSIGNED_INT,
                           normals.smoothCorners(b));
        }
        // Triangles at sharp points have a normal per corner, made with the others on all
        // cores. A crumpled body has most of its points sharp, so these go from arrays too:
        // each corner's point and texture coordinate gathered beside its normal.
        gatherSharpCorners(normals, points, texCoords);
        glVertexPointer(3, GL_FLOAT, 0, sharpPoints_.data());
        if (sendNormals) {
            glNormalPointer(GL_FLOAT, 0, normals.sharpCornerNormals(0));
        }
        if (sendTexture) {
            glTexCoordPointer(2, GL_FLOAT, 0, sharpTexCoords_.data());
        }
        for (int b = 0; b < normals.numBlocks(); ++b) {
            glDrawArrays(GL_TRIANGLES, 3 * b * SurfaceNormals::blockTriangles,
                         3 * normals.numSharpTriangles(b));
        }
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void SurfaceStripSet::gatherSharpCorners(const SurfaceNormals& normals, const SbVec3f* points,
                                         const SbVec2f* texCoords) {
    // Sized once for the finest level drawn, and kept.
    const size_t corners = 3 * static_cast<size_t>(normals.numTriangles());
    if (sharpPoints_.size() < corners) {
        sharpPoints_.resize(corners);
    }
    if (texCoords != nullptr && sharpTexCoords_.size() < corners) {
        sharpTexCoords_.resize(corners);
    }
    forEachItem(normals.numBlocks(), workersFor(3LL * normals.numTriangles()), [&](int b) {
        const size_t first = 3 * static_cast<size_t>(b) * SurfaceNormals::blockTriangles;
        const int32_t* sharp = normals.sharpTriangles(b);
        for (int i = 0; i < normals.numSharpTriangles(b); ++i) {
            const uint32_t* corner = normals.cornerPoints() + 3 * static_cast<size_t>(sharp[i]);
            for (int c = 0; c < 3; ++c) {
                sharpPoints_[first + 3 * i + c] = points[corner[c]];
                if (texCoords != nullptr) {
                    sharpTexCoords_[first + 3 * i + c] = texCoords[corner[c]];
                }
            }
        }
    });
}

void SurfaceStripSet::drawInListOrder(const SurfaceNormals& normals, const SbVec3f* points,
                                      const SbVec2f* texCoords, bool sendNormals) const {
    const uint32_t* corners = normals.cornerPoints();
    const int numTriangles = normals.numTriangles();
    auto isSmooth = [&](int t) {
        return normals.isSmooth(corners[3 * t]) && normals.isSmooth(corners[3 * t + 1]) &&
               normals.isSmooth(corners[3 * t + 2]);
    };
    int t = 0;
    while (t < numTriangles) {
        const int smoothStart = t;
        while (t < numTriangles && isSmooth(t)) {
            ++t;
        }
        if (t > smoothStart) {
            glDrawElements(GL_TRIANGLES, 3 * (t - smoothStart), GL_UNSIGNED_INT,
                           corners + 3 * smoothStart);
        }
        if (t < numTriangles) {
            glBegin(GL_TRIANGLES);
            while (t < numTriangles && !isSmooth(t)) {
                sendSharpTriangle(normals, t++, points, texCoords, sendNormals);
            }
            glEnd();
        }
    }
}

void SurfaceStripSet::sendSharpTriangle(const SurfaceNormals& normals, int t, const SbVec3f* points,
                                        const SbVec2f* texCoords, bool sendNormals) const {
    for (int c = 0; c < 3; ++c) {
        const SbVec3f normal = sendNormals ? normals.cornerNormal(t, c) : SbVec3f();
        sendCorner(normals.cornerPoints()[3 * t + c], points, texCoords,
                   sendNormals ? &normal : nullptr);
    }
}

void SurfaceStripSet::computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center) {
    SoState* state = action->getState();
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    if (!trianglesFit(coordinates)) {
        SoIndexedTriangleStripSet::computeBBox(action, box, center);
        return;
    }
    const SbVec3f* points = coordinates->getArrayPtr3();
    if (drawsLevel(state)) {
        // The level drawn, whose points are the current ones; the centre is the mean of its
        // corners.
        const SurfaceLevels::Level& level = levels_->level(level_);
        box.makeEmpty();
        for (int32_t p : level.points) {
            box.extendBy(points[p]);
        }
        double sum[3] = {0.0, 0.0, 0.0};
        for (int32_t p : level.faceIndices) {
            if (p >= 0) {
                for (int k = 0; k < 3; ++k) {
                    sum[k] += points[p][k];
                }
            }
        }
        const double corners = 3.0 * level.numTriangles();
        center.setValue(static_cast<float>(sum[0] / corners), static_cast<float>(sum[1] / corners),
                        static_cast<float>(sum[2] / corners));
        return;
    }
    // Each point once instead of once per corner; the centre is the mean of the corners.
    float low[3] = {points[0][0], points[0][1], points[0][2]};
    float high[3] = {low[0], low[1], low[2]};
    bool first = true;
    double sum[3] = {0.0, 0.0, 0.0};
    const double corners = 3.0 * normals_[0].normals.numTriangles();
    for (size_t p = 0; p < usedCount_.size(); ++p) {
        if (usedCount_[p] == 0) {
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            const float x = points[p][k];
            low[k] = first ? x : std::min(low[k], x);
            high[k] = first ? x : std::max(high[k], x);
            sum[k] += static_cast<double>(usedCount_[p]) * x;
        }
        first = false;
    }
    box.setBounds(low[0], low[1], low[2], high[0], high[1], high[2]);
    center.setValue(static_cast<float>(sum[0] / corners), static_cast<float>(sum[1] / corners),
                    static_cast<float>(sum[2] / corners));
}

void SurfaceStripSet::generatePrimitives(SoAction* action) {
    SoState* state = action->getState();
    if (!drawsLevel(state)) {
        SoIndexedTriangleStripSet::generatePrimitives(action);
        return;
    }
    // The triangles of the level drawn, so that a pick finds what the view shows, with the
    // points the coordinates hold current. Each carries its face's normal.
    const SbVec3f* points = SoCoordinateElement::getInstance(state)->getArrayPtr3();
    const SoMultiTextureCoordinateElement* texture =
        SoMultiTextureCoordinateElement::getInstance(state);
    const bool texCoords = texture->getType(0) == SoMultiTextureCoordinateElement::EXPLICIT &&
                           texture->getDimension(0) == 2 &&
                           texture->getNum(0) >= normals_[0].normals.numPoints();
    const SurfaceLevels::Level& level = levels_->level(level_);
    const bool counterClockwise =
        SoShapeHintsElement::getVertexOrdering(state) != SoShapeHintsElement::CLOCKWISE;
    SoPrimitiveVertex vertex;
    SoPointDetail pointDetail;
    SoFaceDetail faceDetail;
    vertex.setDetail(&pointDetail);
    beginShape(action, TRIANGLES, &faceDetail);
    for (int t = 0; t < level.numTriangles(); ++t) {
        const int32_t* corners = level.faceIndices.data() + 4 * static_cast<size_t>(t);
        const SbVec3f& a = points[corners[0]];
        const SbVec3f& b = points[corners[1]];
        const SbVec3f& c = points[corners[2]];
        SbVec3f normal = counterClockwise ? (c - b).cross(a - b) : (a - b).cross(c - b);
        normal.normalize();
        faceDetail.setFaceIndex(t);
        faceDetail.setPartIndex(t);
        for (int k = 0; k < 3; ++k) {
            const int32_t p = corners[k];
            pointDetail.setCoordinateIndex(p);
            pointDetail.setTextureCoordIndex(p);
            vertex.setPoint(points[p]);
            vertex.setNormal(normal);
            if (texCoords) {
                const SbVec2f& st = texture->get2(0, p);
                vertex.setTextureCoords(SbVec4f(st[0], st[1], 0.0f, 1.0f));
            }
            shapeVertex(&vertex);
        }
    }
    endShape();
}
