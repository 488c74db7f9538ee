// The body's surface in the scene and the headcam that rides on it: the part of the body that
// the window sees. The physics never calls it.

#include "mpsystem/MpSystem.h"

#include "common/ErrorLine.h"
#include "common/GlobalView.h"
#include "image/TextureFile.h"
#include "mpsystem/surface/PinMarkers.h"
#include "mpsystem/surface/SurfaceStripSet.h"

#include <Inventor/nodes/SoCamera.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinate2.h>

#include <iostream>
#include <string>

namespace {

/// Height above and distance behind (+z) point 0 at which the headcam rides.
const SbVec3f headcamOffset(0.0f, 5.0f, 10.0f);

/// Makes the field hold exactly `count` values: a new node's field starts with one default
/// value, which an empty body must not keep.
template <typename Field, typename Value>
void setExactly(Field& field, int count, const Value* values) {
    field.setValues(0, count, values);
    field.setNum(count);
}

/// Puts the picture of `textureFile` into the node. Without a file name the surface stays
/// untextured and nothing is said; a file that gives no picture leaves it untextured too, with
/// one line on standard error.
void loadSurfaceTexture(SoTexture2& node, const char* textureFile) {
    if (textureFile == nullptr || textureFile[0] == '\0') {
        return;
    }
    std::string problem;
    if (!loadTexture(node, textureFile, problem)) {
        freshErrorLine() << problem << std::endl;
    }
}

} // namespace

SoSeparator* MpSystem::buildSurface(float red, float green, float blue, float transparency,
                                    const char* textureFile) {
    surfaceRoot_ = new SoSeparator;

    // Each triangle is a strip of its own in the file's winding, which the hints declare as the
    // front; the library then computes smooth normals up to the crease angle.
    SoShapeHints* hints = new SoShapeHints;
    hints->vertexOrdering = SoShapeHints::COUNTERCLOCKWISE;
    hints->creaseAngle = 1.0f;
    surfaceRoot_->addChild(hints);

    SoMaterial* material = new SoMaterial;
    material->diffuseColor.setValue(red, green, blue);
    material->transparency.setValue(transparency);
    surfaceRoot_->addChild(material);

    SoNormalBinding* normalBinding = new SoNormalBinding;
    normalBinding->value = SoNormalBinding::PER_VERTEX;
    surfaceRoot_->addChild(normalBinding);

    // Texture coordinates and coordinates share the point numbering, so the strip set needs no
    // texture coordinate indices.
    SoTextureCoordinate2* texture = new SoTextureCoordinate2;
    setExactly(texture->point, numPoints_, texCoords_.data());
    surfaceRoot_->addChild(texture);

    // The picture is decoded by our own checked reader; the node's file name stays empty, so
    // the library's loader never reads the file.
    SoTexture2* image = new SoTexture2;
    loadSurfaceTexture(*image, textureFile);
    image->model = SoTexture2::MODULATE;
    surfaceRoot_->addChild(image);

    surfaceCoordinates_ = new SoCoordinate3;
    setExactly(surfaceCoordinates_->point, numPoints_, positions_.data());
    surfaceRoot_->addChild(surfaceCoordinates_);

    SurfaceStripSet::initClass();
    SoIndexedTriangleStripSet* strips = new SurfaceStripSet;
    setExactly(strips->coordIndex, numFaceIndices(), faceIndices_.data());
    surfaceRoot_->addChild(strips);

    pinMarkers_ = nullptr;
    shownPinChanges_ = 0;
    showPinMarkers();
    return surfaceRoot_;
}

void MpSystem::updateScene() {
    if (surfaceCoordinates_ != nullptr) {
        surfaceCoordinates_->point.setValues(0, numPoints_, positions_.data());
    }
    showPinMarkers();
    if (headcam_ != 0 && camera_ != nullptr && numPoints_ > 0) {
        camera_->position.setValue(positions_[0] + headcamOffset);
        camera_->pointAt(positions_[0]);
    }
}

// Pinned points never move: the marker changes only with the pins.
void MpSystem::showPinMarkers() {
    if (surfaceRoot_ == nullptr || pinChanges_ == shownPinChanges_) {
        return;
    }
    if (pinMarkers_ == nullptr) {
        pinMarkers_ = buildPinMarkers(pinCoordinates_);
        surfaceRoot_->addChild(pinMarkers_);
    }
    showPins(*pinCoordinates_, pinnedPositions_);
    shownPinChanges_ = pinChanges_;
}

void MpSystem::setHeadcam(bool on) {
    headcam_ = on ? 1 : 0;
    if (on || camera_ == nullptr) {
        return;
    }
    placeAtGlobalView(*camera_);
}
