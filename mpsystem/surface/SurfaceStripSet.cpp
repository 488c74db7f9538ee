#include "mpsystem/surface/SurfaceStripSet.h"

#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/bundles/SoMaterialBundle.h>
#include <Inventor/bundles/SoTextureCoordinateBundle.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoCreaseAngleElement.h>
#include <Inventor/elements/SoDrawStyleElement.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/elements/SoMaterialBindingElement.h>
#include <Inventor/elements/SoMultiTextureCoordinateElement.h>
#include <Inventor/elements/SoMultiTextureEnabledElement.h>
#include <Inventor/elements/SoNormalBindingElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/elements/SoShapeHintsElement.h>
#include <Inventor/elements/SoShapeStyleElement.h>
#include <Inventor/elements/SoTextureCoordinateBindingElement.h>
#include <Inventor/system/gl.h>

#include <algorithm>

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

} // namespace

void SurfaceStripSet::initClass() {
    if (getClassTypeId() == SoType::badType()) {
        SO_NODE_INIT_CLASS(SurfaceStripSet, SoIndexedTriangleStripSet, "IndexedTriangleStripSet");
    }
}

SurfaceStripSet::SurfaceStripSet() {
    SO_NODE_CONSTRUCTOR(SurfaceStripSet);
}

SurfaceStripSet::~SurfaceStripSet() = default;

void SurfaceStripSet::notify(SoNotList* list) {
    indicesChanged_ = true;
    SoIndexedTriangleStripSet::notify(list);
}

bool SurfaceStripSet::trianglesFit(const SoCoordinateElement* coordinates) {
    if (vertexProperty.getValue() != nullptr || !coordinates->is3D()) {
        return false;
    }
    if (indicesChanged_) {
        indicesChanged_ = false;
        normalsCoordinates_ = 0;
        usedCount_.clear();
        const int numIndices = coordIndex.getNum();
        const int32_t* indices = coordIndex.getValues(0);
        const int32_t largest =
            numIndices > 0 ? *std::max_element(indices, indices + numIndices) : -1;
        if (!normals_.setTriangles(indices, numIndices, largest + 1)) {
            return false;
        }
        usedCount_.assign(largest + 1, 0);
        for (int i = 0; i < 3 * normals_.numTriangles(); ++i) {
            ++usedCount_[normals_.cornerPoints()[i]];
        }
    }
    return normals_.numTriangles() > 0 && normals_.numPoints() <= coordinates->getNum();
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
    const float crease = SoCreaseAngleElement::get(state);
    const bool counterClockwise =
        SoShapeHintsElement::getVertexOrdering(state) != SoShapeHintsElement::CLOCKWISE;
    if (coordinates->getNodeId() != normalsCoordinates_ || crease != normalsCrease_ ||
        counterClockwise != normalsCounterClockwise_) {
        normals_.update(coordinates->getArrayPtr3(), crease, counterClockwise);
        normalsCoordinates_ = coordinates->getNodeId();
        normalsCrease_ = crease;
        normalsCounterClockwise_ = counterClockwise;
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
           texture->getDimension(0) == 2 && texture->getNum(0) >= normals_.numPoints();
}

void SurfaceStripSet::GLRender(SoGLRenderAction* action) {
    SoState* state = action->getState();
    const bool fits = SoMaterialBindingElement::get(state) == SoMaterialBindingElement::OVERALL &&
                      updateNormals(state);
    if (!fits) {
        SoIndexedTriangleStripSet::GLRender(action);
        return;
    }
    if (!shouldGLRender(action)) {
        return;
    }
    bool drawn = false;
    {
        SoMaterialBundle material(action);
        SoTextureCoordinateBundle texture(action, TRUE, FALSE);
        const bool sendTexture = texture.needCoordinates();
        if (!sendTexture || (!texture.isFunction() && textureFits(state))) {
            material.sendFirst();
            draw(state, !material.isColorOnly(), sendTexture, drawingOrderShows(state));
            drawn = true;
        }
    }
    if (!drawn) {
        SoIndexedTriangleStripSet::GLRender(action);
        return;
    }
    // The points move between frames: a display list of them would be out of date at once.
    SoGLCacheContextElement::shouldAutoCache(state, SoGLCacheContextElement::DONT_AUTO_CACHE);
}

void SurfaceStripSet::draw(SoState* state, bool sendNormals, bool sendTexture, bool inListOrder) {
    const SbVec3f* points = SoCoordinateElement::getInstance(state)->getArrayPtr3();
    const SbVec2f* texCoords =
        sendTexture ? SoMultiTextureCoordinateElement::getInstance(state)->getArrayPtr2(0)
                    : nullptr;

    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, points);
    if (sendNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normals_.pointNormals());
    }
    if (sendTexture) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    }
    if (normals_.allSmooth()) {
        glDrawElements(GL_TRIANGLES, 3 * normals_.numTriangles(), GL_UNSIGNED_INT,
                       normals_.cornerPoints());
    } else if (inListOrder) {
        drawInListOrder(points, texCoords, sendNormals);
    } else {
        for (int b = 0; b < normals_.numBlocks(); ++b) {
            glDrawElements(GL_TRIANGLES, 3 * normals_.numSmoothTriangles(b), GL_UNSIGNED_INT,
                           normals_.smoothCorners(b));
        }
        // Triangles at sharp points have a normal per corner; they are few on any body that is
        // not crumpled, and drawn one vertex at a time.
        glBegin(GL_TRIANGLES);
        for (int b = 0; b < normals_.numBlocks(); ++b) {
            const int32_t* sharp = normals_.sharpTriangles(b);
            for (int i = 0; i < normals_.numSharpTriangles(b); ++i) {
                sendSharpTriangle(sharp[i], points, texCoords, sendNormals);
            }
        }
        glEnd();
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void SurfaceStripSet::drawInListOrder(const SbVec3f* points, const SbVec2f* texCoords,
                                      bool sendNormals) const {
    const uint32_t* corners = normals_.cornerPoints();
    const int numTriangles = normals_.numTriangles();
    auto isSmooth = [&](int t) {
        return normals_.isSmooth(corners[3 * t]) && normals_.isSmooth(corners[3 * t + 1]) &&
               normals_.isSmooth(corners[3 * t + 2]);
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
                sendSharpTriangle(t++, points, texCoords, sendNormals);
            }
            glEnd();
        }
    }
}

void SurfaceStripSet::sendSharpTriangle(int t, const SbVec3f* points, const SbVec2f* texCoords,
                                        bool sendNormals) const {
    for (int c = 0; c < 3; ++c) {
        const uint32_t p = normals_.cornerPoints()[3 * t + c];
        if (sendNormals) {
            glNormal3fv(normals_.cornerNormal(t, c).getValue());
        }
        if (texCoords != nullptr) {
            glTexCoord2fv(texCoords[p].getValue());
        }
        glVertex3fv(points[p].getValue());
    }
}

void SurfaceStripSet::computeBBox(SoAction* action, SbBox3f& box, SbVec3f& center) {
    SoState* state = action->getState();
    const SoCoordinateElement* coordinates = SoCoordinateElement::getInstance(state);
    if (!trianglesFit(coordinates)) {
        SoIndexedTriangleStripSet::computeBBox(action, box, center);
        return;
    }
    // Each point once instead of once per corner; the centre is the mean of the corners.
    const SbVec3f* points = coordinates->getArrayPtr3();
    float low[3] = {points[0][0], points[0][1], points[0][2]};
    float high[3] = {low[0], low[1], low[2]};
    bool first = true;
    double sum[3] = {0.0, 0.0, 0.0};
    const double corners = 3.0 * normals_.numTriangles();
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
